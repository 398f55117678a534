#include "tables/column_index.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>

#include "platform/error_display.h"
#include "platform/path.h"
#include "tables/byte_span_buffer.h"
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

int Sign(int c) {
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareNumbers(double a, double b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// `folded` against `text` folded on the fly, as TextView::compare would order the folded texts.
int CompareFolded(TextView folded, TextView text) {
    const std::size_t common = std::min(folded.size(), text.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t other = ToLowerChar(text[i]);
        if (folded[i] != other)
            return folded[i] < other ? -1 : 1;
    }
    return folded.size() == text.size() ? 0 : (folded.size() < text.size() ? -1 : 1);
}

int CompareKeys(const IndexKey& a, const IndexKey& b) {
    if (a.isNumber != b.isNumber)
        return a.isNumber ? 1 : -1;
    if (a.isNumber)
        return CompareNumbers(a.number, b.number);
    return Sign(a.folded.compare(b.folded));
}

// `wanted` against the key of the cell `text`, without building that key.
int CompareKeyToCell(ColumnType type, const IndexKey& wanted, TextView text) {
    std::optional<double> number = ConvertKey(type, text);
    if (wanted.isNumber != number.has_value())
        return wanted.isNumber ? 1 : -1;
    if (wanted.isNumber)
        return CompareNumbers(wanted.number, *number);
    return CompareFolded(wanted.folded, text);
}

// The cell at `position` of a record line, split exactly as the record cursor splits it: empty
// when the line has fewer cells (not the last cell it has).
void CellAt(TextView line, int position, Text& cell) {
    cell.clear();
    for (int i = 0; i <= position; ++i)
        TakeField(cell, line, kFieldSeparator);
}

char* PutLittleEndian(char* out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i)
        *out++ = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::uint32_t GetLittleEndian(const char* bytes, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

// The whole file in one buffer, written with one call.
std::string SerialisedIndex(ColumnType type, TextView name,
                            const std::vector<std::uint32_t>& entries) {
    std::string bytes(kFixedHeaderBytes + 2 * name.size() + 4 * entries.size(), '\0');
    char* out = PutLittleEndian(bytes.data(), ColumnIndex::kFormatVersion, 2);
    out = PutLittleEndian(out, static_cast<std::uint32_t>(entries.size()), 4);
    out = PutLittleEndian(out, static_cast<std::uint16_t>(type), 2);
    out = PutLittleEndian(out, static_cast<std::uint16_t>(name.size()), 2);
    for (char16_t unit : name)
        out = PutLittleEndian(out, unit, 2);
    for (std::uint32_t offset : entries)
        out = PutLittleEndian(out, offset, 4);
    return bytes;
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

// The sort key of one record, held once and without a heap block of its own: the first
// kHeadUnits folded units packed into integers (a text's units compare like the integers, and
// no cell holds a NUL, so zero padding orders a prefix first), the rest of a longer text in one
// shared buffer, or a number mapped to an integer that orders like the number. Most keys fit in
// the head, so sorting seldom looks anywhere else.
struct SortKey {
    static constexpr std::size_t kHeadWords = 3;
    static constexpr std::size_t kHeadUnits = 4 * kHeadWords;
    std::uint64_t head[kHeadWords] = {};
    std::uint32_t tailBegin = 0;  // in the shared buffer of tails (under 4 GiB, as the file)
    std::uint32_t tailLength = 0;
    std::uint32_t offset = 0;
    std::uint32_t ordinal = 0;  // place in the file
    std::uint32_t isNumber = 0;
};

std::uint64_t OrderedBits(double number) {
    if (number == 0)
        number = 0;  // -0 and +0 are one key
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

class SortKeys {
  public:
    explicit SortKeys(ColumnType type) : type_(type) {}

    void Add(TextView cell, std::uint32_t offset) {
        SortKey key;
        key.offset = offset;
        key.ordinal = static_cast<std::uint32_t>(keys_.size());
        if (std::optional<double> number = ConvertKey(type_, cell)) {
            key.isNumber = 1;
            key.head[0] = OrderedBits(*number);
        } else {
            const std::size_t head = std::min(cell.size(), SortKey::kHeadUnits);
            for (std::size_t i = 0; i < head; ++i) {
                const std::uint64_t unit = ToLowerChar(cell[i]);
                key.head[i / 4] |= unit << (16 * (3 - i % 4));
            }
            key.tailBegin = static_cast<std::uint32_t>(tails_.size());
            key.tailLength = static_cast<std::uint32_t>(cell.size() - head);
            for (std::size_t i = head; i < cell.size(); ++i)
                tails_.push_back(ToLowerChar(cell[i]));
        }
        keys_.push_back(key);
    }

    // Orders by key, then by place in the file, and keeps the first record of every key, as
    // inserting them one by one would; the others are returned in file order.
    std::vector<SortKey> KeepFirstOfEachKey() {
        std::sort(keys_.begin(), keys_.end(), [this](const SortKey& a, const SortKey& b) {
            const int c = Compare(a, b);
            return c != 0 ? c < 0 : a.ordinal < b.ordinal;
        });
        std::vector<SortKey> duplicates;
        std::size_t kept = 0;
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (kept > 0 && Compare(keys_[kept - 1], keys_[i]) == 0)
                duplicates.push_back(keys_[i]);
            else
                keys_[kept++] = keys_[i];
        }
        keys_.resize(kept);
        std::sort(duplicates.begin(), duplicates.end(),
                  [](const SortKey& a, const SortKey& b) { return a.ordinal < b.ordinal; });
        return duplicates;
    }

    const std::vector<SortKey>& Keys() const { return keys_; }

  private:
    int Compare(const SortKey& a, const SortKey& b) const {
        if (a.isNumber != b.isNumber)
            return a.isNumber != 0 ? 1 : -1;
        for (std::size_t i = 0; i < SortKey::kHeadWords; ++i) {
            if (a.head[i] != b.head[i])
                return a.head[i] < b.head[i] ? -1 : 1;
        }
        if (a.tailLength == 0 && b.tailLength == 0)
            return 0;
        return Sign(Tail(a).compare(Tail(b)));
    }

    TextView Tail(const SortKey& key) const {
        return TextView(tails_).substr(key.tailBegin, key.tailLength);
    }

    ColumnType type_;
    std::vector<SortKey> keys_;
    Text tails_;
};

// Reads the key cell of every record, as the record cursor would find the records.
bool ReadSortKeys(DataFile& file, int column, SortKeys& keys) {
    if (!file.Seek(file.FirstRowPos()))
        return false;
    Text line;
    Text cell;
    while (file.ReadLine(line)) {
        CellAt(line, column, cell);
        keys.Add(cell, static_cast<std::uint32_t>(file.LastLinePos()));
    }
    return true;
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

Result ColumnIndex::Attach(DataFile* file, int column, const std::string_view* dataBytes) {
    Reset();
    memoryFile_.clear();
    if (file == nullptr)
        return Result::Failure(u"no data file");
    if (!file->IsOpen()) {
        if (Result opened = file->Open(); !opened)
            return opened;
    }
    const DataColumn* dataColumn = file->ColumnAt(column);
    if (dataColumn == nullptr)
        return Result::Failure(file->Path() + u" has fewer than " + NumberText(column + 1) +
                               u" columns");
    file_ = file;
    column_ = column;
    columnName_ = dataColumn->name;
    fileName_ = FileNameFor(file->Path(), column);
    codePage_ = DataCodePage();
    if (dataBytes != nullptr && static_cast<std::int64_t>(dataBytes->size()) == file->Size()) {
        inMemory_ = true;
        dataBytes_ = *dataBytes;
        return {};
    }
    if (dataBytes == nullptr && reader_.Open(file->Path()))
        return {};
    Reset();
    return Result::Failure(dataBytes ? u"the bytes given are not those of the data file"
                                     : file->Path() + u" cannot be read");
}

Result ColumnIndex::Unusable() const {
    return Result::Failure(fileName_ + u" holds no usable index of " + columnName_);
}

Result ColumnIndex::Open(DataFile* file, int column, ColumnType rebuildType) {
    if (Result attached = Attach(file, column); !attached)
        return attached;
    auto indexTime = ModificationTime(fileName_);
    if (!indexTime)  // index files are only made on purpose, never here
        return Result::Failure(fileName_ + u" does not exist");
    auto dataTime = ModificationTime(file->Path());
    if (!dataTime || *dataTime > *indexTime) {
        std::ifstream in(FileSystemPath(fileName_), std::ios::binary);
        std::optional<Header> stale = ReadHeader(in);
        return Build(file, column, stale ? stale->type : rebuildType);
    }
    Result read = Read();
    if (!read)
        Reset();
    return read;
}

Result ColumnIndex::OpenBytes(DataFile* file, int column, std::string_view indexBytes,
                              std::string_view dataBytes) {
    if (Result attached = Attach(file, column, &dataBytes); !attached)
        return attached;
    memoryFile_.assign(indexBytes);
    Result read = Read();
    if (!read)
        Reset();
    return read;
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

Result ColumnIndex::Read() {
    if (file_ == nullptr)
        return Result::Failure(u"no data file");
    if (file_->Size() > kMaxIndexedFileSize)
        return Result::Failure(file_->Path() + u" is over 4 GiB");
    bool read = false;
    if (inMemory_) {
        ByteSpanBuffer bytes(memoryFile_);
        std::istream in(&bytes);
        read = ReadEntries(in);
    } else {
        std::ifstream in(FileSystemPath(fileName_), std::ios::binary);
        read = ReadEntries(in);
    }
    return read ? Result() : Unusable();
}

bool ColumnIndex::ReadEntries(std::istream& in) {
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
    ForgetProbes();
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

Result ColumnIndex::Write() {
    if (file_ == nullptr)
        return Result::Failure(u"no data file");
    if (inMemory_) {
        memoryFile_ = SerialisedIndex(type_, columnName_, entries_);
        isDirty_ = false;
        return {};
    }
    std::ofstream out(FileSystemPath(fileName_), std::ios::binary | std::ios::trunc);
    std::string bytes = SerialisedIndex(type_, columnName_, entries_);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        return Result::Failure(fileName_ + u" cannot be written");
    isDirty_ = false;
    return {};
}

Result ColumnIndex::Build(DataFile* file, int column, ColumnType type) {
    if (Result attached = Attach(file, column); !attached)
        return attached;
    if (!IsKnownType(type))
        return Result::Failure(u"no column type " + NumberText(static_cast<int>(type)));
    if (file->Size() > kMaxIndexedFileSize)
        return Result::Failure(file->Path() + u" is over 4 GiB");
    // Created before the scan, so that an unwritable place fails before any message is shown.
    std::ofstream out(FileSystemPath(fileName_), std::ios::binary | std::ios::trunc);
    if (!out)
        return Result::Failure(fileName_ + u" cannot be written");
    SortKeys keys(type);
    if (!ReadSortKeys(*file, column, keys))
        return Result::Failure(file->Path() + u" cannot be read");
    std::vector<SortKey> duplicates = keys.KeepFirstOfEachKey();
    Text key;
    for (const SortKey& duplicate : duplicates) {
        key.clear();
        ReadKeyAt(duplicate.offset, key);
        ShowErrorMessage(u"Warning", u"An entry for " + key + u" already exists !!!");
    }
    type_ = type;
    entries_.resize(keys.Keys().size());
    std::transform(keys.Keys().begin(), keys.Keys().end(), entries_.begin(),
                   [](const SortKey& record) { return record.offset; });
    capacity_ = CapacityFor(entries_.size());
    ForgetProbes();
    std::string bytes = SerialisedIndex(type_, columnName_, entries_);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        Reset();
        return Result::Failure(fileName_ + u" cannot be written");
    }
    isOpen_ = true;
    isDirty_ = false;
    return {};
}

void ColumnIndex::Close() {
    // No caller is left to tell: a failed write leaves the previous index file, which the
    // next Open checks against the data file before using it.
    if (isOpen_ && isDirty_)
        (void)Write();
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
    reader_.Close();
    inMemory_ = false;
    dataBytes_ = {};
    codePage_.reset();
    ForgetProbes();
}

// The line that begins at `offset`, read on its own (no buffer of the data file is refilled
// for it), decoded and cut the way the data file cuts its lines. False when nothing can be read
// there or the line is not a record (blank or comment): the data file would read another line.
bool ColumnIndex::ReadLineAt(std::uint32_t offset, Text& line) {
    const std::size_t unit = file_->IsWide() ? 2 : 1;
    std::size_t chunk = kProbeBytes;
    std::size_t searched = 0;
    std::size_t end = std::string::npos;
    probe_.clear();
    while (end == std::string::npos) {
        const std::size_t held = probe_.size();
        probe_.resize(held + chunk);
        const std::int64_t got =
            ReadDataAt(offset + static_cast<std::int64_t>(held), probe_.data() + held, chunk);
        probe_.resize(held + static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        if (got < 0)
            return false;
        for (; searched + unit <= probe_.size() && end == std::string::npos; searched += unit) {
            const bool feed = probe_[searched] == '\n' && (unit == 1 || probe_[searched + 1] == 0);
            end = feed ? searched : end;
        }
        if (got == 0)
            end = probe_.size() - probe_.size() % unit;
        chunk = std::min<std::size_t>(chunk * 2, kMaxProbeChunk);
    }
    const std::string_view bytes(probe_.data(), end);
    if (unit == 2) {
        line.resize(bytes.size() / 2);
        std::memcpy(line.data(), bytes.data(), bytes.size());
    } else {
        line = codePage_->Decode(bytes);
    }
    line.resize(std::min({line.find(u'\r'), line.find(u'\0'), line.size()}));
    return !line.empty() && line.front() != u'\'';
}

std::int64_t ColumnIndex::ReadDataAt(std::int64_t offset, char* buffer, std::size_t size) const {
    if (!inMemory_)
        return reader_.ReadAt(offset, buffer, size);
    if (offset < 0)
        return -1;
    const auto start = std::min(static_cast<std::size_t>(offset), dataBytes_.size());
    const std::size_t count = std::min(size, dataBytes_.size() - start);
    std::memcpy(buffer, dataBytes_.data() + start, count);
    return static_cast<std::int64_t>(count);
}

bool ColumnIndex::ReadKeyAt(std::uint32_t offset, Text& key) {
    if (!ReadLineAt(offset, line_))
        return false;
    CellAt(line_, column_, key);
    return true;
}

// Every search of an unchanged index begins with the same probes: the cells of the first
// levels of the tree of probes are kept once read.
const Text* ColumnIndex::ProbedCell(std::uint32_t node, std::uint32_t offset) {
    if (node >= kKeptProbes)
        return ReadKeyAt(offset, cell_) ? &cell_ : nullptr;
    if (keptCells_.empty()) {
        keptCells_.resize(kKeptProbes);
        kept_.assign(kKeptProbes, false);
    }
    if (!kept_[node]) {
        if (!ReadKeyAt(offset, keptCells_[node]))
            return nullptr;
        kept_[node] = true;
    }
    return &keptCells_[node];
}

void ColumnIndex::ForgetProbes() {
    keptCells_.clear();
    kept_.clear();
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
    std::uint32_t node = 1;  // of the tree of probes: 2n and 2n + 1 follow n
    int c = -2;
    while (lo <= hi) {
        mid = lo + (hi - lo) / 2;
        const Text* cell = ProbedCell(node, entries_[mid]);
        if (cell == nullptr) {
            c = -2;
            break;
        }
        c = CompareKeyToCell(type_, wanted, *cell);
        if (c == 0 || (c == -1 && mid == 0))
            break;
        if (c == 1) {
            lo = mid + 1;
            node = 2 * node + 1;
        } else {
            hi = mid - 1;
            node = 2 * node;
        }
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
    ForgetProbes();
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
