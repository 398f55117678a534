// The start checks and the reading of mixed-encoding logs.
#include <QFile>

#include <gtest/gtest.h>

#include "core/settings_check.h"
#include "core/string_table.h"
#include "core/text_file_reader.h"
#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

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

}  // namespace
}  // namespace dorvex::panel
