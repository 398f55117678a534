// The rows of a data file that a sync, verify or filtered write works on: every record, or
// those that satisfy every term of a filter in the library's own grammar (each record tested
// with the filter's conditions), each with its key cell and its digest.
//
//     RowSelection rows;
//     if (!rows.Open(path, u"", u"DEPARTMENT = 3", reason)) ...
//     for (; !rows.AtEnd(); rows.Next()) { rows.Key(); rows.Line(); rows.Digest(); }
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace dorvex {

class RowSelection {
  public:
    RowSelection() = default;
    RowSelection(const RowSelection&) = delete;
    RowSelection& operator=(const RowSelection&) = delete;

    // Opens the file and stands on the first selected record. `keyColumn` empty: the first
    // column. False with the reason: the file cannot be opened, the key column or a column
    // of the filter is not in the file (named).
    bool Open(const Text& path, TextView keyColumn, const Text& filter, Text& reason);

    bool AtEnd() const { return cursor_.IsEOF(); }
    void Next();

    const Text& Key() const;
    const Text& Line() const { return cursor_.CurrentLine(); }
    std::uint64_t Digest() const;
    const RecordCursor& Cursor() const { return cursor_; }
    const DataFile& File() const { return file_; }
    // The key column's name as the header writes it (upper case).
    const Text& KeyColumnName() const { return file_.Columns()[keyPosition_].name; }

  private:
    void SkipUnselected();

    DataFile file_;
    RecordCursor cursor_;
    bool filtered_ = false;
    int keyPosition_ = 0;
    std::uint64_t seed_ = 0;
};

}  // namespace dorvex
