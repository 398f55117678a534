#include "tables/table_file_locator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/module_path.h"
#include "support/scoped_environment.h"
#include "tables/table_catalog.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::ScopedEnvironment;
using test::TempDir;

constexpr std::string_view kTables = "TABLE;PLU\r\nArticle;PLU\r\nart;plu\r\n";

Text Directory(const TempDir& dir, std::string_view name) {
    const Text path = dir.PathOf(name) + u"/";
    std::filesystem::create_directories(FileSystemPath(path));
    return path;
}

TEST(TableFileLocator, FirstReadablePlaceWinsAndTheSearchStopsThere) {
    TempDir dir;
    const Text beside = Directory(dir, "lib"), user = Directory(dir, "user"),
               system = Directory(dir, "etc");
    dir.Write("user/table.csv", kTables);
    dir.Write("etc/table.csv", kTables);
    TableFileLocation location = TableFileLocator({beside, user, system}).Locate(u"table.csv");
    EXPECT_TRUE(location.found);
    EXPECT_EQ(location.path, user + u"table.csv");
    EXPECT_EQ(location.searched, (std::vector<Text>{beside + u"table.csv", user + u"table.csv"}));
    EXPECT_EQ(location.Describe(), u"table definitions: " + user + u"table.csv");

    // The place beside the library keeps its precedence.
    dir.Write("lib/table.csv", kTables);
    EXPECT_EQ(TableFileLocator({beside, user, system}).Locate(u"table.csv").path,
              beside + u"table.csv");
}

TEST(TableFileLocator, NothingFoundNamesEveryPlaceAndKeepsTheFirst) {
    TempDir dir;
    const Text a = Directory(dir, "a"), b = dir.PathOf("b");  // b without trailing separator
    TableFileLocation location = TableFileLocator({a, Text(), b}).Locate(u"table.csv");
    EXPECT_FALSE(location.found);
    EXPECT_EQ(location.path, a + u"table.csv");
    EXPECT_EQ(location.Describe(),
              u"table.csv not found; looked in: " + a + u"table.csv, " + b + u"/table.csv");
}

TEST(TableFileLocator, ANameWithADirectoryIsUsedAsItStands) {
    TempDir dir;
    const Text given = dir.Write("mine.csv", kTables);
    TableFileLocation location = TableFileLocator({dir.PathOf("elsewhere")}).Locate(given);
    EXPECT_TRUE(location.found);
    EXPECT_EQ(location.path, given);
    EXPECT_EQ(TableFileLocator({}).Locate(given + u".gone").Describe(),
              u"mine.csv.gone not found; looked in: " + given + u".gone");
}

TEST(TableFileLocator, UserDirectoryFollowsXdgThenHome) {
    ScopedEnvironment home("HOME", "/home/someone");
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "/srv/config");
        EXPECT_EQ(UserConfigDirectory(), u"/srv/config/dorvex/");
    }
    {
        ScopedEnvironment xdg("XDG_CONFIG_HOME", "relative/config");  // ignored: not absolute
        EXPECT_EQ(UserConfigDirectory(), u"/home/someone/.config/dorvex/");
    }
    ScopedEnvironment xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(UserConfigDirectory(), u"/home/someone/.config/dorvex/");
    std::vector<Text> places = TableFileLocator::ForModule(u"/opt/lib").Directories();
    ASSERT_GE(places.size(), 3u);
    EXPECT_EQ(places[0], u"/opt/lib/");
    EXPECT_EQ(places[1], u"/home/someone/.config/dorvex/");
    EXPECT_EQ(places.back(), u"/etc/dorvex/");
}

TEST(TableFileLocator, CatalogReadsAWriteProtectedSystemCopy) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any file";
    TempDir dir;
    const Text path = dir.Write("table.csv", kTables);
    std::filesystem::permissions(FileSystemPath(path), std::filesystem::perms::owner_read);
    TableCatalog catalog;
    catalog.Load(path);
    EXPECT_TRUE(catalog.Location().found);
    EXPECT_EQ(catalog.TableNames(), std::vector<Text>{u"Article"});
}

}  // namespace
}  // namespace dorvex
