#include "tables/record_cursor.h"

#include <gtest/gtest.h>

#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;

TEST(RecordCursor, CellsByNameAndPosition) {
    TempDir dir;
    for (bool wide : {false, true}) {
        const Text content = u"plu;name;price\r\n 12 ; \"a;b\" x ;  last  \r\n7\r\n1;2;3;4;5\r\n";
        DataFile file(wide ? dir.WriteWide("c.csw", content) : dir.WriteNarrow("c.csv", content));
        RecordCursor cursor;
        ASSERT_TRUE(cursor.Open(&file)) << wide;
        ASSERT_EQ(cursor.FieldCount(), 3);
        EXPECT_EQ(*cursor.GetFieldValue(u"Plu"), u"12");
        EXPECT_EQ(*cursor.GetFieldValue(u"NAME"), u"\"a;b\"x");
        EXPECT_EQ(cursor.FieldAt(2)->value, u"  last  ");
        EXPECT_EQ(cursor.FieldAt(2)->name, u"PRICE");
        EXPECT_EQ(cursor.GetFieldValue(u"missing"), nullptr);
        EXPECT_EQ(cursor.FieldAt(3), nullptr);

        ASSERT_TRUE(cursor.MoveNext());  // fewer cells: the rest are empty
        EXPECT_EQ(cursor.FieldAt(0)->value, u"7");
        EXPECT_EQ(cursor.FieldAt(1)->value, u"");
        EXPECT_EQ(cursor.FieldAt(2)->value, u"");

        ASSERT_TRUE(cursor.MoveNext());  // surplus cells are ignored
        EXPECT_EQ(cursor.FieldAt(2)->value, u"3");
        EXPECT_EQ(cursor.CurrentLine(), u"1;2;3;4;5");
    }
}

TEST(RecordCursor, EndOfFileClearsTheRecordAndStaysAsInAHeaderOnlyFile) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("e.csv", u"a;b\r\nx;y"));
    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    EXPECT_FALSE(cursor.IsEOF());
    EXPECT_FALSE(cursor.MoveNext());
    EXPECT_TRUE(cursor.IsEOF());
    EXPECT_EQ(cursor.FieldAt(0)->value, u"");
    EXPECT_EQ(cursor.CurrentLine(), u"");
    EXPECT_FALSE(cursor.MoveNext());
    EXPECT_TRUE(cursor.IsEOF());

    // Reopening starts again at the first record.
    ASSERT_TRUE(cursor.Open());
    EXPECT_EQ(cursor.FieldAt(1)->value, u"y");
    // A file of a header only has no record.
    DataFile header(dir.WriteWide("h.csw", u"plu;name\r\n\r\n' nothing\r\n"));
    ASSERT_TRUE(cursor.Open(&header));
    EXPECT_TRUE(cursor.IsEOF());
    EXPECT_EQ(cursor.FieldCount(), 2);
}

TEST(RecordCursor, RefusesWithoutAFileAndEndsWithItsFile) {
    TempDir dir;
    RecordCursor none;
    DataFile missing(dir.PathOf("missing.csv"));
    EXPECT_FALSE(none.Open(&missing));
    EXPECT_TRUE(none.IsEOF());
    EXPECT_FALSE(none.MoveNext());

    DataFile closed(dir.WriteNarrow("o.csv", u"a\n1\n"));
    RecordCursor cursor(&closed);
    ASSERT_TRUE(cursor.Open());

    // Closing the cursor leaves the file open; closing the file ends the cursor's records.
    cursor.Close();
    EXPECT_TRUE(closed.IsOpen());
    EXPECT_TRUE(cursor.IsEOF());
    RecordCursor again(&closed);
    ASSERT_TRUE(again.Open());
    closed.Close();
    EXPECT_TRUE(again.IsEOF());
    EXPECT_FALSE(again.MoveNext());
}

}  // namespace
}  // namespace dorvex
