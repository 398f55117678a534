#include "tables/data_file.h"

#include <algorithm>
#include <cstring>

#include "platform/path.h"
#include "tables/byte_span_buffer.h"
#include "tables/field_split.h"

namespace dorvex {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char16_t kCommentMark = u'\'';

// The first `unit` in [from, end), or `end`.
template <typename Unit>
const Unit* FindUnit(const Unit* from, const Unit* end, Unit unit) {
    if constexpr (sizeof(Unit) == 1) {
        const void* hit = std::memchr(from, unit, static_cast<std::size_t>(end - from));
        return hit != nullptr ? static_cast<const Unit*>(hit) : end;
    } else {
        return std::find(from, end, unit);
    }
}

// The part of a physical line before its first CR or NUL (the LF is already gone).
template <typename Unit>
std::basic_string_view<Unit> LineContent(std::basic_string_view<Unit> raw) {
    if constexpr (sizeof(Unit) == 1) {
        // The CR is nearly always last: two fast searches beat one loop over both.
        const Unit* const begin = raw.data();
        const Unit* const cr = FindUnit(begin, begin + raw.size(), Unit('\r'));
        return raw.substr(0, static_cast<std::size_t>(FindUnit(begin, cr, Unit(0)) - begin));
    } else {
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == Unit('\r') || raw[i] == Unit(0))
                return raw.substr(0, i);
        }
        return raw;
    }
}

// The byte-order mark at the very start of a file is no content: a first line holding only the
// mark, or the mark and a comment, is not significant. The line itself keeps the mark.
bool IsSignificant(TextView line, std::int64_t linePos) {
    if (linePos == 0 && !line.empty() && line.front() == kByteOrderMark)
        line.remove_prefix(1);
    return !line.empty() && line.front() != kCommentMark;
}

// ".csv" anywhere after the first character makes an 8-bit file; anything else is UTF-16.
bool NameIsWide(TextView upperPath) {
    std::size_t csv = upperPath.find(u".CSV");
    return csv == TextView::npos || csv == 0;
}

}  // namespace

DataFile::DataFile(Text path, Access access) : path_(std::move(path)), access_(access) {}

Result DataFile::Open(const Text& path) {
    path_ = path;
    return Open();
}

Result DataFile::Open() {
    TakePath(path_);
    if (!OpenStream(path_)) {
        return Refuse(access_ == Access::ReadOnly
                          ? u"the file cannot be read"
                          : u"the file cannot be opened for reading and writing");
    }
    return StartReading();
}

Result DataFile::OpenBytes(std::string_view bytes, const Text& path) {
    TakePath(path);
    AttachStream(std::make_unique<ByteSpanBuffer>(bytes), static_cast<std::int64_t>(bytes.size()));
    return StartReading();
}

void DataFile::TakePath(const Text& path) {
    Close();
    path_ = path;
    if (path_.find(u'.') == Text::npos)
        path_ += u".CSW";
    isWide_ = NameIsWide(ToUpper(path_));
}

Result DataFile::StartReading() {
    if (Result checked = CheckContent(); !checked)
        return checked;
    if (!ReadLine(headerLine_))
        return Refuse(u"the file has no header line");
    if (!headerLine_.empty() && headerLine_.front() == kByteOrderMark)
        headerLine_.erase(0, 1);
    ReadHeader();
    if (columns_.size() > kMaxColumns) {
        return Refuse(u"the header has more than " + NumberText(kMaxColumns) + u" columns");
    }
    firstRowPos_ = Tell();
    return {};
}

Result DataFile::Refuse(Text reason) {
    Close();
    return Result::Failure(std::move(reason));
}

// Where the check of the content stands: in which line, how long that line is so far.
struct DataFile::LineScan {
    std::int64_t line = 1;
    std::int64_t length = 0;  // units of the line so far, its line feed excluded
    bool endsWithCr = false;

    // A CR before the line feed belongs to the line end, not to the line.
    bool Fits() const {
        return length <= kMaxLineLength || (length == kMaxLineLength + 1 && endsWithCr);
    }
};

