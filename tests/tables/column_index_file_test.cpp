#include <gtest/gtest.h>

#include <filesystem>

#include "tables/column_index_test_files.h"

namespace dorvex {
namespace {

using test::FileBytes;
using test::IndexBytes;
using test::PlaceIndex;
using test::SetTimeFrom;
using test::TempDir;

// Record offsets: the header line is 10 bytes, every record 8; 42 bytes in all.
constexpr TextView kPlu = u"PLU;NAME\r\nb;0002\r\nA;0003\r\nB;0004\r\nc;0005\r\n";
constexpr std::uint32_t kRow[] = {10, 18, 26, 34};

TEST(ColumnIndexFile, NameCutAtTheFirstDotOfTheFileItself) {
    EXPECT_EQ(ColumnIndex::FileNameFor(u"/data/my.dir/PLU.CSV", 0), u"/data/my.dir/PLU.i00");
    EXPECT_EQ(ColumnIndex::FileNameFor(u"./plu.tar.csv", 12), u"./plu.i12");
    EXPECT_EQ(ColumnIndex::FileNameFor(u"../x/PLU", 3), u"../x/PLU.i03");
    EXPECT_EQ(ColumnIndex::FileNameFor(u"p.csv", 100), u"p.i100");
}

TEST(ColumnIndexFile, BuildWritesTheLayoutAndReportsDuplicatesInFileOrder) {
    TempDir dir;
    DataFile file(dir.WriteNarrow("plu.csv", kPlu));
    test::ShownErrors shown;
    ColumnIndex index;
    ASSERT_TRUE(index.Build(&file, 0, ColumnType::Text));
    // b, A, B (same as b), c: the later B stays out; order A, b, c.
    EXPECT_EQ(FileBytes(dir.PathOf("plu.i00")),
              IndexBytes(4, 3, 0, u"PLU", {kRow[1], kRow[0], kRow[3]}));
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"An entry for B already exists !!!"});

    ColumnIndex numbers;
    ASSERT_TRUE(numbers.Build(&file, 1, ColumnType::Int32));
    EXPECT_EQ(FileBytes(dir.PathOf("plu.i01")),
              IndexBytes(4, 4, 2, u"NAME", {kRow[0], kRow[1], kRow[2], kRow[3]}));
    EXPECT_FALSE(numbers.Build(&file, 2, ColumnType::Text));
    EXPECT_FALSE(std::filesystem::exists(FileSystemPath(dir.PathOf("plu.i02"))));
}

// Each read from the file and from memory alike.
TEST(ColumnIndexFile, OpensOnlyExistingValidIndexesOfTheColumn) {
    TempDir dir;
    const Text data = dir.WriteNarrow("plu.csv", kPlu);
    const std::string dataBytes = ToUtf8(kPlu);
    DataFile file(data);
    ColumnIndex index;
    EXPECT_FALSE(index.Open(&file, 0));
    EXPECT_FALSE(std::filesystem::exists(FileSystemPath(dir.PathOf("plu.i00"))));  // not made

    const std::string valid = IndexBytes(4, 3, 0, u"plu", {kRow[1], kRow[0], kRow[3]});
    const std::string bad[] = {
        IndexBytes(3, 3, 0, u"PLU", {kRow[1], kRow[0], kRow[3]}),   // other version
        IndexBytes(4, 3, 0, u"NAME", {kRow[1], kRow[0], kRow[3]}),  // other column
        IndexBytes(4, 4, 0, u"PLU", {kRow[1], kRow[0], kRow[3]}),   // count beyond the file
        IndexBytes(4, 3, 9, u"PLU", {kRow[1], kRow[0], kRow[3]}),   // unknown type
        IndexBytes(4, 2, 0, u"PLU", {kRow[1], 42}),                 // past the data file's end
        IndexBytes(4, 1, 0, u"PLU", {3}),                           // inside the header line
        valid.substr(0, 9),                                         // truncated header
        valid.substr(0, 13),                                        // truncated name
        IndexBytes(0xFFFF, 0xFFFFFFFF, 0xFFFF, u"", {}),
        IndexBytes(4, 0, 0, u"", {}).replace(8, 2, "\xFF\xFF"),  // negative name length
    };
    for (const std::string& bytes : bad) {
        const Text indexPath = PlaceIndex(data, 0, bytes);
        EXPECT_FALSE(index.Open(&file, 0)) << testing::PrintToString(bytes);
        EXPECT_EQ(FileBytes(indexPath), bytes);  // left as it was
        EXPECT_FALSE(index.OpenBytes(&file, 0, bytes, dataBytes));
        EXPECT_FALSE(index.IsOpen());
    }
    PlaceIndex(data, 0, valid);
    ASSERT_TRUE(index.Open(&file, 0));
    EXPECT_EQ(index.Count(), 3u);
    EXPECT_EQ(index.Capacity(), 100u);
    ColumnIndex inMemory;
    ASSERT_TRUE(inMemory.OpenBytes(&file, 0, valid, dataBytes));
    EXPECT_EQ(inMemory.Entries(), index.Entries());
    EXPECT_EQ(inMemory.Capacity(), 100u);
}

