// Reading a column index file from arbitrary bytes against a fixed data file (8-bit or UTF-16
// by the first byte): opening it, searching and inserting keys, and a filtered cursor that
// answers its term through the index or, when the index is refused, by scanning. A refused
// index must leave the file as it was; an accepted one must only point into the data file.
//
// The first byte chooses: bit 0 the encoding, bits 1-2 the column (0 to 2), bits 3-5 one of
// five filters or none. The data file is read from memory; index files live on disk (set
// TMPDIR=/dev/shm to keep them in memory) and are removed after every input, so that each input
// runs alone.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

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

// The directory of this process's files, removed at exit.
class ScratchDir {
  public:
    ScratchDir()
        : path_(std::filesystem::temp_directory_path() /
                ("dorvex-fuzz-index-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

void WriteFile(const std::string& path, const std::string& bytes) {
    FileHandle out(std::fopen(path.c_str(), "wb"));
    Check(out != nullptr);
    Check(std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size());
}

std::string ReadFile(const std::string& path) {
    FileHandle in(std::fopen(path.c_str(), "rb"));
    std::string bytes;
    char chunk[4096];
    for (std::size_t got; in && (got = std::fread(chunk, 1, sizeof chunk, in.get())) > 0;)
        bytes.append(chunk, got);
    return bytes;
}

// The data file: its bytes are read from memory, but it exists on disk as well, written once
// and dated an hour back, because an index is checked against the data file's date and lies
// beside it.
struct DataFixture {
    std::string bytes;
    dorvex::Text path;
    std::string indexPaths[3];
};

const DataFixture& Fixture(bool wide) {
    static const ScratchDir dir;
    static const auto make = [](bool isWide) {
        DataFixture fixture;
        const auto path = dir.Path() / (isWide ? "plu.csw" : "plu.csv");
        fixture.bytes =
            isWide ? "\xFF\xFE" + dorvex::ToUtf16LeBytes(kRecords) : dorvex::ToUtf8(kRecords);
        WriteFile(path.string(), fixture.bytes);
        std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
        fixture.path = dorvex::FromUtf8(path.string());
        for (int column = 0; column < 3; ++column) {
            fixture.indexPaths[column] =
                dorvex::ToUtf8(dorvex::ColumnIndex::FileNameFor(fixture.path, column));
        }
        return fixture;
    };
    static const DataFixture narrow = make(false);
    static const DataFixture wideFile = make(true);
    return wide ? wideFile : narrow;
}

void CheckIndex(dorvex::DataFile& file, int column, const std::string& indexPath,
                const std::string& bytes) {
    dorvex::ColumnIndex index;
    if (!index.Open(&file, column)) {
        Check(!index.IsOpen());
        Check(ReadFile(indexPath) == bytes);
        return;
    }
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool wide = (data[0] & 1) != 0;
    const int column = ((data[0] >> 1) & 3) % 3;
    const int filterChoice = (data[0] >> 3) & 7;
    const DataFixture& fixture = Fixture(wide);
    dorvex::DataFile file;
    Check(file.OpenBytes(fixture.bytes, fixture.path));
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string& indexPath = fixture.indexPaths[column];
    WriteFile(indexPath, bytes);

    CheckIndex(file, column, indexPath, bytes);

    static const dorvex::Text kFilters[] = {u"PLU = 3", u"NAME = fig", u"NAME = ap;ple",
                                            u"PRICE = 1000", u"NAME = nothing & PLU > 0"};
    if (filterChoice < 5) {
        dorvex::RecordCursor cursor;
        Check(cursor.Open(&file, &kFilters[filterChoice]));
        Check(cursor.IsEOF() || cursor.AllConditionsHold());
    }
    std::remove(indexPath.c_str());
    return 0;
}
