#include <gtest/gtest.h>

#include <memory>

#include "tables/column_index_test_files.h"
#include "tables/record_filter.h"

namespace dorvex {
namespace {

using test::FileBytes;
using test::IndexBytes;
using test::PlaceIndex;
using test::TempDir;

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
    void UseIndex(int column, const std::string& bytes) { PlaceIndex(data_, column, bytes); }
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
    const Text indexPath = PlaceIndex(data_, 0, IndexBytes(4, 1, 0, u"PLU", {10}), -10);
    EXPECT_EQ(StartWith(file_, u"PLU = 4"), u"4");
    EXPECT_EQ(FileBytes(indexPath), IndexBytes(4, 5, 0, u"PLU", {51, 10, 18, 27, 36}));
}

// An index given to the filter answers instead of the file beside the data, and so does none.
TEST_F(FilterIndex, AnIndexGivenToTheFilterReplacesTheFile) {
    UseIndex(1, IndexBytes(4, 3, 0, u"NAME", {27, 51, 10}));  // the second apple
    const std::string dataBytes = ToUtf8(kFruit);
    DataFile file;
    ASSERT_TRUE(file.OpenBytes(dataBytes, data_));
    RecordCursor cursor;
    ASSERT_TRUE(cursor.Open(&file));
    RecordFilter filter(cursor);
    auto inMemory = std::make_unique<ColumnIndex>();
    // Only the first apple, and the fig that the file lacks.
    ASSERT_TRUE(inMemory->OpenBytes(&file, 1, IndexBytes(4, 2, 0, u"NAME", {18, 36}), dataBytes));
    filter.UseIndex(1, std::move(inMemory));
    const Text term = u"NAME = apple";
    ASSERT_TRUE(filter.SetFilter(term).Ok());
    ASSERT_TRUE(filter.FindFirst());
    EXPECT_EQ(*cursor.GetFieldValue(u"plu"), u"2");
    // The same term again, now without an index: scanned.
    filter.UseIndex(1, nullptr);
    ASSERT_TRUE(filter.SetFilter(term).Ok());
    ASSERT_TRUE(filter.FindFirst());
    EXPECT_EQ(*cursor.GetFieldValue(u"plu"), u"2");
    ASSERT_TRUE(filter.SetFilter(u"NAME = fig").Ok());
    ASSERT_TRUE(filter.FindFirst());
    EXPECT_EQ(*cursor.GetFieldValue(u"plu"), u"4");
    EXPECT_EQ(filter.Conditions().front().Index(), nullptr);
}

}  // namespace
}  // namespace dorvex