// Searches probe the bytes given, and writing keeps the index in memory: the file beside the
// data stays as it was.
TEST(ColumnIndexFile, AnIndexReadFromMemoryIsWrittenToMemory) {
    TempDir dir;
    const Text data = dir.WriteNarrow("plu.csv", kPlu);
    const std::string valid = IndexBytes(4, 3, 0, u"PLU", {kRow[1], kRow[0], kRow[3]});
    const Text indexPath = PlaceIndex(data, 0, valid);
    // Other records at the same places: what a search finds comes from these bytes.
    const std::string dataBytes = ToUtf8(u"PLU;NAME\r\nm;0002\r\nd;0003\r\nq;0004\r\nx;0005\r\n");
    DataFile file;
    ASSERT_TRUE(file.OpenBytes(dataBytes, data));
    ColumnIndex index;
    ASSERT_TRUE(index.OpenBytes(&file, 0, valid, dataBytes));
    EXPECT_EQ(test::SearchFor(index, u"M"), (test::Found{0, 1, kRow[0]}));
    EXPECT_NE(test::SearchFor(index, u"b").result, 0);  // a key of the file on disk
    std::int32_t position = -1;
    EXPECT_TRUE(index.Insert(u"q", &position, kRow[2]));
    EXPECT_EQ(position, 2);
    index.Close();
    EXPECT_EQ(index.InMemoryFile(),
              IndexBytes(4, 4, 0, u"PLU", {kRow[1], kRow[0], kRow[2], kRow[3]}));
    EXPECT_EQ(FileBytes(indexPath), valid);
    // Data bytes that are not the data file's are refused.
    EXPECT_FALSE(index.OpenBytes(&file, 0, valid, std::string_view(dataBytes).substr(1)));
}

TEST(ColumnIndexFile, AnIndexOlderThanTheDataIsRebuiltWithItsType) {
    TempDir dir;
    const Text data = dir.WriteNarrow("p.csv", u"A;B\r\n10;x\r\n9;y\r\n");
    DataFile file(data);
    const Text indexPath = dir.PathOf("p.i00");
    {
        ColumnIndex index;
        ASSERT_TRUE(index.Build(&file, 0, ColumnType::Double));
        EXPECT_EQ(index.Entries(), (std::vector<std::uint32_t>{11, 5}));
    }
    file.Close();
    dir.WriteNarrow("p.csv", u"A;B\r\n10;x\r\n9;y\r\n100;z\r\n");
    SetTimeFrom(data, indexPath, 10);
    ColumnIndex index;
    ASSERT_TRUE(index.Open(&file, 0));  // asked for a text index: the stored type wins
    EXPECT_EQ(index.Type(), ColumnType::Double);
    EXPECT_EQ(index.Entries(), (std::vector<std::uint32_t>{11, 5, 16}));
    EXPECT_EQ(FileBytes(indexPath), IndexBytes(4, 3, 4, u"A", {11, 5, 16}));
}

TEST(ColumnIndexFile, ADataFileOver4GiBIsNotIndexed) {
    TempDir dir;
    const Text data = dir.WriteNarrow("big.csv", u"A;B\r\n1;2\r\n");
    std::error_code error;
    std::filesystem::resize_file(FileSystemPath(data), (std::uintmax_t{1} << 32) + 16, error);
    if (error)
        GTEST_SKIP() << "no sparse file here: " << error.message();
    DataFile file(data);
    ColumnIndex index;
    EXPECT_FALSE(index.Build(&file, 0, ColumnType::Text));
    EXPECT_FALSE(std::filesystem::exists(FileSystemPath(dir.PathOf("big.i00"))));
    PlaceIndex(data, 0, IndexBytes(4, 1, 0, u"A", {5}));
    EXPECT_FALSE(index.Open(&file, 0));
}

}  // namespace
}  // namespace dorvex
