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
#include <vector>

#include "platform/text.h"

namespace dorvex {

class DataFile;
class RecordCursor;
class TableCatalog;

class RowBodyBuilder {
  public:
    // Looks up the tag of every column of `file` in the catalog's current table. False, with
    // the (upper-case) name of the first column that has no tag in `missingColumn`, when a
    // column has none.
    bool Prepare(const TableCatalog& catalog, const DataFile& file, Text& missingColumn);
    // Appends the body of the cursor's current record to `out`. When `out` must grow, it grows
    // towards the size that all bodies of the file will need, projected from the part of the
    // file read so far, rather than doubling: one buffer for a whole file of bodies then ends
    // close to its final size instead of up to twice it.
    void AppendBody(const RecordCursor& cursor, TextView crChars, Text& out) const;

  private:
    bool ReplacesMarkerWhileEscaping(TextView crChars) const;
    void MakeRoom(const RecordCursor& cursor, std::size_t bodyLength, Text& out) const;

    std::vector<Text> openTags_;  // "<tag>" per column
    std::size_t tagUnits_ = 0;    // all of openTags_ together
};

// One body on its own; none, with the column name in `missingColumn`, when a column of the
// cursor's data file has no tag.
std::optional<Text> BuildRowBody(const TableCatalog& catalog, const RecordCursor& cursor,
                                 TextView crChars, Text& missingColumn);

}  // namespace dorvex
