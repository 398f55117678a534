#include "protocol/row_body_builder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/code_page.h"
#include "protocol/protocol_texts.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace dorvex {

using namespace protocol;

namespace {

// The most units one unit of a value can become ("<" -> "&lt;").
constexpr std::size_t kMaxExpansion = 4;

// The units that escaping changes: "&" (of "&|"), "<", ">" and, when it is replaced while
// escaping, the line-break marker. Most values hold none of them and are copied as they are.
class SpecialUnits {
  public:
    explicit SpecialUnits(const char16_t* marker) : marker_(marker != nullptr ? *marker : u'<') {
        for (char16_t c : {kEscapedSeparator[0], kLessThan[0], kGreaterThan[0], marker_}) {
            if (c < kAscii)
                ascii_[c / 64] |= std::uint64_t{1} << (c % 64);
        }
    }
    bool Is(char16_t c) const {
        return c < kAscii ? ((ascii_[c / 64] >> (c % 64)) & 1) != 0 : c == marker_;
    }
    char16_t Marker() const { return marker_; }
    // Position of the first special unit from `from` on, or the size.
    std::size_t Find(TextView value, std::size_t from) const {
        while (from < value.size() && !Is(value[from]))
            ++from;
        return from;
    }

  private:
    static constexpr char16_t kAscii = 0x80;
    char16_t marker_;
    std::uint64_t ascii_[2] = {};  // one bit per ASCII unit
};

// Length of a value once escaped (see WriteEscaped).
std::size_t EscapedLength(TextView value, const SpecialUnits& specials) {
    std::size_t length = value.size();
    for (std::size_t i = specials.Find(value, 0); i < value.size();
         i = specials.Find(value, i + 1)) {
        const char16_t c = value[i];
        if (c == kEscapedSeparator[0]) {
            if (i + 1 < value.size() && value[i + 1] == kEscapedSeparator[1]) {
                length -= kEscapedSeparator.size() - kSeparator.size();
                ++i;
            }
        } else if (c == kLessThan[0]) {
            length += kEscapedLessThan.size() - 1;
        } else if (c == kGreaterThan[0]) {
            length += kEscapedGreaterThan.size() - 1;
        } else {
            length += kLineBreak.size() - 1;
        }
    }
    return length;
}

// Where the units of a body go: a UTF-16 text, UTF-16LE bytes, or the bytes of a code page
// of one byte per unit whose first 128 bytes are ASCII.
struct TextSink {
    char16_t* out;
    std::size_t Units(const char16_t* start) const { return static_cast<std::size_t>(out - start); }
    void Put(TextView text) {
        std::copy(text.begin(), text.end(), out);
        out += text.size();
    }
};

struct Utf16LeSink {
    char* out;
    std::size_t Units(const char* start) const { return static_cast<std::size_t>(out - start) / 2; }
    void Put(TextView text) {
        if constexpr (std::endian::native == std::endian::little) {
            if (!text.empty())
                std::memcpy(out, text.data(), 2 * text.size());
            out += 2 * text.size();
        } else {
            for (char16_t c : text) {
                *out++ = static_cast<char>(c & 0xFF);
                *out++ = static_cast<char>(c >> 8);
            }
        }
    }
};

struct OneByteSink {
    char* out;
    const CodePage* page;
    std::size_t Units(const char* start) const { return static_cast<std::size_t>(out - start); }
    void Put(TextView text) {
        for (char16_t c : text)
            *out++ = c < 0x80 ? static_cast<char>(c) : page->EncodeUnit(c);
    }
};

// Writes the special unit at `i` of a value, escaped, and returns where the value goes on.
template <typename Sink>
std::size_t PutSpecial(TextView value, std::size_t i, Sink& sink) {
    const char16_t c = value[i];
    if (c == kEscapedSeparator[0]) {
        const bool escaped = i + 1 < value.size() && value[i + 1] == kEscapedSeparator[1];
        sink.Put(escaped ? kSeparator : kEscapedSeparator.substr(0, 1));
        return i + (escaped ? 2 : 1);
    }
    sink.Put(c == kLessThan[0]      ? kEscapedLessThan
             : c == kGreaterThan[0] ? kEscapedGreaterThan
                                    : kLineBreak);
    return i + 1;
}

// Writes one value, escaped, to `sink`: the stretches between special units in one piece.
// With a marker among the special units, it is replaced in the same pass (the caller has
// checked that this gives the same text as replacing it afterwards, so it is none of "&", "<"
// and ">").
template <typename Sink>
void WriteEscaped(TextView value, const SpecialUnits& specials, Sink& sink) {
    std::size_t done = 0;
    for (std::size_t i = specials.Find(value, 0); i < value.size(); i = specials.Find(value, i)) {
        sink.Put(value.substr(done, i - done));
        i = PutSpecial(value, i, sink);
        done = i;
    }
    sink.Put(value.substr(done));
}

// The same for one byte per unit: each unit is looked at once, to escape and to encode it.
// The output pointer is kept local: written through `sink.out`, every byte stored could alias
// it and force a reload per unit.
void WriteEscaped(TextView value, const SpecialUnits& specials, OneByteSink& sink) {
    char* out = sink.out;
    for (std::size_t i = 0; i < value.size();) {
        const char16_t c = value[i];
        if (!specials.Is(c)) {
            *out++ = c < 0x80 ? static_cast<char>(c) : sink.page->EncodeUnit(c);
            ++i;
            continue;
        }
        sink.out = out;
        i = PutSpecial(value, i, sink);
        out = sink.out;
    }
    sink.out = out;
}

// Replaces each occurrence of a one-unit marker from `start` on by the line break, growing the
// text once and filling it from the back.
void ExpandMarker(Text& text, std::size_t start, char16_t marker) {
    std::size_t count = static_cast<std::size_t>(
        std::count(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), marker));
    if (count == 0)
        return;
    std::size_t read = text.size();
    std::size_t write = read + count * (kLineBreak.size() - 1);
    text.resize(write);
    while (read > start) {
        char16_t c = text[--read];
        if (c == marker) {
            for (std::size_t k = kLineBreak.size(); k > 0; --k)
                text[--write] = kLineBreak[k - 1];
        } else {
            text[--write] = c;
        }
    }
}

