// Bodies of row requests: "<tag>value" for each column of the data file, in file order.
//
// Values are escaped in this order: "&|" -> ";", "<" -> "&lt;", ">" -> "&gt;". Then, when the
// line-break marker `crChars` is set, each occurrence of it in the whole body (tags included)
// becomes "\r\n".
//
// The builder resolves the tags once per file (Prepare) and then appends each row's body to a
// caller's buffer without allocating per field.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace dorvex {

class CodePage;
class DataFile;
class RecordCursor;
class TableCatalog;

class RowBodyBuilder {
  public:
    // Looks up the tag of every column of `file` in the catalog's current table. False, with
    // the (upper-case) name of the first column that has no tag in `missingColumn`, when a
    // column has none.
    bool Prepare(const TableCatalog& catalog, const DataFile& file, Text& missingColumn);
    // Appends the body of the cursor's current record to `out` (measured first, then written
    // in place: one row's buffer reused for every row costs no allocation after the first).
    void AppendBody(const RecordCursor& cursor, TextView crChars, Text& out) const;

    // Writing a body straight in the encoding it travels in, in one pass. That is possible
    // unless the marker must be replaced in the written body afterwards (a marker of several
    // units, or one that a tag or an escape holds): then AppendBody builds it. OnePassBound is
    // the most units the current record's body can take (without reading its values),
    // OnePassLength its exact length (reading them). The writers put the body at `out`, which
    // has room for the bound or the length, as UTF-16LE bytes or as the bytes of a code page of
    // one byte per unit, and return the units written.
    bool WritesInOnePass(TextView crChars) const;
    std::size_t OnePassBound(const RecordCursor& cursor) const;
    std::size_t OnePassLength(const RecordCursor& cursor, TextView crChars) const;
    std::size_t WriteUtf16Le(const RecordCursor& cursor, TextView crChars, char* out) const;
    std::size_t WriteOneByte(const RecordCursor& cursor, TextView crChars, const CodePage& page,
                             char* out) const;

  private:
    bool ReplacesMarkerWhileEscaping(TextView crChars) const;
    const char16_t* OnePassMarker(TextView crChars) const;
    std::size_t FieldsToWrite(const RecordCursor& cursor) const;
    std::size_t EscapedBodyLength(const RecordCursor& cursor, const char16_t* marker) const;
    const std::vector<std::string>& TagsEncodedIn(const CodePage& page) const;
    template <typename Sink>
    void WriteBody(const RecordCursor& cursor, const char16_t* marker, Sink& sink) const;

    std::vector<Text> openTags_;  // "<tag>" per column
    std::size_t tagUnits_ = 0;    // all of openTags_ together
    // The last marker ReplacesMarkerWhileEscaping was asked about, and its answer.
    mutable bool markerChecked_ = false;
    mutable char16_t checkedMarker_ = 0;
    mutable bool markerReplaceable_ = false;
    // openTags_ in the code page last written in, and that code page.
    mutable const CodePage* tagsEncodedFor_ = nullptr;
    mutable std::vector<std::string> encodedTags_;
};

// One body on its own; none, with the column name in `missingColumn`, when a column of the
// cursor's data file has no tag.
std::optional<Text> BuildRowBody(const TableCatalog& catalog, const RecordCursor& cursor,
                                 TextView crChars, Text& missingColumn);

}  // namespace dorvex
