// Reading a column index file from arbitrary bytes against a fixed data file (8-bit or UTF-16
// by the first byte): opening it, searching and inserting keys, and a filtered cursor that
// answers its term through the index or, when the index is refused, by scanning. A refused
// index must leave the file as it was; an accepted one must only point into the data file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/text.h"
#include "tables/column_index.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

const char16_t kRecords[] =
    u"PLU;NAME;PRICE\r\n1;pear;2.5\r\n2;\"ap;ple\";3\r\n' comment\r\n3;fig;\r\n\r\n4;Kiwi;1e3\r\n";

std::filesystem::path ScratchDir() {
    static const std::filesystem::path dir = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("dorvex-fuzz-index-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return dir;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The data file, written once and dated an hour back so that every index is newer.
std::filesystem::path DataFilePath(bool wide) {
    static const auto make = [](bool isWide) {
        auto path = ScratchDir() / (isWide ? "plu.csw" : "plu.csv");
        std::string bytes =
            isWide ? "\xFF\xFE" + dorvex::ToUtf16LeBytes(kRecords) : dorvex::ToUtf8(kRecords);
        WriteFile(path, bytes);
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        return path;
    };
    static const std::filesystem::path narrow = make(false);
    static const std::filesystem::path wideFile = make(true);
    return wide ? wideFile : narrow;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const int column = (data[0] >> 1) % 3;
    dorvex::DataFile file(dorvex::FromUtf8(DataFilePath(wide).string()));
    Check(file.Open());
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto indexPath = std::filesystem::path(
        dorvex::ToUtf8(dorvex::ColumnIndex::FileNameFor(file.Path(), column)));
    WriteFile(indexPath, bytes);

    {
        dorvex::ColumnIndex index;
        if (!index.Open(&file, column)) {
            Check(!index.IsOpen());
            Check(ReadFile(indexPath) == bytes);
        } else {
            Check(index.Count() <= (bytes.size() - 10) / 4);
            Check(index.Capacity() % 100 == 0 && index.Capacity() > index.Count());
            for (std::uint32_t offset : index.Entries())
                Check(offset >= file.FirstRowPos() && offset < file.Size());
            std::int32_t position = -1;
            std::int64_t filePos = -1;
            for (const char16_t* key : {u"", u"fig", u"ap;ple", u"zzz", u"2.5"}) {
                int c = index.Search(key, &position, &filePos);
                Check(c >= -2 && c <= 1);
                Check(c == -2 || (position >= 0 && position <= static_cast<int>(index.Count())));
            }
            index.Insert(u"new", &position, static_cast<std::uint32_t>(file.FirstRowPos()));
        }
    }

    static const dorvex::Text kFilters[] = {u"PLU = 3", u"NAME = fig", u"NAME = ap;ple",
                                            u"PRICE = 1000", u"NAME = nothing & PLU > 0"};
    dorvex::RecordCursor cursor;
    const dorvex::Text& filter = kFilters[size % 5];
    Check(cursor.Open(&file, &filter));
    Check(cursor.IsEOF() || cursor.AllConditionsHold());
    return 0;
}
