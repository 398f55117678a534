#include "protocol/row_body_builder.h"

#include <algorithm>

#include "protocol/protocol_texts.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace dorvex {

using namespace protocol;

namespace {

constexpr TextView kEscapedCharacters = u"&<>";

void AppendEscaped(TextView value, Text& out) {
    if (value.find_first_of(kEscapedCharacters) == TextView::npos) {
        out += value;
        return;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        char16_t c = value[i];
        if (c == kEscapedSeparator[0] && i + 1 < value.size() &&
            value[i + 1] == kEscapedSeparator[1]) {
            out += kSeparator;
            ++i;
        } else if (c == kLessThan[0]) {
            out += kEscapedLessThan;
        } else if (c == kGreaterThan[0]) {
            out += kEscapedGreaterThan;
        } else {
            out += c;
        }
    }
}

// Replaces each occurrence of a one-unit marker from `start` on by the line break, growing the
// text once and filling it from the back.
void ExpandMarker(Text& text, std::size_t start, char16_t marker) {
    std::size_t count =
        static_cast<std::size_t>(std::count(text.begin() + start, text.end(), marker));
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
    if (crChars.empty())
        return;
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
    for (const DataColumn& column : file.Columns()) {
        Text tag = catalog.TagOf(column.name);
        if (tag.empty()) {
            missingColumn = column.name;
            openTags_.clear();
            return false;
        }
        openTags_.push_back(u"<" + tag + u">");
    }
    return true;
}

void RowBodyBuilder::AppendBody(const RecordCursor& cursor, TextView crChars, Text& out) const {
    const std::size_t start = out.size();
    const std::size_t count = std::min<std::size_t>(openTags_.size(), cursor.FieldCount());
    for (std::size_t i = 0; i < count; ++i) {
        out += openTags_[i];
        AppendEscaped(cursor.FieldAt(static_cast<int>(i))->value, out);
    }
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
