#include "protocol/row_body_builder.h"

#include <algorithm>

#include "protocol/protocol_texts.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace dorvex {

using namespace protocol;

namespace {

// The most units one unit of a value can become ("<" -> "&lt;").
constexpr std::size_t kMaxExpansion = 4;
// Growth beyond the projection, and the least growth when the projection falls short.
constexpr double kProjectionMargin = 1.05;
constexpr double kMinimumGrowth = 1.25;

// Length of a value once escaped (see WriteEscaped).
std::size_t EscapedLength(TextView value, const char16_t* marker) {
    const char16_t lineBreakMarker = marker != nullptr ? *marker : kLessThan[0];
    std::size_t length = value.size();
    for (std::size_t i = 0; i < value.size(); ++i) {
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
        } else if (c == lineBreakMarker) {
            length += kLineBreak.size() - 1;
        }
    }
    return length;
}

// Writes one value, escaped, at `out` and returns the end of what was written. With `marker`
// set, the line-break marker is replaced in the same pass (the caller has checked that this
// gives the same text as replacing it afterwards, so it is none of "&", "<" and ">").
char16_t* WriteEscaped(TextView value, const char16_t* marker, char16_t* out) {
    const char16_t lineBreakMarker = marker != nullptr ? *marker : kLessThan[0];
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char16_t c = value[i];
        if (c != kEscapedSeparator[0] && c != kLessThan[0] && c != kGreaterThan[0] &&
            c != lineBreakMarker) {
            *out++ = c;
        } else if (c == kEscapedSeparator[0]) {
            const bool escaped = i + 1 < value.size() && value[i + 1] == kEscapedSeparator[1];
            *out++ = escaped ? kSeparator[0] : c;
            i += escaped ? 1 : 0;
        } else if (c == kLessThan[0]) {
            out = std::copy(kEscapedLessThan.begin(), kEscapedLessThan.end(), out);
        } else if (c == kGreaterThan[0]) {
            out = std::copy(kEscapedGreaterThan.begin(), kEscapedGreaterThan.end(), out);
        } else {
            out = std::copy(kLineBreak.begin(), kLineBreak.end(), out);
        }
    }
    return out;
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
bool RowBodyBuilder::ReplacesMarkerWhileEscaping(TextView crChars) const {
    if (crChars.size() != 1)
        return false;
    const char16_t marker = crChars[0];
    for (TextView produced : {kSeparator, kEscapedLessThan, kEscapedGreaterThan}) {
        if (produced.find(marker) != TextView::npos)
            return false;
    }
    return std::none_of(openTags_.begin(), openTags_.end(),
                        [marker](const Text& tag) { return tag.find(marker) != Text::npos; });
}

void RowBodyBuilder::MakeRoom(const RecordCursor& cursor, std::size_t bodyLength, Text& out) const {
    const std::size_t needed = out.size() + bodyLength;
    if (needed <= out.capacity())
        return;
    std::size_t target =
        std::max(needed, static_cast<std::size_t>(out.capacity() * kMinimumGrowth));
    const DataFile* file = cursor.File();
    if (file != nullptr) {
        const std::int64_t read = cursor.CurrentRowPos() - file->FirstRowPos();
        const std::int64_t total = file->Size() - file->FirstRowPos();
        if (read > 0 && total > read) {
            const double projected = static_cast<double>(out.size()) * static_cast<double>(total) /
                                     static_cast<double>(read) * kProjectionMargin;
            const double ceiling =
                static_cast<double>(needed) + static_cast<double>(total - read) * kMaxExpansion;
            target = std::max(target, static_cast<std::size_t>(std::min(projected, ceiling)));
        }
    }
    out.reserve(target);
}

// The body is measured first and then written straight into `out`.
void RowBodyBuilder::AppendBody(const RecordCursor& cursor, TextView crChars, Text& out) const {
    const std::size_t count = std::min<std::size_t>(openTags_.size(), cursor.FieldCount());
    const char16_t* marker = ReplacesMarkerWhileEscaping(crChars) ? crChars.data() : nullptr;
    std::size_t length = tagUnits_;
    for (std::size_t i = 0; i < count; ++i)
        length += EscapedLength(cursor.FieldAt(static_cast<int>(i))->value, marker);
    MakeRoom(cursor, length, out);

    const std::size_t start = out.size();
    out.resize(start + length);
    char16_t* write = out.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        write = std::copy(openTags_[i].begin(), openTags_[i].end(), write);
        write = WriteEscaped(cursor.FieldAt(static_cast<int>(i))->value, marker, write);
    }
    if (!crChars.empty() && marker == nullptr)
        ReplaceLineBreakMarker(out, start, crChars);
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
