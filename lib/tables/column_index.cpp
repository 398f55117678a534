#include "tables/column_index.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/error_display.h"
#include "platform/path.h"
#include "tables/field_split.h"
#include "tables/record_cursor.h"
#include "tables/value_conversion.h"

namespace dorvex {

struct ColumnIndex::Header {
    std::uint32_t count = 0;
    ColumnType type = ColumnType::Text;
    Text name;
};

namespace {

constexpr std::size_t kFixedHeaderBytes = 10;
// Offsets are stored in 32 bits: every record must begin below 4 GiB.
constexpr std::int64_t kMaxIndexedFileSize = std::int64_t{1} << 32;

bool IsKnownType(ColumnType type) {
    auto code = static_cast<std::int16_t>(type);
    return code >= 0 && code <= static_cast<std::int16_t>(ColumnType::Date);
}

// A key as it is ordered: a number when the text converts to the type, else the text in lower
// case (numbers order after texts).
struct IndexKey {
    bool isNumber = false;
    double number = 0;
    Text folded;
};

std::optional<double> ConvertKey(ColumnType type, TextView text) {
    switch (type) {
        case ColumnType::Int16:
            if (auto value = ToInt16(text))
                return *value;
            return std::nullopt;
        case ColumnType::Int32:
            if (auto value = ToInt32(text))
                return *value;
            return std::nullopt;
        case ColumnType::Single:
            if (auto value = ToSingle(text))
                return *value;
            return std::nullopt;
        case ColumnType::Double:
            return ToNumber(text);
        case ColumnType::Date:
            return ToDate(text);
        default:
            return std::nullopt;
    }
}

IndexKey MakeKey(ColumnType type, TextView text) {
    IndexKey key;
    if (std::optional<double> number = ConvertKey(type, text)) {
        key.isNumber = true;
        key.number = *number;
        return key;
    }
    key.folded.resize(text.size());
    std::transform(text.begin(), text.end(), key.folded.begin(), ToLowerChar);
    return key;
}

int CompareKeys(const IndexKey& a, const IndexKey& b) {
    if (a.isNumber != b.isNumber)
        return a.isNumber ? 1 : -1;
    if (a.isNumber)
        return a.number < b.number ? -1 : (b.number < a.number ? 1 : 0);
    int c = a.folded.compare(b.folded);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The cell at `position` of a record line, split exactly as the record cursor splits it.
void CellAt(TextView line, int position, Text& cell) {
    cell.clear();
    for (int i = 0; i <= position && !line.empty(); ++i)
        TakeField(cell, line, kFieldSeparator);
}

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t GetLittleEndian(const char* bytes, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::string SerialisedIndex(ColumnType type, TextView name,
                            const std::vector<std::uint32_t>& entries) {
    std::string out;
    out.reserve(kFixedHeaderBytes + 2 * name.size() + 4 * entries.size());
    PutU16(out, ColumnIndex::kFormatVersion);
    PutU32(out, static_cast<std::uint32_t>(entries.size()));
    PutU16(out, static_cast<std::uint16_t>(type));
    PutU16(out, static_cast<std::uint16_t>(name.size()));
    for (char16_t unit : name)
        PutU16(out, unit);
    for (std::uint32_t offset : entries)
        PutU32(out, offset);
    return out;
}

std::uint32_t CapacityFor(std::size_t count) {
    return static_cast<std::uint32_t>((count / ColumnIndex::kCapacityStep + 1) *
                                      ColumnIndex::kCapacityStep);
}

std::optional<std::filesystem::file_time_type> ModificationTime(TextView path) {
    std::error_code error;
    auto time = std::filesystem::last_write_time(FileSystemPath(path), error);
    if (error)
        return std::nullopt;
    return time;
}

struct KeyedRecord {
    IndexKey key;
    std::uint32_t offset = 0;
    std::uint32_t ordinal = 0;  // place in the file
};

std::vector<KeyedRecord> ReadKeyedRecords(DataFile& file, int column, ColumnType type) {
    std::vector<KeyedRecord> records;
    RecordCursor cursor;
    for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext()) {
        const FieldValue* cell = cursor.FieldAt(column);
        records.push_back({MakeKey(type, cell != nullptr ? TextView(cell->value) : TextView()),
                           static_cast<std::uint32_t>(cursor.CurrentRowPos()),
                           static_cast<std::uint32_t>(records.size())});
    }
    return records;
}

// Orders the records by key and keeps the first record of every key in file order, as
// inserting them one by one would; the others are returned in file order.
std::vector<KeyedRecord> KeepFirstOfEachKey(std::vector<KeyedRecord>& records) {
    std::sort(records.begin(), records.end(), [](const KeyedRecord& a, const KeyedRecord& b) {
        int c = CompareKeys(a.key, b.key);
        return c != 0 ? c < 0 : a.ordinal < b.ordinal;
    });
    std::vector<KeyedRecord> duplicates;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (kept > 0 && CompareKeys(records[kept - 1].key, records[i].key) == 0)
            duplicates.push_back(std::move(records[i]));
        else if (kept++ != i)
            records[kept - 1] = std::move(records[i]);
    }
    records.resize(kept);
    std::sort(duplicates.begin(), duplicates.end(),
              [](const KeyedRecord& a, const KeyedRecord& b) { return a.ordinal < b.ordinal; });
    return duplicates;
}

}  // namespace

ColumnIndex::~ColumnIndex() {
    Close();
}

Text ColumnIndex::FileNameFor(TextView dataPath, int column) {
    Text name = BaseName(dataPath);
    name.erase(std::min(name.find(u'.'), name.size()));
    Text number = NumberText(column);
    if (number.size() < 2)
        number.insert(0, 2 - number.size(), u'0');
    return DirectoryWithSeparator(dataPath) + name + u".i" + number;
}

bool ColumnIndex::Attach(DataFile* file, int column) {
    Reset();
    if (file == nullptr || (!file->IsOpen() && !file->Open()))
        return false;
    const DataColumn* dataColumn = file->ColumnAt(column);
    if (dataColumn == nullptr)
        return false;
    file_ = file;
    column_ = column;
    columnName_ = dataColumn->name;
    fileName_ = FileNameFor(file->Path(), column);
    return true;
}

bool ColumnIndex::Open(DataFile* file, int column, ColumnType rebuildType) {
    if (!Attach(file, column))
        return false;
    auto indexTime = ModificationTime(fileName_);
    if (!indexTime)
        return false;  // index files are only made on purpose, never here
    auto dataTime = ModificationTime(file->Path());
    if (!dataTime || *dataTime > *indexTime) {
        std::ifstream in(FileSystemPath(fileName_), std::ios::binary);
        std::optional<Header> stale = ReadHeader(in);
        return Build(file, column, stale ? stale->type : rebuildType);
    }
    if (Read())
        return true;
    Reset();
    return false;
}

std::optional<ColumnIndex::Header> ColumnIndex::ReadHeader(std::istream& in) const {
    char fixed[kFixedHeaderBytes];
    if (!in.read(fixed, sizeof fixed) || GetLittleEndian(fixed, 2) != kFormatVersion)
        return std::nullopt;
    Header header;
    header.count = GetLittleEndian(fixed + 2, 4);
    header.type = static_cast<ColumnType>(static_cast<std::int16_t>(GetLittleEndian(fixed + 6, 2)));
    auto length = static_cast<std::int16_t>(GetLittleEndian(fixed + 8, 2));
    if (!IsKnownType(header.type) || length < 0 || length > kMaxNameLength)
        return std::nullopt;
    std::string nameBytes(2 * static_cast<std::size_t>(length), '\0');
    if (!in.read(nameBytes.data(), static_cast<std::streamsize>(nameBytes.size())))
        return std::nullopt;
    header.name = ToUpper(FromUtf16LeBytes(nameBytes));
    if (header.name != columnName_)
        return std::nullopt;
    return header;
}

bool ColumnIndex::Read() {
    if (file_ == nullptr || file_->Size() > kMaxIndexedFileSize)
        return false;
    std::ifstream in(FileSystemPath(fileName_), std::ios::binary);
    std::optional<Header> header = ReadHeader(in);
    if (!header)
        return false;
    const std::streamoff entriesStart = in.tellg();
    in.seekg(0, std::ios::end);
    const std::streamoff available = in.tellg() - entriesStart;
    if (available < 0 || static_cast<std::uint64_t>(available) / 4 < header->count)
        return false;
    std::string bytes(4 * static_cast<std::size_t>(header->count), '\0');
    in.seekg(entriesStart);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return false;
    entries_.resize(header->count);
    for (std::size_t i = 0; i < entries_.size(); ++i)
        entries_[i] = GetLittleEndian(bytes.data() + 4 * i, 4);
    if (!EntriesFitDataFile()) {
        entries_.clear();
        return false;
    }
    type_ = header->type;
    capacity_ = CapacityFor(entries_.size());
    lastPosition_ = -1;
    isOpen_ = true;
    isDirty_ = false;
    return true;
}

// Every offset must lie among the records of the data file (and on a whole UTF-16 unit).
bool ColumnIndex::EntriesFitDataFile() const {
    const std::int64_t first = file_->FirstRowPos();
    const std::int64_t size = file_->Size();
    const bool wide = file_->IsWide();
    return std::all_of(entries_.begin(), entries_.end(), [&](std::uint32_t offset) {
        return offset >= first && offset < size && !(wide && offset % 2 != 0);
    });
}

bool ColumnIndex::Write() {
    if (file_ == nullptr)
        return false;
    std::ofstream out(FileSystemPath(fileName_), std::ios::binary | std::ios::trunc);
    std::string bytes = SerialisedIndex(type_, columnName_, entries_);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        return false;
    isDirty_ = false;
    return true;
}

bool ColumnIndex::Build(DataFile* file, int column, ColumnType type) {
    if (!Attach(file, column) || !IsKnownType(type) || file->Size() > kMaxIndexedFileSize)
        return false;
    // Created before the scan, so that an unwritable place fails before any message is shown.
    std::ofstream out(FileSystemPath(fileName_), std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    std::vector<KeyedRecord> records = ReadKeyedRecords(*file, column, type);
    std::vector<KeyedRecord> duplicates = KeepFirstOfEachKey(records);
    Text key;
    for (const KeyedRecord& duplicate : duplicates) {
        key.clear();
        ReadKeyAt(duplicate.offset, key);
        ShowErrorMessage(u"Warning", u"An entry for " + key + u" already exists !!!");
    }
    type_ = type;
    entries_.resize(records.size());
    std::transform(records.begin(), records.end(), entries_.begin(),
                   [](const KeyedRecord& record) { return record.offset; });
    capacity_ = CapacityFor(entries_.size());
    std::string bytes = SerialisedIndex(type_, columnName_, entries_);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        Reset();
        return false;
    }
    isOpen_ = true;
    isDirty_ = false;
    return true;
}

void ColumnIndex::Close() {
    if (isOpen_ && isDirty_)
        Write();
    Reset();
}

void ColumnIndex::Reset() {
    file_ = nullptr;
    column_ = -1;
    columnName_.clear();
    fileName_.clear();
    type_ = ColumnType::Text;
    entries_.clear();
    entries_.shrink_to_fit();
    capacity_ = 0;
    lastPosition_ = -1;
    isOpen_ = false;
    isDirty_ = false;
}

bool ColumnIndex::ReadKeyAt(std::uint32_t offset, Text& key) {
    Text line;
    const std::int64_t saved = file_->Tell();
    bool read = file_->Seek(offset) && file_->ReadLine(line) && file_->LastLinePos() == offset;
    file_->Seek(saved);
    if (read)
        CellAt(line, column_, key);
    return read;
}

int ColumnIndex::Search(TextView key, std::int32_t* position, std::int64_t* filePos) {
    if (position == nullptr || file_ == nullptr)
        return -2;
    if (entries_.empty()) {
        *position = 0;
        if (filePos != nullptr)
            *filePos = file_->FirstRowPos();
        return -1;
    }
    const IndexKey wanted = MakeKey(type_, key);
    std::uint32_t lo = 0;
    std::uint32_t hi = Count() - 1;
    std::uint32_t mid = 0;
    int c = -2;
    Text cell;
    while (lo <= hi) {
        mid = lo + (hi - lo) / 2;
        if (!ReadKeyAt(entries_[mid], cell)) {
            c = -2;
            break;
        }
        c = CompareKeys(wanted, MakeKey(type_, cell));
        if (c == 0 || (c == -1 && mid == 0))
            break;
        if (c == 1)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    *position = static_cast<std::int32_t>(mid);
    lastPosition_ = *position;
    if (filePos != nullptr)
        *filePos = entries_[mid];
    return c;
}

bool ColumnIndex::Insert(TextView key, std::int32_t* position, std::uint32_t offset) {
    std::int32_t probed = 0;
    int c = Search(key, &probed, nullptr);
    if (position != nullptr)
        *position = probed;
    if (c == 0 || c == -2)
        return false;
    const std::size_t at = static_cast<std::size_t>(probed) + (c == 1 ? 1 : 0);
    if (entries_.size() + 1 > capacity_) {
        capacity_ += kCapacityStep;
        entries_.reserve(capacity_);
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), offset);
    if (position != nullptr)
        *position = static_cast<std::int32_t>(at);
    isDirty_ = true;
    return true;
}

int ColumnIndex::Compare(TextView a, TextView b) const {
    return CompareAs(type_, a, b);
}

int ColumnIndex::CompareAs(ColumnType type, TextView a, TextView b) {
    if (!IsKnownType(type))
        return -2;
    return CompareKeys(MakeKey(type, a), MakeKey(type, b));
}

}  // namespace dorvex
