#include <gtest/gtest.h>

#include "tables/field_condition.h"
#include "tables/record_cursor.h"
#include "tables/record_filter.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;

constexpr TextView kFruit = u"PLU;NAME\r\n50;pear\r\n150;Apple\r\n300;apple\r\n";

// The PLU cell of the record the cursor starts on with `filter`, or "end".
Text StartWith(DataFile& file, const Text& filter) {
    RecordCursor cursor;
    if (!cursor.Open(&file, &filter))
        return u"refused";
    return cursor.IsEOF() ? Text(u"end") : *cursor.GetFieldValue(u"plu");
}

TEST(FilterCursor, NumericWhenTheValueConvertsElseTextWithoutCase) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("fruit.csv", kFruit));
    EXPECT_EQ(StartWith(file, u"PLU >= 100"), u"150");
    EXPECT_EQ(StartWith(file, u"PLU < 100"), u"50");
    EXPECT_EQ(StartWith(file, u"  plu   >   150  "), u"300");
    EXPECT_EQ(StartWith(file, u"PLU <= 0100"), u"50");  // numbers, not texts
    EXPECT_EQ(StartWith(file, u"NAME = APPLE"), u"150");
    EXPECT_EQ(StartWith(file, u"NAME > b"), u"50");
    EXPECT_EQ(StartWith(file, u"NAME < b"), u"150");
    EXPECT_EQ(StartWith(file, u"PLU = 301"), u"end");
}

TEST(FilterCursor, UnknownOperatorIsEqualityAndBarMeansAnd) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("fruit.csv", kFruit));
    EXPECT_EQ(StartWith(file, u"PLU => 100"), u"end");
    EXPECT_EQ(StartWith(file, u"PLU => 300"), u"300");
    EXPECT_EQ(StartWith(file, u"PLU = 50 | NAME = apple"), u"end");
    EXPECT_EQ(StartWith(file, u"PLU > 100 | NAME = apple"), u"150");
    EXPECT_EQ(StartWith(file, u"PLU > 200 & NAME = APPLE"), u"300");
    EXPECT_EQ(StartWith(file, u"PLU > 100 &"), u"150");  // a trailing separator adds no term
}

TEST(FilterCursor, NumericTermNeverHoldsForEmptyOrTextCells) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("n.csv", u"PLU;NAME\r\n;a\r\nabc;b\r\n 5 ;c\r\n"));
    const std::pair<const char16_t*, const char16_t*> expected[] = {
        {u"<", u"end"}, {u"<=", u"5"}, {u"=", u"5"}, {u">=", u"5"}, {u">", u"end"}, {u"<>", u"5"}};
    for (auto [op, start] : expected)
        EXPECT_EQ(StartWith(file, Text(u"PLU ") + op + u" 5"), start) << ToUtf8(op);
    // A value that is no number compares as text: the empty cell is the smallest.
    EXPECT_EQ(StartWith(file, u"PLU < a"), u"");
}

TEST(FilterCursor, FirstMatchOnlyThenFileOrder) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("fruit.csv", kFruit));
    RecordCursor cursor;
    const Text filter = u"NAME = apple";
    ASSERT_TRUE(cursor.Open(&file, &filter));
    EXPECT_TRUE(cursor.AllConditionsHold());
    ASSERT_TRUE(cursor.MoveNext());
    EXPECT_EQ(*cursor.GetFieldValue(u"PLU"), u"300");
    ASSERT_TRUE(cursor.Open());  // the filter stays
    EXPECT_EQ(*cursor.GetFieldValue(u"PLU"), u"150");
    cursor.Close();
    ASSERT_TRUE(cursor.Open(&file));  // closing dropped it
    EXPECT_EQ(*cursor.GetFieldValue(u"PLU"), u"50");
}

TEST(FilterCursor, BadFiltersAreRefusedWithoutTerms) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("fruit.csv", kFruit));
    EXPECT_EQ(StartWith(file, u"PRICE = 1"), u"refused");
    EXPECT_EQ(StartWith(file, u"PLU = 1 && NAME = x"), u"refused");  // empty term
    EXPECT_EQ(StartWith(file, u"&"), u"refused");

    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    EXPECT_TRUE(cursor.SetFilter(u"PLU > 100").Ok());
    const Result unknown = cursor.SetFilter(u"PLU > 100 & PRICE < 2");
    EXPECT_EQ(
        ToUtf8(unknown.Reason()).rfind("the filter names \"PRICE\", which is not a column of ", 0),
        0u);
    EXPECT_FALSE(cursor.Filter()->HasConditions());
    // Asking again for the refused filter is refused again, not taken for the current one.
    EXPECT_FALSE(cursor.SetFilter(u"PLU > 100 & PRICE < 2").Ok());
    EXPECT_TRUE(cursor.FindFirst());  // no term: the first record
    EXPECT_EQ(*cursor.GetFieldValue(u"PLU"), u"50");
}

}  // namespace
}  // namespace dorvex
