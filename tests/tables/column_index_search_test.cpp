// Building and searching column indexes whose keys are long, share long beginnings, differ only
// in letter case beyond ASCII, or are numbers written in several ways; and records that a
// search has to read beyond its first probe.
#include <gtest/gtest.h>

#include <random>

#include "tables/column_index_test_files.h"

namespace dorvex {
namespace {

using test::Built;
using test::Found;
using test::Indexed;
using test::InsertedOneByOne;
using test::SearchFor;
using test::TempDir;

// Keys around the eight units that a sort key holds in place: shorter, equal, longer, sharing
// that beginning, in both letter cases, with letters beyond ASCII whose cases pair up.
Text AwkwardKeys(int rows) {
    const TextView stems[] = {u"abcdefg", u"abcdefgh", u"abcdefghi", u"ABCDEFGHIJ", u"abcdefgh~",
                              u"Élan",    u"élan",     u"Ÿvette",    u"ÿvette",     u"ÿvettez",
                              u"zz",      u"€uro",     u"a b",       u"",           u"Ā-ā"};
    std::mt19937 random(5);
    Text content = u"ROW;KEY\r\n";
    for (int row = 0; row < rows; ++row) {
        Text key(stems[random() % std::size(stems)]);
        if (random() % 3 == 0)
            key += NumberText(random() % 20);
        content += NumberText(row) + u";" + key + u"\r\n";
    }
    return content;
}

TEST(ColumnIndexSearch, AwkwardTextKeysBuildAsInsertingThemWouldInBothEncodings) {
    TempDir dir;
    for (bool wide : {false, true}) {
        const Text content = AwkwardKeys(400);
        DataFile file(wide ? dir.WriteWide("keys.csw", content)
                           : dir.WriteNarrow("keys.csv", content));
        const Text indexPath = dir.PathOf("keys.i01");
        const Indexed inserted = InsertedOneByOne(file, 1, ColumnType::Text);
        const std::string insertedFile = test::FileBytes(indexPath);
        const Indexed built = Built(file, 1, ColumnType::Text);
        ASSERT_GT(inserted.refused.size(), 100u);
        EXPECT_EQ(built.entries, inserted.entries) << (wide ? "UTF-16" : "8-bit");
        EXPECT_EQ(test::FileBytes(indexPath), insertedFile);
        EXPECT_EQ(built.refused, inserted.refused) << (wide ? "UTF-16" : "8-bit");

        // Every kept record is found at its place, whatever the letter case asked for.
        ColumnIndex index;
        ASSERT_TRUE(index.Open(&file, 1));
        RecordCursor cursor;
        ASSERT_TRUE(cursor.Open(&file));
        for (std::size_t i = 0; i < built.entries.size(); ++i) {
            ASSERT_TRUE(cursor.ReadRecordAt(built.entries[i]));
            const Text key = ToUpper(cursor.FieldAt(1)->value);
            EXPECT_EQ(SearchFor(index, key), (Found{0, static_cast<int>(i), built.entries[i]}))
                << ToUtf8(key);
        }
        const auto last = static_cast<int>(built.entries.size()) - 1;
        EXPECT_EQ(SearchFor(index, u"\uFFFF"), (Found{1, last, built.entries.back()}));
    }
}

TEST(ColumnIndexSearch, NumbersWrittenInSeveralWaysAreOneKey) {
    TempDir dir;
    DataFile file(dir.WriteNarrow(
        "n.csv",
        u"ROW;N\r\n1;0\r\n2;-0\r\n3;1e3\r\n4;1000\r\n5;-2.5\r\n6;abc\r\n7;ABC\r\n8;7\r\n"));
    const Indexed inserted = InsertedOneByOne(file, 1, ColumnType::Double);
    const Indexed built = Built(file, 1, ColumnType::Double);
    EXPECT_EQ(built.refused, (std::vector<std::string>{"An entry for -0 already exists !!!",
                                                       "An entry for 1000 already exists !!!",
                                                       "An entry for ABC already exists !!!"}));
    EXPECT_EQ(built.refused, inserted.refused);
    // Texts first, then numbers in ascending order.
    EXPECT_EQ(built.entries, (std::vector<std::uint32_t>{41, 33, 7, 55, 18}));
    EXPECT_EQ(built.entries, inserted.entries);
}

TEST(ColumnIndexSearch, RecordsLongerThanOneProbeAreReadWhole) {
    TempDir dir;
    const Text filler(3000, u'x');
    Text content = u"FILL;KEY\r\n";
    for (int row = 9; row >= 0; --row)
        content += filler + NumberText(row) + u";key" + NumberText(row) + u"\r\n";
    content += u"y;last";  // no line end
    for (bool wide : {false, true}) {
        DataFile file(wide ? dir.WriteWide("long.csw", content)
                           : dir.WriteNarrow("long.csv", content));
        ColumnIndex index;
        ASSERT_TRUE(index.Build(&file, 1, ColumnType::Text));
        ASSERT_EQ(index.Count(), 11u);
        for (TextView key : {u"key0", u"KEY9", u"last"}) {
            const Found found = SearchFor(index, key);
            ASSERT_EQ(found.result, 0) << ToUtf8(key);
            RecordCursor cursor;
            ASSERT_TRUE(cursor.Open(&file));
            ASSERT_TRUE(cursor.ReadRecordAt(found.filePos));
            EXPECT_TRUE(EqualsNoCase(cursor.FieldAt(1)->value, key));
        }
    }
}

// A record without the indexed cell has the empty key, as the record cursor reads it, and not
// the value of its last cell.
TEST(ColumnIndexSearch, ARecordWithoutTheCellHasTheEmptyKey) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("short.csv", u"A;B\r\n1;x\r\n2\r\n3;\r\n"));
    test::ShownErrors shown;
    ColumnIndex index;
    ASSERT_TRUE(index.Build(&file, 1, ColumnType::Text));
    EXPECT_EQ(index.Entries(), (std::vector<std::uint32_t>{10, 5}));
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"An entry for  already exists !!!"});
    EXPECT_EQ(SearchFor(index, u""), (Found{0, 0, 10}));
    EXPECT_NE(SearchFor(index, u"2").result, 0);
}

}  // namespace
}  // namespace dorvex
