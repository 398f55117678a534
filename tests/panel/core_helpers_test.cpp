#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/file_mover.h"
#include "core/free_space.h"
#include "core/request_kind.h"
#include "core/string_table.h"
#include "core/volumes.h"
#include "test_files.h"

namespace dorvex::panel {
namespace {

TEST(StringTableTest, BothLanguagesHaveEveryTextUnderTheirCodesAndNothingElse) {
    int texts = 0;
    for (int n = 0; n < 1000; ++n) {
        const auto french = StringTable::Find(kFrench * 1000 + n);
        const auto english = StringTable::Find(kEnglish * 1000 + n);
        ASSERT_EQ(french.has_value(), english.has_value()) << n;
        texts += french ? 1 : 0;
        EXPECT_FALSE(french.value_or(QStringLiteral("-")).isEmpty()) << n;
        EXPECT_FALSE(english.value_or(QStringLiteral("-")).isEmpty()) << n;
    }
    EXPECT_GT(texts, 0);
    EXPECT_EQ(StringTable::Text(kFrench, TextId::StatusReady), QStringLiteral("Prêt"));
    EXPECT_EQ(StringTable::Text(kEnglish, StatusTextId(5)),
              QStringLiteral("Transfer terminated with error"));
    EXPECT_FALSE(StringTable::Find(55002).has_value());
    EXPECT_FALSE(StringTable::Find(-44002).has_value());
}

TEST(RequestKindTest, FirstMarkerDecidesAndOthersAreIgnored) {
    EXPECT_EQ(RequestKindOf(QStringLiteral("prices_w.csv")), RequestKind::Write);
    EXPECT_EQ(RequestKindOf(QStringLiteral("PLU_R.CSW")), RequestKind::Read);
    EXPECT_EQ(RequestKindOf(QStringLiteral("x_d.csv")), RequestKind::Delete);
    EXPECT_EQ(RequestKindOf(QStringLiteral("x_w.csv_d.csv")), RequestKind::Write);
    EXPECT_EQ(RequestKindOf(QStringLiteral("x_d.csv_r.csv")), RequestKind::Read);
    EXPECT_FALSE(RequestKindOf(QStringLiteral("stock.csv")));
    EXPECT_FALSE(RequestKindOf(QStringLiteral("stock_w.txt")));
    EXPECT_TRUE(IsDataFileName(QStringLiteral("a.CSW")));
    EXPECT_FALSE(IsDataFileName(QStringLiteral("a.csvx")));
}

TEST(FreeSpaceTest, FormatsLikeTheOneDecimalPatternAndWarnsAtFiftyOrLess) {
    const QLocale english(QLocale::English);
    EXPECT_EQ(FreeSpace::Format(0.46, english), QStringLiteral(".5"));
    EXPECT_EQ(FreeSpace::Format(0.0, english), QStringLiteral(".0"));
    EXPECT_EQ(FreeSpace::Format(123456.78, english), QStringLiteral("123456.8"));
    EXPECT_EQ(FreeSpace::Format(1.26, QLocale(QLocale::French)), QStringLiteral("1,3"));
    EXPECT_EQ(FreeSpace::Caption(44, 50.0, english), QStringLiteral("Free disk space : 50.0 MB"));
    EXPECT_EQ(FreeSpace::Caption(33, std::nullopt, english),
              QStringLiteral("Espace disque disponible : .0 MB"));
    EXPECT_TRUE(FreeSpace::IsLow(50.0));
    EXPECT_FALSE(FreeSpace::IsLow(50.1));
    EXPECT_TRUE(FreeSpace::IsLow(std::nullopt));
    EXPECT_FALSE(FreeSpace::AvailableMegabytes(QStringLiteral("/no/such/volume/anywhere")));
}

TEST(VolumesTest, RootIsTheTextBeforeTheBracketedName) {
    EXPECT_EQ(Volumes::RootOf(QStringLiteral("c: [SYSTEM]")), QStringLiteral("c:"));
    EXPECT_EQ(Volumes::RootOf(QStringLiteral("/media/usb [My Stick]")),
              QStringLiteral("/media/usb"));
    EXPECT_EQ(Volumes::RootOf(QStringLiteral("/home")), QStringLiteral("/home"));
}

class FileMoverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        in_ = QDir(root_.path()).filePath(QStringLiteral("in"));
        out_ = QDir(root_.path()).filePath(QStringLiteral("out"));
        ASSERT_TRUE(QDir().mkpath(in_) && QDir().mkpath(out_));
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        ASSERT_TRUE(testing::WriteFile(path, bytes));
    }

    QTemporaryDir root_;
    QString in_;
    QString out_;
};

TEST_F(FileMoverTest, MoveReplacesTheTargetAndRemovesTheInput) {
    Write(in_ + QStringLiteral("/a_w.csv"), "new");
    Write(out_ + QStringLiteral("/a_w.csv"), "old and longer");
    EXPECT_TRUE(FileMover::MoveInto(in_, QStringLiteral("a_w.csv"), out_));
    EXPECT_EQ(testing::ReadFile(out_ + QStringLiteral("/a_w.csv")), "new");
    EXPECT_FALSE(QFile::exists(in_ + QStringLiteral("/a_w.csv")));
}

TEST_F(FileMoverTest, FailedMoveKeepsTheInputAndLeavesNoTemporaryFile) {
    Write(in_ + QStringLiteral("/a_w.csv"), "data");
    ASSERT_TRUE(QDir(out_).mkdir(QStringLiteral("a_w.csv")));  // a directory in the way
    EXPECT_FALSE(FileMover::MoveInto(in_, QStringLiteral("a_w.csv"), out_));
    EXPECT_EQ(testing::ReadFile(in_ + QStringLiteral("/a_w.csv")), "data");
    EXPECT_FALSE(QFile::exists(out_ + QLatin1Char('/') +
                               FileMover::TemporaryName(QStringLiteral("a_w.csv"))));
    EXPECT_FALSE(FileMover::MoveInto(in_, QStringLiteral("a_w.csv"),
                                     root_.path() + QStringLiteral("/none")));
    EXPECT_TRUE(QFile::exists(in_ + QStringLiteral("/a_w.csv")));
}

TEST_F(FileMoverTest, MoveAcrossFileSystemsCopiesCompletely) {
    QTemporaryDir other(QStringLiteral("/dev/shm/dorvex-panel-XXXXXX"));
    if (!other.isValid() || QStorageInfo(other.path()).device() == QStorageInfo(in_).device()) {
        GTEST_SKIP() << "no second file system (/dev/shm) to move across";
    }
    QByteArray big(3 * 1024 * 1024 + 17, 'x');
    big[12345] = 'y';
    Write(in_ + QStringLiteral("/big_w.csv"), big);
    EXPECT_TRUE(FileMover::MoveInto(in_, QStringLiteral("big_w.csv"), other.path()));
    EXPECT_EQ(testing::ReadFile(other.path() + QStringLiteral("/big_w.csv")), big);
    EXPECT_FALSE(QFile::exists(in_ + QStringLiteral("/big_w.csv")));
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

}  // namespace
}  // namespace dorvex::panel
