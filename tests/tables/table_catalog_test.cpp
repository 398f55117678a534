#include "tables/table_catalog.h"

#include <gtest/gtest.h>

#include <string>

#include "tables/data_file.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;
using namespace std::string_literals;

struct LoadedCatalog {
    TempDir dir;
    TableCatalog catalog;
    explicit LoadedCatalog(TextView content) {
        catalog.Load(dir.WriteNarrow("table.csv", content));
    }
};

std::vector<TableField> Fields(TableCatalog& catalog, const Text& table) {
    EXPECT_TRUE(catalog.SelectTable(table)) << ToUtf8(table);
    return catalog.CurrentTable();
}

TEST(TableCatalogLoad, TheArticleExample) {
    LoadedCatalog loaded(test::kArticleTableCsv);
    TableCatalog& catalog = loaded.catalog;
    EXPECT_EQ(catalog.TableNames(), std::vector<Text>{u"Article"});
    EXPECT_EQ(Fields(catalog, u"Article"),
              (std::vector<TableField>{{u"Article", u"art"}, {u"PLU", u"plu"}, {u"NAME", u"nam"}}));
    EXPECT_EQ(catalog.TagOf(u"name"), u"nam");
    EXPECT_EQ(catalog.TagOf(u"article"), u"art");
    EXPECT_EQ(catalog.FieldNameOf(u"plu"), u"PLU");
    EXPECT_EQ(catalog.FieldNames(), u"PLU;NAME");
    EXPECT_EQ(catalog.TagOf(u"price"), u"");
}

TEST(TableCatalogLoad, TableColumnAnywhereAndListEnds) {
    LoadedCatalog loaded(
        u"code;Table;name;price;tare\n"
        u"CODE;Dept;NAME;PRICE;TARE\n"
        u"cod;dep;nam;;tar\n"
        u"' a comment between tables\n"
        u"\n"
        u"NUM;Text;;X\n"
        u"\n"
        u"' and between a name row and its tag row\n"
        u"num;txt;lin;xxx\n");
    TableCatalog& catalog = loaded.catalog;
    // The list ends before the empty tag cell, even though a later cell has a tag.
    EXPECT_EQ(Fields(catalog, u"Dept"),
              (std::vector<TableField>{{u"CODE", u"cod"}, {u"Dept", u"dep"}, {u"NAME", u"nam"}}));
    // Names stop at the first empty name cell; later columns keep an empty name.
    EXPECT_EQ(Fields(catalog, u"Text"),
              (std::vector<TableField>{
                  {u"NUM", u"num"}, {u"Text", u"txt"}, {u"", u"lin"}, {u"", u"xxx"}}));
    EXPECT_EQ(catalog.FieldNames(), u"NUM;;");
}

TEST(TableCatalogLoad, LastRowsWithoutLineEnd) {
    // A tag row is used without its line end.
    LoadedCatalog tagged(u"TABLE;A\r\nOnly;a\r\nonl;aaa");
    EXPECT_EQ(Fields(tagged.catalog, u"Only"),
              (std::vector<TableField>{{u"Only", u"onl"}, {u"a", u"aaa"}}));
    // An unpaired last name row is left out with a reason.
    for (const TextView ending : {u"\r\n", u""}) {
        LoadedCatalog loaded(u"TABLE;A\r\nFirst;a\r\nfst;aaa\r\nSecond;b" + Text(ending));
        TableCatalog& catalog = loaded.catalog;
        EXPECT_EQ(Fields(catalog, u"First").size(), 2u);
        // Without a tag row it has no tag, and requests cannot name it.
        EXPECT_FALSE(catalog.SelectTable(u"Second"));
        EXPECT_EQ(catalog.LoadProblems(),
                  std::vector<Text>{u"table Second left out: it has no tag"});
    }
}

TEST(TableCatalogLoad, MissingOrEmptyFilesLeaveTheCatalogEmpty) {
    TempDir dir;
    TableCatalog catalog;
    catalog.Load(dir.PathOf("missing.csv"));
    EXPECT_EQ(catalog.GetStartPosition(), 0u);
    const std::pair<std::string_view, std::size_t> cases[] = {
        {"", 0}, {"\r\n\r\n", 0}, {"TABLE;A\r\n", 0}, {"   \r\nT;a\r\n", 1}};
    for (const auto& [content, tables] : cases) {
        catalog.Load(dir.Write("t.csv", content));
        EXPECT_EQ(catalog.TableCount(), tables) << content;
        catalog.Clear();
    }
}

