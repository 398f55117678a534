// The set-up of the column index tests: index files made by hand, placed beside a data file and
// dated against it, and the two ways of making an index (inserting record by record, building).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "link/shown_errors.h"
#include "platform/path.h"
#include "platform/text.h"
#include "tables/column_index.h"
#include "tables/record_cursor.h"
#include "tables/table_test_files.h"

namespace dorvex::test {

inline void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The bytes of an index file with the given header fields and entries.
inline std::string IndexBytes(std::uint16_t version, std::uint32_t count, std::uint16_t type,
                              TextView name, const std::vector<std::uint32_t>& offsets) {
    std::string out;
    AppendLittleEndian(out, version, 2);
    AppendLittleEndian(out, count, 4);
    AppendLittleEndian(out, type, 2);
    AppendLittleEndian(out, static_cast<std::uint32_t>(name.size()), 2);
    for (char16_t unit : name)
        AppendLittleEndian(out, unit, 2);
    for (std::uint32_t offset : offsets)
        AppendLittleEndian(out, offset, 4);
    return out;
}

inline std::string FileBytes(TextView path) {
    std::ifstream in(FileSystemPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Moves the modification time of `path` by `seconds` from that of `reference`.
inline void SetTimeFrom(TextView path, TextView reference, int seconds) {
    auto time = std::filesystem::last_write_time(FileSystemPath(reference));
    std::filesystem::last_write_time(FileSystemPath(path), time + std::chrono::seconds(seconds));
}

// Writes `bytes` as the index file of `column` of the data file `dataPath`, dated `seconds`
// after it (current; older than the data when negative), and returns its path.
inline Text PlaceIndex(TextView dataPath, int column, const std::string& bytes, int seconds = 10) {
    const Text path = ColumnIndex::FileNameFor(dataPath, column);
    std::ofstream(FileSystemPath(path), std::ios::binary | std::ios::trunc) << bytes;
    SetTimeFrom(path, dataPath, seconds);
    return path;
}

// What a search answers: its result, the position and the offset of the record last compared.
struct Found {
    int result = -2;
    std::int32_t position = -1;
    std::int64_t filePos = -1;
    bool operator==(const Found&) const = default;
};

inline void PrintTo(const Found& found, std::ostream* out) {
    *out << "{" << found.result << ", " << found.position << ", " << found.filePos << "}";
}

inline Found SearchFor(ColumnIndex& index, TextView key) {
    Found found;
    found.result = index.Search(key, &found.position, &found.filePos);
    return found;
}

struct Indexed {
    std::vector<std::uint32_t> entries;
    std::vector<std::string> refused;  // the messages for duplicate keys, in file order
};

// The index made by inserting every record in file order into an empty index file, checking
// that each insertion keeps every entry there was, in its order.
inline Indexed InsertedOneByOne(DataFile& file, int column, ColumnType type) {
    if (Result opened = file.IsOpen() ? Result() : file.Open(); !opened) {
        ADD_FAILURE() << ToUtf8(file.Path()) << ": " << ToUtf8(opened.Reason());
        return {};
    }
    PlaceIndex(file.Path(), column,
               IndexBytes(4, 0, static_cast<std::uint16_t>(type), file.ColumnAt(column)->name, {}));
    Indexed result;
    ColumnIndex index;
    EXPECT_TRUE(index.Open(&file, column));
    RecordCursor cursor;
    for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext()) {
        const Text& key = cursor.FieldAt(column)->value;
        const std::vector<std::uint32_t> before = index.Entries();
        const auto offset = static_cast<std::uint32_t>(cursor.CurrentRowPos());
        std::int32_t position = -1;
        if (!index.Insert(key, &position, offset)) {
            result.refused.push_back("An entry for " + ToUtf8(key) + " already exists !!!");
            continue;
        }
        std::vector<std::uint32_t> after = index.Entries();
        EXPECT_EQ(after[position], offset);
        after.erase(after.begin() + position);
        EXPECT_EQ(after, before);
        EXPECT_EQ(index.Capacity(), (index.Count() + 99) / 100 * 100);
    }
    result.entries = index.Entries();
    return result;  // closing writes the index
}

inline Indexed Built(DataFile& file, int column, ColumnType type) {
    ShownErrors shown;
    ColumnIndex index;
    EXPECT_TRUE(index.Build(&file, column, type));
    EXPECT_EQ(index.Capacity(), (index.Count() / 100 + 1) * 100);
    return {index.Entries(), shown.Texts()};
}

}  // namespace dorvex::test