// The same for a marker at least as long as the line break: the text shrinks or keeps its size,
// so it is rewritten in place from the front.
void ReplaceLongMarker(Text& text, std::size_t start, TextView marker) {
    if (text.find(marker, start) == Text::npos)
        return;
    std::size_t write = start;
    for (std::size_t read = start; read < text.size();) {
        if (TextView(text).substr(read, marker.size()) == marker) {
            for (char16_t c : kLineBreak)
                text[write++] = c;
            read += marker.size();
        } else {
            text[write++] = text[read++];
        }
    }
    text.resize(write);
}

void ReplaceLineBreakMarker(Text& text, std::size_t start, TextView crChars) {
    if (crChars.size() < kLineBreak.size()) {
        ExpandMarker(text, start, crChars[0]);
    } else {
        ReplaceLongMarker(text, start, crChars);
    }
}

}  // namespace

bool RowBodyBuilder::Prepare(const TableCatalog& catalog, const DataFile& file,
                             Text& missingColumn) {
    openTags_.clear();
    tagUnits_ = 0;
    markerChecked_ = false;
    tagsEncodedFor_ = nullptr;
    for (const DataColumn& column : file.Columns()) {
        Text tag = catalog.TagOf(column.name);
        if (tag.empty()) {
            missingColumn = column.name;
            openTags_.clear();
            return false;
        }
        openTags_.push_back(u"<" + tag + u">");
        tagUnits_ += openTags_.back().size();
    }
    return true;
}

// The marker is replaced in the whole body, tags and escapes included. Replacing it while
// escaping gives the same text only when it is one unit that neither a tag nor an escape holds.
// The answer is kept for the marker last asked about: it is the same for every row.
bool RowBodyBuilder::ReplacesMarkerWhileEscaping(TextView crChars) const {
    if (crChars.size() != 1)
        return false;
    const char16_t marker = crChars[0];
    if (markerChecked_ && checkedMarker_ == marker)
        return markerReplaceable_;
    bool replaceable = true;
    for (TextView produced : {kSeparator, kEscapedLessThan, kEscapedGreaterThan}) {
        if (produced.find(marker) != TextView::npos)
            replaceable = false;
    }
    replaceable =
        replaceable && std::none_of(openTags_.begin(), openTags_.end(), [marker](const Text& tag) {
            return tag.find(marker) != Text::npos;
        });
    markerChecked_ = true;
    checkedMarker_ = marker;
    markerReplaceable_ = replaceable;
    return replaceable;
}

std::size_t RowBodyBuilder::FieldsToWrite(const RecordCursor& cursor) const {
    return std::min<std::size_t>(openTags_.size(), static_cast<std::size_t>(cursor.FieldCount()));
}

