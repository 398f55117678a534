// A column index file: the record offsets of a data file ordered by the key in one column, so
// that a key is found by a binary search over the records instead of a scan.
//
// File layout (little-endian, no gaps):
//   0       2      format version, 4
//   2       4      entry count (unsigned)
//   6       2      ColumnType of the key
//   8       2      n, length of the column name in UTF-16 units (0 to 255)
//   10      2n     the column name, UTF-16, upper case, no terminator
//   10+2n   4*cnt  offsets of the records' lines in the data file, in ascending key order
//
// The index of column c of DIR/PLU.CSV is DIR/PLU.i0c ("%s.i%02d" with the file's own name cut
// at its first "."). Offsets are 32 bits wide, so data files over 4 GiB are never indexed. A
// record whose key equals an earlier record's key stays out of the index.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/random_access_file.h"
#include "platform/result.h"
#include "platform/text.h"
#include "tables/data_file.h"

namespace dorvex {

enum class ColumnType : std::int16_t {
    Text = 0,    // without regard to letter case
    Int16 = 1,   // 16-bit signed integer
    Int32 = 2,   // 32-bit signed integer
    Single = 3,  // single-precision floating point
    Double = 4,  // double-precision floating point
    Date = 5,    // date and time as a day count
};

class ColumnIndex {
  public:
    static constexpr std::uint16_t kFormatVersion = 4;
    static constexpr std::uint32_t kCapacityStep = 100;
    static constexpr int kMaxNameLength = 255;

    ColumnIndex() = default;
    ~ColumnIndex();
    ColumnIndex(const ColumnIndex&) = delete;
    ColumnIndex& operator=(const ColumnIndex&) = delete;

    // Loads the existing index file of column `column` of `file` (opened here when it is not
    // open). An index older than the data file is rebuilt first, keeping the type it was built
    // with (`rebuildType` when its header cannot be read). A missing file is not created. Fails
    // when there is no usable index.
    Result Open(DataFile* file, int column, ColumnType rebuildType = ColumnType::Text);
    // The same for an index file held in memory: `indexBytes` are read through the same checks
    // as a file, and a search probes the records in `dataBytes`, the bytes that `file` was
    // opened from (DataFile::OpenBytes), which must stay valid while the index is open. Nothing
    // on disk is read or written: the index counts as current, and Write replaces the bytes
    // held (InMemoryFile). Fails when the bytes hold no usable index.
    Result OpenBytes(DataFile* file, int column, std::string_view indexBytes,
                     std::string_view dataBytes);
    // Builds the index of `column` from every record of `file`, writes it and keeps it loaded.
    // Shows "An entry for %s already exists !!!" for every duplicate key, in file order. Fails
    // when the column does not exist, the data file is over 4 GiB or the file cannot be written.
    Result Build(DataFile* file, int column, ColumnType type);
    // Succeeds when the index file holds a valid index of this column for this data file.
    Result Read();
    Result Write();
    // Writes the index when entries were inserted since it was last written, then forgets it.
    void Close();

    // Binary search for `key`: 0 found, 1 the key is greater than the record at `*position`,
    // -1 smaller; -2 without `position` or when a record of the index cannot be read.
    // `*filePos` gets the offset of the record last compared.
    int Search(TextView key, std::int32_t* position, std::int64_t* filePos = nullptr);
    // Inserts the record at `offset` under `key`; false when an equal key is present or the
    // search failed. `*position` gets where the key is (or was to go).
    bool Insert(TextView key, std::int32_t* position, std::uint32_t offset);
    // -1, 0 or 1 under the index's type; -2 for a type outside ColumnType.
    int Compare(TextView a, TextView b) const;
    // The same under any type. Texts that do not convert to the type order before all that do,
    // and among themselves as texts without regard to letter case.
    static int CompareAs(ColumnType type, TextView a, TextView b);

    // "%s.i%02d": the data file's path with its own name cut at the first ".".
    static Text FileNameFor(TextView dataPath, int column);

    bool IsOpen() const { return isOpen_; }
    bool IsDirty() const { return isDirty_; }
    ColumnType Type() const { return type_; }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(entries_.size()); }
    // Entries the array holds before it grows: a multiple of 100.
    std::uint32_t Capacity() const { return capacity_; }
    const std::vector<std::uint32_t>& Entries() const { return entries_; }
    const Text& FileName() const { return fileName_; }
    // The index file of an index opened with OpenBytes, as last read or written; it stays after
    // Close.
    const std::string& InMemoryFile() const { return memoryFile_; }
    std::int32_t LastPosition() const { return lastPosition_; }
    int ColumnPosition() const { return column_; }

  private:
    struct Header;
    Result Attach(DataFile* file, int column, const std::string_view* dataBytes = nullptr);
    Result Unusable() const;
    std::optional<Header> ReadHeader(std::istream& in) const;
    bool ReadEntries(std::istream& in);
    std::int64_t ReadDataAt(std::int64_t offset, char* buffer, std::size_t size) const;
    bool EntriesFitDataFile() const;
    bool ReadLineAt(std::uint32_t offset, Text& line);
    bool ReadKeyAt(std::uint32_t offset, Text& key);
    const Text* ProbedCell(std::uint32_t node, std::uint32_t offset);
    void ForgetProbes();
    void Reset();

    // A search reads a few hundred bytes per probe rather than a buffer of the data file.
    static constexpr std::size_t kProbeBytes = 512;
    static constexpr std::size_t kMaxProbeChunk = 1 << 20;
    // The probes of the first ten levels of a search are kept.
    static constexpr std::uint32_t kKeptProbes = 1 << 10;

    DataFile* file_ = nullptr;
    int column_ = -1;
    Text columnName_;
    Text fileName_;
    ColumnType type_ = ColumnType::Text;
    std::vector<std::uint32_t> entries_;
    std::uint32_t capacity_ = 0;
    std::int32_t lastPosition_ = -1;
    bool isOpen_ = false;
    bool isDirty_ = false;
    RandomAccessFile reader_;  // the data file, for the records a search probes
    bool inMemory_ = false;    // opened with OpenBytes: the two below stand for the files
    std::string_view dataBytes_;
    std::string memoryFile_;
    std::shared_ptr<const CodePage> codePage_;
    std::string probe_;  // scratch of the probes, reused
    Text line_;
    Text cell_;
    std::vector<Text> keptCells_;  // by node of the tree of probes
    std::vector<bool> kept_;
};

}  // namespace dorvex