TEST(TableCatalogOrder, BucketsThenNewestFirst) {
    // Buckets by h = h * 33 + c mod 17: PLU -> 4, R -> 14, A -> 14, B -> 15, PLUX -> 16.
    LoadedCatalog loaded(
        u"TABLE;F\nB;f\nbbb;fff\nPLUX;f\npx1;fff\nA;f\naaa;fff\nR;f\nrrr;fff\nPLU;f\nplu;fff\n");
    TableCatalog& catalog = loaded.catalog;
    const std::vector<Text> expected{u"PLU", u"R", u"A", u"B", u"PLUX"};
    EXPECT_EQ(catalog.TableNames(), expected);

    std::vector<Text> walked;
    for (auto pos = catalog.GetStartPosition(); pos != 0;)
        walked.push_back(catalog.GetNextTableName(pos));
    EXPECT_EQ(walked, expected);
    TableCatalog::Position done = 0;
    EXPECT_EQ(catalog.GetNextTableName(done), u"");

    // Both PLU and PLUX occur in the name; the walk meets PLU first.
    EXPECT_EQ(catalog.TableForFileName(u"plux01.csv"), Text(u"PLU"));
    EXPECT_EQ(catalog.TableForFileName(u"b_w.csv"), Text(u"B"));
    EXPECT_EQ(catalog.TableForFileName(u"zzz_r.csv"), Text(u"R"));
    EXPECT_EQ(catalog.TableForFileName(u"qqq.csw"), std::nullopt);
}

TEST(TableCatalogSelection, ExactTableNamesCaseFreeFields) {
    LoadedCatalog loaded(u"TABLE;PLU\nArticle;PLU\nart;plu\n");
    TableCatalog& catalog = loaded.catalog;
    EXPECT_FALSE(catalog.SelectTable(u"article"));
    EXPECT_FALSE(catalog.HasCurrentTable());
    EXPECT_EQ(catalog.TagOf(u"plu"), u"");

    EXPECT_TRUE(catalog.SelectTable(u"Article"));
    EXPECT_EQ(catalog.TagOf(u"pLu"), u"plu");
}

TEST(TableCatalogSamples, EveryDataFileSelectsItsTableAndHasTags) {
    TableCatalog catalog;
    catalog.Load(FromUtf8(DORVEX_SAMPLES_DIR "/table.csv"));
    const std::vector<Text> names = catalog.TableNames();
    ASSERT_GE(names.size(), 3u);
    for (const Text& name : names) {
        for (const Text& other : names) {
            if (&name == &other)
                continue;
            EXPECT_FALSE(Contains(ToUpper(other), ToUpper(name))) << ToUtf8(name);
        }
        for (const TableField& field : Fields(catalog, name)) {
            EXPECT_EQ(field.tag.size(), 3u) << ToUtf8(name) << " " << ToUtf8(field.name);
        }
    }
    std::size_t dataFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DORVEX_SAMPLES_DIR)) {
        const Text fileName = FromUtf8(entry.path().filename().string());
        if (fileName == u"table.csv" || !entry.is_regular_file())
            continue;
        ++dataFiles;
        std::optional<Text> table = catalog.TableForFileName(fileName);
        ASSERT_TRUE(table.has_value()) << ToUtf8(fileName);
        catalog.SelectTable(*table);
        DataFile file(FromUtf8(entry.path().string()));
        ASSERT_TRUE(file.Open()) << ToUtf8(fileName);
        for (const DataColumn& column : file.Columns()) {
            EXPECT_FALSE(catalog.TagOf(column.name).empty())
                << ToUtf8(fileName) << " " << ToUtf8(column.name);
        }
    }
    EXPECT_GE(dataFiles, 8u);
}