std::size_t RowBodyBuilder::EscapedBodyLength(const RecordCursor& cursor,
                                              const char16_t* marker) const {
    const SpecialUnits specials(marker);
    const std::size_t count = FieldsToWrite(cursor);
    std::size_t length = count == openTags_.size() ? tagUnits_ : 0;
    for (std::size_t i = 0; i < count; ++i) {
        length += count == openTags_.size() ? 0 : openTags_[i].size();
        length += EscapedLength(cursor.FieldAt(static_cast<int>(i))->value, specials);
    }
    return length;
}

template <typename Sink>
void RowBodyBuilder::WriteBody(const RecordCursor& cursor, const char16_t* marker,
                               Sink& sink) const {
    const SpecialUnits specials(marker);
    const std::size_t count = FieldsToWrite(cursor);
    for (std::size_t i = 0; i < count; ++i) {
        sink.Put(openTags_[i]);
        WriteEscaped(cursor.FieldAt(static_cast<int>(i))->value, specials, sink);
    }
}

// The body is measured first and then written straight into `out`.
void RowBodyBuilder::AppendBody(const RecordCursor& cursor, TextView crChars, Text& out) const {
    const char16_t* marker = ReplacesMarkerWhileEscaping(crChars) ? crChars.data() : nullptr;
    const std::size_t start = out.size();
    out.resize(start + EscapedBodyLength(cursor, marker));
    TextSink sink{out.data() + start};
    WriteBody(cursor, marker, sink);
    if (!crChars.empty() && marker == nullptr)
        ReplaceLineBreakMarker(out, start, crChars);
}

bool RowBodyBuilder::WritesInOnePass(TextView crChars) const {
    return crChars.empty() || ReplacesMarkerWhileEscaping(crChars);
}

const char16_t* RowBodyBuilder::OnePassMarker(TextView crChars) const {
    return !crChars.empty() && ReplacesMarkerWhileEscaping(crChars) ? crChars.data() : nullptr;
}

std::size_t RowBodyBuilder::OnePassBound(const RecordCursor& cursor) const {
    const std::size_t count = FieldsToWrite(cursor);
    std::size_t bound = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bound +=
            openTags_[i].size() + kMaxExpansion * cursor.FieldAt(static_cast<int>(i))->value.size();
    }
    return bound;
}

std::size_t RowBodyBuilder::OnePassLength(const RecordCursor& cursor, TextView crChars) const {
    return EscapedBodyLength(cursor, OnePassMarker(crChars));
}

std::size_t RowBodyBuilder::WriteUtf16Le(const RecordCursor& cursor, TextView crChars,
                                         char* out) const {
    Utf16LeSink sink{out};
    WriteBody(cursor, OnePassMarker(crChars), sink);
    return sink.Units(out);
}

std::size_t RowBodyBuilder::WriteOneByte(const RecordCursor& cursor, TextView crChars,
                                         const CodePage& page, char* out) const {
    const std::vector<std::string>& tags = TagsEncodedIn(page);
    const SpecialUnits specials(OnePassMarker(crChars));
    OneByteSink sink{out, &page};
    const std::size_t count = FieldsToWrite(cursor);
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(sink.out, tags[i].data(), tags[i].size());
        sink.out += tags[i].size();
        WriteEscaped(cursor.FieldAt(static_cast<int>(i))->value, specials, sink);
    }
    return sink.Units(out);
}

// The tags are the same for every row: encoded once per code page rather than unit by unit.
const std::vector<std::string>& RowBodyBuilder::TagsEncodedIn(const CodePage& page) const {
    if (tagsEncodedFor_ != &page) {
        encodedTags_.clear();
        for (const Text& tag : openTags_) {
            std::string bytes(tag.size(), '\0');
            OneByteSink sink{bytes.data(), &page};
            sink.Put(tag);
            encodedTags_.push_back(std::move(bytes));
        }
        tagsEncodedFor_ = &page;
    }
    return encodedTags_;
}

std::optional<Text> BuildRowBody(const TableCatalog& catalog, const RecordCursor& cursor,
                                 TextView crChars, Text& missingColumn) {
    RowBodyBuilder builder;
    missingColumn.clear();
    if (cursor.File() == nullptr || !builder.Prepare(catalog, *cursor.File(), missingColumn)) {
        return std::nullopt;
    }
    Text body;
    builder.AppendBody(cursor, crChars, body);
    return body;
}

}  // namespace dorvex
