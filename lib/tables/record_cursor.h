// Walks the records of an open DataFile and keeps the cells of the current record, one
// FieldValue per column of the file, in column order.
//
// Contract: after Open and after each MoveNext, IsEOF() is false exactly when a record is
// current; every record of the file is current once, including a last line without a line end.
//
//     for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext()) { ... use the record ... }
//
// When the end is reached every value is empty and CurrentLine() is empty.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/result.h"
#include "platform/text.h"
#include "tables/data_file.h"

namespace dorvex {

class RecordFilter;

struct FieldValue {
    Text name;   // the column's upper-case name
    Text value;  // the cell of the current record; empty when the record has fewer cells
};

class RecordCursor {
  public:
    RecordCursor();
    explicit RecordCursor(DataFile* file);
    ~RecordCursor();
    RecordCursor(const RecordCursor&) = delete;
    RecordCursor& operator=(const RecordCursor&) = delete;

    // Takes `file` when given (the cursor never owns or closes it), opens it with its stored
    // path when it is not open yet, and stands on its first record. False when there is no
    // data file or it cannot be opened.
    // With a `filter` (see RecordFilter) it stands on the first record that satisfies it, or at
    // the end when none does; a filter naming a column the file lacks is refused (false, the
    // cursor stays closed). Opened again without a filter it keeps the one it has, unless it
    // is given another data file.
    bool Open(DataFile* file = nullptr, const Text* filter = nullptr);
    void Close();
    bool IsOpen() const { return isOpen_; }

    // True when no record is current: past the last record, or no open data file.
    bool IsEOF() const;
    // Moves to the next record; false (and IsEOF) when there is none.
    bool MoveNext();
    // Reads the record whose line begins at (or, skipping blank and comment lines, after)
    // `pos`; what MoveNext then continues from. For filters and column indexes.
    bool ReadRecordAt(std::int64_t pos);

    // The value of the column named `name` (any letter case), or null when there is none.
    const Text* GetFieldValue(TextView name) const;
    // Inline: the body of every row request reads each of its fields through it.
    const FieldValue* FieldAt(int position) const {
        if (position < 0 || position >= static_cast<int>(fields_.size()))
            return nullptr;
        return &fields_[static_cast<std::size_t>(position)];
    }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    const Text& CurrentLine() const { return currentLine_; }
    // The filter operations (RecordFilter): fails for a term on an unknown column; true when
    // the cursor stands on a record that satisfies every term; true when every term holds.
    Result SetFilter(const Text& text);
    bool FindFirst();
    bool AllConditionsHold() const;
    const RecordFilter* Filter() const { return filter_.get(); }
    // Where the current record's line begins in the file.
    std::int64_t CurrentRowPos() const { return currentRowPos_; }
    DataFile* File() const { return file_; }

  private:
    void MakeFields();
    bool ReadRecord();
    void SplitCurrentLine();

    DataFile* file_ = nullptr;
    bool isOpen_ = false;
    bool atEnd_ = true;
    std::vector<FieldValue> fields_;
    std::unordered_map<Text, std::size_t> fieldByName_;
    Text currentLine_;
    std::int64_t currentRowPos_ = -1;
    std::unique_ptr<RecordFilter> filter_;  // with its conditions and column indexes
};

}  // namespace dorvex
