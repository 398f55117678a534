// The settings file: its lines, and where it is read and written.
#include "core/config_file.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "core/config_locator.h"
#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

// Two drives: "/" and one with a label; the working directory lies on neither.
class FakeVolumes : public Volumes {
  public:
    QStringList DriveTexts() const override { return {u"/"_s, u"/mnt/data [DATA]"_s}; }
    QString DriveOf(const QString& path) const override {
        return path.startsWith("/mnt/data"_L1) ? u"/mnt/data [DATA]"_s : u"/"_s;
    }
    QString CurrentDirectoryOf(const QString& driveText) const override {
        return RootOf(driveText);
    }
};

class ConfigFileTest : public ::testing::Test {
  protected:
    QString Path() const { return QDir(dir_.Path()).filePath(u"Dorvex.cfg"_s); }

    PanelSettings Load(PanelSettings settings = {}) {
        const auto lines = ConfigFile::Read(Path());
        EXPECT_TRUE(lines.has_value());
        if (lines) {
            ConfigFile::Apply(*lines, volumes_, dir_.Path(), settings);
        }
        return settings;
    }

    testing::TestDir dir_;
    FakeVolumes volumes_;
};

TEST_F(ConfigFileTest, WithoutAFileTheFirstCloseWritesTheInitialStates) {
    EXPECT_FALSE(ConfigFile::Read(Path()).has_value());
    ASSERT_TRUE(ConfigFile::Write(Path(), PanelSettings{}, nullptr));
    EXPECT_EQ(
        testing::ReadFile(Path()),
        QByteArray("33\r\n\r\n\r\n\r\n\r\n-1\r\n10\r\n-1\r\n50\r\n0\r\n0\r\n127.0.0.1\r\n-1\r\n"
                   "|\r\n0\r\n-1\r\n0\r\n"));
}

TEST_F(ConfigFileTest, WrittenSettingsLoadBackUnchanged) {
    PanelSettings saved;
    saved.languageCode = kEnglish;
    saved.drive = u"/"_s;
    saved.inputDir = saved.outputDir = saved.errorDir = dir_.Path();
    saved.outputDir = QDir::rootPath();
    saved.deleteInputFile = false;
    saved.scanInterval = 42;
    saved.scanUnitIndex = 1;
    saved.statusIntervalMs = 480;
    saved.autoStart = true;
    saved.minimizedWindow = true;
    saved.ipAddress = u"scale-7.local"_s;
    saved.deviceIndex = 99;
    saved.crChar = u"¤"_s;
    saved.unicode = true;
    saved.timeoutIndex = 9;
    saved.showErrors = true;
    ASSERT_TRUE(ConfigFile::Write(Path(), saved, nullptr));
    const PanelSettings loaded = Load();
    EXPECT_EQ(ConfigFile::Compose(loaded), ConfigFile::Compose(saved));
}

