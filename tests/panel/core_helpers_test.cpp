// The program's core helpers: texts, file names, moves, start checks, log reading and the
// binding of the library.
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "core/file_mover.h"
#include "core/request_kind.h"
#include "core/settings_check.h"
#include "core/shared_dorvex_library.h"
#include "core/string_table.h"
#include "core/text_file_reader.h"
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

QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

TEST(SettingsCheckTest, EveryMissingSettingInTheOrderOfTheChecksWithItsTab) {
    PanelSettings settings;
    settings.ipAddress.clear();
    settings.inputDir = settings.outputDir = settings.errorDir = u"/tmp"_s;
    const QList<MissingSetting> all = SettingsCheck::Missing(settings);
    EXPECT_EQ(all, (QList<MissingSetting>{
                       {TextId::SelectScaleNumber, SettingsTab::Communication},
                       {TextId::EnterIpAddress, SettingsTab::Communication},
                       {TextId::SelectTimeUnit, SettingsTab::Timers},
                       {TextId::SelectSeparateDirectories, SettingsTab::Directories},
                       {TextId::ConfigureConnectionTimeout, SettingsTab::Communication}}));
    EXPECT_EQ(SettingsCheck::FirstTab(all), SettingsTab::Directories);
}

TEST(TextFileReaderTest, MixedLogLinesAreDecodedEachInItsEncoding) {
    QByteArray log;
    log += "Mon 07 Dec 2026 - 02:50:01\tDevice 1\tTag for column Pr\xE9sentation from a_w.csv\r\n";
    log += Utf16(u"Mon 07 Dec 2026 - 02:51:02\tDevice 1\tDatabase error : Œuf ñ €\r\n"_s);
    log += Utf16(u"\r\n"_s);
    log += "Mon 07 Dec 2026 - 02:52:03\tDevice 1\tPrix \x80 5\r\n";
    const QStringList lines = TextFileReader::DecodeLines(log);
    ASSERT_EQ(lines.size(), 4) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].endsWith(u"Présentation from a_w.csv"_s));
    EXPECT_TRUE(lines[1].endsWith(u"Database error : Œuf ñ €"_s));
    EXPECT_EQ(lines[2], QString());
    EXPECT_TRUE(lines[3].endsWith(u"Prix € 5"_s));
    // A UTF-8 code page, and a result file with a byte-order mark.
    EXPECT_EQ(TextFileReader::DecodeLines("Caf\xC3\xA9\r\n", u"UTF-8"_s).first(), u"Café"_s);
    EXPECT_EQ(TextFileReader::DecodeLines("\xFF\xFE" + Utf16(u"PLU;Name\r\n1;Pâte\r\n"_s)),
              (QStringList{u"PLU;Name"_s, u"1;Pâte"_s, QString()}));
}

TEST(TextFileReaderTest, LogsAreShownNewestFirstAndLargeOnesFromTheirEnd) {
    testing::TestDir dir;
    const QString path = dir.FilePath(u"error.log"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray filler(200, 'x');
    // More than the limit, with UTF-16 lines wherever the cut falls.
    int written = 0;
    while (file.size() <= TextFileReader::kMaxBytes + 4096) {
        const QString line = u"line %1 "_s.arg(written++) + QString::fromLatin1(filler);
        file.write(written % 2 ? line.toLatin1() + "\r\n" : Utf16(line + u"\r\n"_s));
    }
    file.close();
    const auto content = TextFileReader::Read(path, TextFileReader::OrderFor(u"error.log"_s));
    EXPECT_TRUE(content.error.isEmpty());
    EXPECT_TRUE(content.shortened);
    ASSERT_FALSE(content.lines.isEmpty());
    EXPECT_TRUE(content.lines.first().startsWith(u"line %1 "_s.arg(written - 1)));
    for (const QString& line : content.lines) {
        ASSERT_TRUE(line.startsWith(u"line "_s)) << line.left(40).toStdString();
        ASSERT_TRUE(line.endsWith(QString::fromLatin1(filler)));
    }
    EXPECT_EQ(TextFileReader::OrderFor(u"a_w_a.csv"_s), TextFileReader::Order::FileOrder);
    const auto missing =
        TextFileReader::Read(dir.FilePath(u"none.log"_s), TextFileReader::Order::NewestFirst);
    EXPECT_FALSE(missing.error.isEmpty());
}

// How the program binds the library by name: the eighteen exports are required, the newer
// ones (reasons, reply wait, reply timeout) are used when present and missed quietly.
QString Stub(const char* name) {
    return QDir(QStringLiteral(DORVEX_PANEL_STUB_DIR))
        .filePath(u"stub_%1.so"_s.arg(QString::fromLatin1(name)));
}

std::unique_ptr<DorvexLibrary> Bind(const char* name) {
    QString error;
    auto library = SharedDorvexLibrary::Load({Stub(name)}, error);
    EXPECT_NE(library, nullptr) << error.toStdString();
    return library;
}

TEST(LibraryBindingTest, ANewerLibraryGivesItsReasonsWaitAndTimeout) {
    auto library = Bind("new");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->OpenDorvex(u"IPC"_s, u"1"_s, u"refuse"_s, 0, 0, u"table.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(),
              u"Connecting to refuse:1120 failed: connection refused"_s);
    // The text is the calling thread's: UTF-8 comes back as it went.
    EXPECT_EQ(library->SendWriteFile(u"prix_w.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(),
              u"no table of table.csv is named in the file name \"prix_w.csv\"; "
              "rename the file (Article, Département)"_s);
    EXPECT_EQ(library->GetTransferErrorText(), u"no reply to request 2 of 3 within 5000 ms"_s);
    int waited = 0;
    int limit = 0;
    EXPECT_TRUE(library->GetReplyWait(waited, limit));
    EXPECT_EQ(waited, 61000);
    EXPECT_EQ(library->SetReplyTimeout(1500, 1500), 1);
    // A reason longer than the buffer is cut, never overrun.
    library->SendWriteFile(QString(5000, u'x'));
    const QString cut = library->GetLastErrorText();
    EXPECT_GT(cut.size(), 1000);
    EXPECT_LT(cut.size(), 5000);
}

TEST(LibraryBindingTest, AnOlderLibraryStillServesWithoutReasons) {
    auto library = Bind("old");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->OpenDorvex(u"IPC"_s, u"1"_s, u"refuse"_s, 0, 0, u"table.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(), QString());
    EXPECT_EQ(library->GetTransferErrorText(), QString());
    int waited = -1;
    int limit = -1;
    EXPECT_FALSE(library->GetReplyWait(waited, limit));
    EXPECT_EQ(waited, 0);
    EXPECT_EQ(limit, 0);
    EXPECT_EQ(library->SetReplyTimeout(1500, 1500), 0);
    EXPECT_EQ(library->GetCommStatus(), 5);
}

TEST(LibraryBindingTest, ALibraryWithoutOneOfTheEighteenIsRefused) {
    QString error;
    EXPECT_EQ(SharedDorvexLibrary::Load({Stub("incomplete")}, error), nullptr);
    EXPECT_TRUE(error.endsWith(u"missing export(s) ReceiveData"_s)) << error.toStdString();
}

}  // namespace
}  // namespace dorvex::panel