// A table.csv of many tables, each named T<i> with the fields K and V.
std::string ManyTables(int tables, int columns) {
    std::string text = "TABLE;K;V";
    for (int c = 3; c < columns; ++c)
        text += ";C" + std::to_string(c);
    text += "\r\n";
    for (int i = 0; i < tables; ++i) {
        const std::string n = std::to_string(i);
        text += "T" + n + ";K;V\r\nt" + n + ";k;v\r\n";
    }
    return text;
}

TEST(TableCatalogLimits, TenThousandTablesAreAllKept) {
    TableCatalog catalog;
    catalog.LoadBytes(ManyTables(10000, 3));
    ASSERT_EQ(catalog.TableCount(), 10000u);
    EXPECT_TRUE(catalog.LoadProblems().empty());
    ASSERT_TRUE(catalog.SelectTable(u"T9999"));
    EXPECT_EQ(catalog.TagOf(u"T9999"), u"t9999");
    EXPECT_EQ(catalog.TableForFileName(u"t4711_w.csv"), u"T4711");
}

TEST(TableCatalogLimits, AWideHeaderReservesNothingForShortTables) {
    // 10,000 columns, tables of two fields: each table holds its own fields, not 10,000 slots
    // (10,000 tables would otherwise take gigabytes).
    TableCatalog catalog;
    catalog.LoadBytes(ManyTables(200, 10000));
    ASSERT_EQ(catalog.TableCount(), 200u);
    for (const Text& name : catalog.TableNames()) {
        catalog.SelectTable(name);
        EXPECT_EQ(catalog.CurrentTable().size(), 3u);
        EXPECT_LE(catalog.CurrentTable().capacity(), 3u) << ToUtf8(name);
    }
}

TEST(TableCatalogLimits, TagsOfNoOrTooManyCharactersLeaveTheirTableOut) {
    const std::string longTag(300, 'x');
    const std::string maxTag(TableCatalog::kMaxTagLength, 'm');
    TableCatalog catalog;
    catalog.LoadBytes(
        "TABLE;A;B\r\n"
        "Good;A;B\r\ngod;aaa;" +
        maxTag +
        "\r\n"
        "NoTag;A;B\r\n;aaa;bbb\r\n"
        "Long;A;B\r\nlng;" +
        longTag +
        ";bbb\r\n"
        "Markup;A\r\nmrk;a>b\r\n"
        "Blank;A\r\n\"b k\";aaa\r\n"
        "Last;A\r\nlst;aaa\r\n");
    EXPECT_EQ(catalog.TableCount(), 2u);
    ASSERT_TRUE(catalog.SelectTable(u"Good"));
    EXPECT_EQ(catalog.TagOf(u"B"), FromUtf8(maxTag));
    EXPECT_TRUE(catalog.SelectTable(u"Last"));
    for (const Text name : {u"NoTag", u"Long", u"Markup", u"Blank"})
        EXPECT_FALSE(catalog.SelectTable(name)) << ToUtf8(name);
    EXPECT_EQ(catalog.LoadProblems(),
              (std::vector<Text>{u"table NoTag left out: it has no tag",
                                 u"table Long left out: the tag of A is longer than 32 characters",
                                 u"table Markup left out: the tag of A holds a blank, a control "
                                 u"character or one of < > & \" ' / =",
                                 u"table Blank left out: the tag of Blank holds a blank, a control "
                                 u"character or one of < > & \" ' / ="}));
}

TEST(TableCatalogLimits, ARefusedFileLeavesTheCatalogAsItWasAndSaysWhy) {
    TempDir dir;
    TableCatalog catalog;
    catalog.Load(dir.WriteNarrow("table.csv", test::kArticleTableCsv));
    ASSERT_EQ(catalog.TableCount(), 1u);
    const Text bad = dir.Write("bad.csv", "TABLE;A\r\nT;a\0\r\nttt;aaa\r\n"s);
    catalog.Load(bad);
    EXPECT_EQ(catalog.TableNames(), std::vector<Text>{u"Article"});
    EXPECT_EQ(catalog.LoadProblems(),
              std::vector<Text>{bad + u": line 2 holds a NUL character: it is no 8-bit text "
                                      u"(UTF-16 files are named .csw)"});
}

}  // namespace
}  // namespace dorvex
