#include "core/config_locator.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

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