// One pass over the whole file before any of it is used, so that a file is either read whole
// or refused: no NUL character, no line over kMaxLineLength, whole UTF-16 units.
Result DataFile::CheckContent() {
    if (isWide_ && size_ % 2 != 0) {
        return Refuse(u"the file has an odd number of bytes (" + NumberText(size_) +
                      u"), so it is not UTF-16 text");
    }
    constexpr std::int64_t kChunkBytes = 64 * 1024;
    std::vector<char> chunk(static_cast<std::size_t>(std::min(size_, kChunkBytes)));
    LineScan scan;
    for (std::int64_t checked = 0; checked < size_;) {
        const std::streamsize got =
            stream_->sgetn(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        if (got <= 0 || (isWide_ && got % 2 != 0))
            return Refuse(u"the file cannot be read");
        checked += got;
        const auto count = static_cast<std::size_t>(got);
        Result fits =
            isWide_ ? CheckUnits(reinterpret_cast<const char16_t*>(chunk.data()), count / 2, scan)
                    : CheckUnits(chunk.data(), count, scan);
        if (!fits)
            return fits;
    }
    if (!scan.Fits())
        return RefuseLongLine(scan.line);
    if (stream_->pubseekpos(0) != std::streampos(0))
        return Refuse(u"the file cannot be read");
    return {};
}

template <typename Unit>
Result DataFile::CheckUnits(const Unit* units, std::size_t count, LineScan& scan) {
    const Unit* const end = units + count;
    const Unit* const nul = FindUnit(units, end, Unit(0));
    for (const Unit* p = units;;) {
        const Unit* const lineFeed = FindUnit(p, end, Unit('\n'));
        const Unit* const stop = std::min(lineFeed, nul);
        if (stop != p) {
            scan.length += stop - p;
            scan.endsWithCr = stop[-1] == Unit('\r');
        }
        if (scan.length > kMaxLineLength + 1)
            return RefuseLongLine(scan.line);
        if (stop == nul && nul != end) {
            return Refuse(u"line " + NumberText(scan.line) + u" holds a NUL character" +
                          (isWide_ ? u"" : u": it is no 8-bit text (UTF-16 files are named .csw)"));
        }
        if (lineFeed == end)
            return {};
        if (!scan.Fits())
            return RefuseLongLine(scan.line);
        scan = LineScan{scan.line + 1};
        p = lineFeed + 1;
    }
}

Result DataFile::RefuseLongLine(std::int64_t line) {
    return Refuse(u"line " + NumberText(line) + u" is longer than " + NumberText(kMaxLineLength) +
                  u" characters");
}

bool DataFile::OpenStream(const Text& path) {
    auto stream = std::make_unique<std::filebuf>();
    const auto mode = access_ == Access::ReadOnly ? std::ios::in | std::ios::binary
                                                  : std::ios::in | std::ios::out | std::ios::binary;
    if (!stream->open(FileSystemPath(path), mode)) {
        return false;
    }
    std::streampos end = stream->pubseekoff(0, std::ios::end);
    if (stream->pubseekpos(0) != std::streampos(0))
        return false;
    AttachStream(std::move(stream), end == std::streampos(-1) ? 0 : std::int64_t(end));
    return true;
}

void DataFile::AttachStream(std::unique_ptr<std::streambuf> stream, std::int64_t size) {
    size_ = size;
    stream_ = std::move(stream);
    codePage_ = DataCodePage();
    narrow_.Reset(0);
    wide_.Reset(0);
    narrow_.SetSourceSize(size);
    wide_.SetSourceSize(size);
}

void DataFile::ReadHeader() {
    TextView rest = TrimView(headerLine_);
    Text name;
    while (!rest.empty()) {
        TakeField(name, rest, kFieldSeparator);
        DataColumn column{static_cast<int>(columns_.size()), ToUpper(name)};
        columnByName_.insert_or_assign(column.name, columns_.size());
        columns_.push_back(std::move(column));
    }
}

void DataFile::Close() {
    stream_.reset();
    columns_.clear();
    columnByName_.clear();
    headerLine_.clear();
    firstRowPos_ = -1;
    lastLinePos_ = 0;
    size_ = 0;
}

Text DataFile::ReadLine() {
    Text line;
    ReadLine(line);
    return line;
}

bool DataFile::ReadLine(Text& line) {
    if (!stream_) {
        line.clear();
        return false;
    }
    if (isWide_)
        return ReadSignificantLine(wide_, line);
    return ReadSignificantLine(narrow_, line);
}

template <typename Unit>
bool DataFile::ReadSignificantLine(LineBuffer<Unit>& buffer, Text& line) {
    std::basic_string_view<Unit> raw;
    for (;;) {
        const std::int64_t start = buffer.Tell();
        if (!buffer.Next(*stream_, raw))
            break;
        if constexpr (sizeof(Unit) == 1) {
            codePage_->DecodeInto(LineContent(raw), line);
        } else {
            line.assign(LineContent(raw));
        }
        if (IsSignificant(line, start)) {
            lastLinePos_ = start;
            return true;
        }
    }
    line.clear();
    return false;
}

bool DataFile::Seek(std::int64_t pos) {
    if (!stream_ || pos < 0)
        return false;
    bool buffered = isWide_ ? wide_.SeekWithin(pos) : narrow_.SeekWithin(pos);
    if (buffered)
        return true;
    if (stream_->pubseekpos(static_cast<std::streamoff>(pos)) == std::streampos(-1))
        return false;
    narrow_.Reset(pos);
    wide_.Reset(pos);
    return true;
}

std::int64_t DataFile::Tell() const {
    if (!stream_)
        return -1;
    return isWide_ ? wide_.Tell() : narrow_.Tell();
}

const DataColumn* DataFile::FindColumn(TextView name) const {
    auto found = columnByName_.find(ToUpper(name));
    return found == columnByName_.end() ? nullptr : &columns_[found->second];
}

const DataColumn* DataFile::ColumnAt(int position) const {
    if (position < 0 || position >= static_cast<int>(columns_.size()))
        return nullptr;
    return &columns_[static_cast<std::size_t>(position)];
}

}  // namespace dorvex
