#include <gtest/gtest.h>

#include "tables/column_index_test_files.h"

namespace dorvex {
namespace {

using test::Found;
using test::SearchFor;
using test::TempDir;

TEST(ColumnIndexOrder, SearchReportsWhereTheKeyIsOrWouldGo) {
    TempDir dir;
    DataFile file(
        dir.WriteNarrow("s.csv", u"N;K\r\n1;delta\r\n2;Bravo\r\n3;charlie\r\n4;BRAVO\r\n"));
    ColumnIndex index;
    test::ShownErrors shown;
    ASSERT_TRUE(index.Build(&file, 1, ColumnType::Text));
    // Ordered bravo (14, the first in the file), charlie (23), delta (5).
    EXPECT_EQ(SearchFor(index, u"bravo"), (Found{0, 0, 14}));
    EXPECT_EQ(SearchFor(index, u"alpha"), (Found{-1, 0, 14}));
    EXPECT_EQ(SearchFor(index, u"echo"), (Found{1, 2, 5}));
    EXPECT_EQ(index.LastPosition(), 2);
    EXPECT_EQ(index.Search(u"bravo", nullptr), -2);
    std::int32_t inserted = -1;
    EXPECT_FALSE(index.Insert(u"CHARLIE", &inserted, 0));
    EXPECT_EQ(index.Count(), 3u);
}

TEST(ColumnIndexOrder, TypedComparison) {
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Text, u"10", u"9"), -1);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Int32, u"10", u"9"), 1);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Int16, u"2.5", u"2"), 0);     // half to even
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Int16, u"40000", u"1"), -1);  // no 16-bit number
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Double, u"abc", u"-1e9"), -1);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Double, u"ABC", u"abc"), 0);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Single, u"0.1", u"0.100000001"), 0);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Date, u"2/1/2024", u"31/12/2023 23:59"), 1);
    EXPECT_EQ(ColumnIndex::CompareAs(ColumnType::Date, u"2024-01-02", u"02.01.2024"), 0);
    EXPECT_EQ(ColumnIndex::CompareAs(static_cast<ColumnType>(6), u"a", u"a"), -2);
}

}  // namespace
}  // namespace dorvex
