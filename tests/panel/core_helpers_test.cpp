#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/file_mover.h"
#include "core/request_kind.h"
#include "core/string_table.h"
#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

TEST(StringTableTest, BothLanguagesHaveEveryTextUnderTheirCodesAndNothingElse) {
    int texts = 0;
    int translated = 0;
    for (int n = 0; n < 1000; ++n) {
        const auto french = StringTable::Find(kFrench * 1000 + n);
        const auto english = StringTable::Find(kEnglish * 1000 + n);
        ASSERT_EQ(french.has_value(), english.has_value()) << n;
        texts += french ? 1 : 0;
        translated += french && *french != *english ? 1 : 0;
        EXPECT_FALSE(french.value_or(u"-"_s).isEmpty()) << n;
        EXPECT_FALSE(english.value_or(u"-"_s).isEmpty()) << n;
    }
    EXPECT_GT(texts, 0);
    // One table copied over the other would leave the program in one language.
    EXPECT_GT(translated, texts * 3 / 4);
    EXPECT_EQ(StringTable::Text(kFrench, TextId::StatusReady), u"Prêt"_s);
    EXPECT_EQ(StringTable::Text(kEnglish, StatusTextId(5)), u"Transfer terminated with error"_s);
    EXPECT_FALSE(StringTable::Find(55002).has_value());
    EXPECT_FALSE(StringTable::Find(-44002).has_value());
}

TEST(RequestKindTest, FirstMarkerDecidesAndOthersAreIgnored) {
    EXPECT_EQ(RequestKindOf(u"prices_w.csv"_s), RequestKind::Write);
    EXPECT_EQ(RequestKindOf(u"PLU_R.CSW"_s), RequestKind::Read);
    EXPECT_EQ(RequestKindOf(u"x_d.csv"_s), RequestKind::Delete);
    EXPECT_EQ(RequestKindOf(u"x_w.csv_d.csv"_s), RequestKind::Write);
    EXPECT_EQ(RequestKindOf(u"x_d.csv_r.csv"_s), RequestKind::Read);
    EXPECT_FALSE(RequestKindOf(u"stock.csv"_s));
    EXPECT_FALSE(RequestKindOf(u"stock_w.txt"_s));
    EXPECT_TRUE(IsDataFileName(u"a.CSW"_s));
    EXPECT_FALSE(IsDataFileName(u"a.csvx"_s));
}

class FileMoverTest : public ::testing::Test {
  protected:
    testing::TestDir root_;
    const QString in_ = root_.FilePath(u"in"_s);
    const QString out_ = root_.FilePath(u"out"_s);
};

TEST_F(FileMoverTest, FailedMoveKeepsTheInputAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(testing::WriteFile(in_ + u"/a_w.csv"_s, "data"));
    ASSERT_TRUE(QDir(out_).mkdir(u"a_w.csv"_s));  // a directory in the way
    EXPECT_FALSE(FileMover::MoveInto(in_, u"a_w.csv"_s, out_));
    EXPECT_EQ(testing::ReadFile(in_ + u"/a_w.csv"_s), "data");
    EXPECT_FALSE(QFile::exists(out_ + u'/' + FileMover::TemporaryName(u"a_w.csv"_s)));
    EXPECT_FALSE(FileMover::MoveInto(in_, u"a_w.csv"_s, root_.Path() + u"/none"_s));
    EXPECT_TRUE(QFile::exists(in_ + u"/a_w.csv"_s));
}

TEST_F(FileMoverTest, MoveAcrossFileSystemsCopiesCompletely) {
    QTemporaryDir other(u"/dev/shm/dorvex-panel-XXXXXX"_s);
    if (!other.isValid() || QStorageInfo(other.path()).device() == QStorageInfo(in_).device()) {
        GTEST_SKIP() << "no second file system (/dev/shm) to move across";
    }
    QByteArray big(3 * 1024 * 1024 + 17, 'x');
    big[12345] = 'y';
    ASSERT_TRUE(testing::WriteFile(in_ + u"/big_w.csv"_s, big));
    EXPECT_TRUE(FileMover::MoveInto(in_, u"big_w.csv"_s, other.path()));
    EXPECT_EQ(testing::ReadFile(other.path() + u"/big_w.csv"_s), big);
    EXPECT_FALSE(QFile::exists(in_ + u"/big_w.csv"_s));
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace dorvex::panel
