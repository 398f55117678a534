#include <gtest/gtest.h>

#include "link/shown_errors.h"
#include "tables/column_index.h"
#include "tables/column_index_test_files.h"
#include "tables/record_cursor.h"
#include "tables/record_filter.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::FileBytes;
using test::IndexBytes;
using test::SetTimeFrom;
using test::TempDir;
using test::WriteBytes;

// Records at 10, 18, 27, 36 and 51; the comment line at 43 is no record.
constexpr TextView kFruit =
    u"PLU;NAME\r\n1;pear\r\n2;apple\r\n3;Apple\r\n4;fig\r\n' note\r\n0100;kiwi\r\n";

Text StartWith(DataFile& file, const Text& filter) {
    RecordCursor cursor;
    if (!cursor.Open(&file, &filter))
        return u"refused";
    return cursor.IsEOF() ? Text(u"end") : *cursor.GetFieldValue(u"plu");
}

class FilterIndex : public testing::Test {
  protected:
    void UseIndex(int column, const std::string& bytes) {
        const Text path = ColumnIndex::FileNameFor(data_, column);
        WriteBytes(path, bytes);
        SetTimeFrom(path, data_, 10);
    }
    TempDir dir_;
    Text data_ = dir_.WriteNarrow("fruit.csv", kFruit);
    DataFile file_{data_};
};

TEST_F(FilterIndex, EqualityIsFoundThroughTheIndex) {
    // A hand-made index that only knows the second apple and no fig: what it answers shows.
    UseIndex(1, IndexBytes(4, 3, 0, u"NAME", {27, 51, 10}));
    EXPECT_EQ(StartWith(file_, u"NAME = apple"), u"3");
    EXPECT_EQ(StartWith(file_, u"NAME = fig"), u"end");
    // Terms the index cannot answer as a scan would are scanned.
    EXPECT_EQ(StartWith(file_, u"NAME < b"), u"2");
    EXPECT_EQ(StartWith(file_, u"PLU = 4 & NAME <= fig"), u"4");
}

TEST_F(FilterIndex, ABuiltIndexGivesWhatAScanGives) {
    {
        test::ShownErrors shown;
        ColumnIndex index;
        ASSERT_TRUE(index.Build(&file_, 1, ColumnType::Text));
        ASSERT_TRUE(index.Build(&file_, 0, ColumnType::Text));
        EXPECT_EQ(shown.Texts(), std::vector<std::string>{"An entry for Apple already exists !!!"});
    }
    EXPECT_EQ(StartWith(file_, u"NAME = APPLE"), u"2");
    EXPECT_EQ(StartWith(file_, u"NAME = apple & PLU = 3"), u"3");  // the duplicate, by scanning on
    EXPECT_EQ(StartWith(file_, u"NAME = kiwi"), u"0100");
    EXPECT_EQ(StartWith(file_, u"NAME = plum"), u"end");
    // A number compared with a text index: 0100 equals 100 as a number, not as a text.
    EXPECT_EQ(StartWith(file_, u"PLU = 100"), u"0100");
}

TEST_F(FilterIndex, UnreadableEntriesFallBackToScanning) {
    UseIndex(1, IndexBytes(4, 2, 0, u"NAME", {18, 43}));  // 43 is the comment line
    EXPECT_EQ(StartWith(file_, u"NAME = kiwi"), u"0100");
    EXPECT_EQ(StartWith(file_, u"NAME = fig"), u"4");
}

TEST_F(FilterIndex, AStaleIndexIsRebuiltWhenTheFilterOpensIt) {
    const Text indexPath = ColumnIndex::FileNameFor(data_, 0);
    UseIndex(0, IndexBytes(4, 1, 0, u"PLU", {10}));
    SetTimeFrom(indexPath, data_, -10);
    EXPECT_EQ(StartWith(file_, u"PLU = 4"), u"4");
    EXPECT_EQ(FileBytes(indexPath), IndexBytes(4, 5, 0, u"PLU", {51, 10, 18, 27, 36}));
}

}  // namespace
}  // namespace dorvex