TEST_F(ConfigFileTest, UnusableLinesKeepTheirControlsAndTheRestIsStillRead) {
    QByteArray bytes;
    bytes += "99\r\n";                         // no such language: French
    bytes += "Z: [gone]\r\n";                  // unavailable drive: the program's drive
    bytes += "/no/such/dir\r\n";               // missing directory: skipped
    bytes += "relative/dir\r\n";               // names no volume: the program's directory
    bytes += QByteArray(10000, 'x') + "\r\n";  // over-long
    bytes += "maybe\r\n";                      // not a boolean
    bytes += "61\r\n";                         // slider refuses
    bytes += "2\r\n";                          // no third unit
    bytes += "5\r\n";                          // below 10 ms
    bytes += "70000\r\n";                      // not a 16-bit number
    bytes += "1\r\n";
    bytes += QByteArray("bad\0ip", 6) + "\r\n";  // binary
    bytes += "100\r\n";                          // no entry 100
    bytes += "\xff\xfe\r\n";                     // not UTF-8: taken as 8-bit text
    bytes += "True\r\n";
    bytes += "-2\r\n";
    bytes += "-1\r\n";
    bytes += "extra line\r\n";
    ASSERT_TRUE(testing::WriteFile(Path(), bytes));

    PanelSettings before;
    before.inputDir = u"/kept/in"_s;
    const PanelSettings s = Load(before);
    EXPECT_EQ(s.languageCode, kFrench);
    EXPECT_EQ(s.drive, u"/"_s);
    EXPECT_EQ(s.inputDir, u"/"_s);  // the drive's directory, not overwritten
    EXPECT_EQ(s.outputDir, dir_.Path());
    EXPECT_EQ(s.errorDir, u"/"_s);
    EXPECT_TRUE(s.deleteInputFile);
    EXPECT_EQ(s.scanInterval, 10);
    EXPECT_EQ(s.scanUnitIndex, -1);
    EXPECT_EQ(s.statusIntervalMs, 50);
    EXPECT_FALSE(s.autoStart);
    EXPECT_TRUE(s.minimizedWindow);
    EXPECT_EQ(s.ipAddress, u"127.0.0.1"_s);
    EXPECT_EQ(s.deviceIndex, -1);
    EXPECT_EQ(s.crChar, QString::fromLatin1("\xff\xfe"));
    EXPECT_EQ(s.unicode, std::optional<bool>(true));
    EXPECT_EQ(s.timeoutIndex, -1);
    EXPECT_TRUE(s.showErrors);
}

class ConfigLocatorTest : public ::testing::Test {
  protected:
    ConfigLocatorTest() : program_(Sub(u"bin"_s)), user_(Sub(u"user"_s)), system_(Sub(u"etc"_s)) {}

    QString Sub(const QString& name) const {
        const QString path = QDir(dir_.Path()).filePath(name);
        QDir().mkpath(path);
        return path;
    }
    static QString Cfg(const QString& directory) {
        return QDir(directory).filePath(u"Dorvex.cfg"_s);
    }
    static void Touch(const QString& path) { ASSERT_TRUE(testing::WriteFile(path, {})); }
    // A "directory" that is a regular file: nothing can be created in it, even by root.
    QString Blocked() const {
        const QString path = QDir(dir_.Path()).filePath(u"blocked"_s);
        Touch(path);
        return path;
    }
    ConfigLocator Locator(const QString& program) const {
        return ConfigLocator(program, user_, {system_});
    }

    testing::TestDir dir_;
    QString program_, user_, system_;
};

TEST_F(ConfigLocatorTest, TheFirstExistingFileIsReadElseTheProgramsPlaceIfItCanTakeOne) {
    EXPECT_EQ(Locator(program_).ReadPath(), Cfg(program_));
    EXPECT_EQ(Locator(Blocked()).ReadPath(), Cfg(user_));
    Touch(Cfg(system_));
    EXPECT_EQ(Locator(program_).ReadPath(), Cfg(system_));
    Touch(Cfg(user_));
    EXPECT_EQ(Locator(program_).ReadPath(), Cfg(user_));
    Touch(Cfg(program_));
    EXPECT_EQ(Locator(program_).ReadPath(), Cfg(program_));
}

TEST_F(ConfigLocatorTest, SettingsFromAPlaceThatCannotBeWrittenAreSavedForTheUser) {
    QDir().mkpath(Cfg(program_));  // a directory in the place of the file
    EXPECT_FALSE(ConfigLocator::CanWrite(Cfg(program_)));
    EXPECT_TRUE(ConfigLocator::CanWrite(Cfg(user_)));
    Touch(Cfg(system_));
    EXPECT_EQ(Locator(program_).WritePath(Cfg(system_)), Cfg(system_));
    const QString readOnlyPlace = Cfg(Blocked());
    EXPECT_FALSE(ConfigLocator::CanWrite(readOnlyPlace));
    EXPECT_EQ(Locator(program_).WritePath(readOnlyPlace), Cfg(user_));
    // Without a user directory there is nowhere else: the caller reports the failure.
    EXPECT_EQ(ConfigLocator(program_, QString(), {system_}).WritePath(readOnlyPlace),
              readOnlyPlace);
}

}  // namespace
}  // namespace dorvex::panel
