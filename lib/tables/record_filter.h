// The filter of a record cursor: terms joined by "&" or "|", where "|" separates terms exactly
// like "&" (every term must hold). It decides the record a cursor starts on: the first record
// in file order that satisfies every term. MoveNext then goes on in file order unfiltered.
//
// An equality term on a column with a usable index file is answered by a binary search in the
// index; a term the index cannot answer the way a scan would, or an index that turns out to be
// unreadable, is answered by scanning. The result is the same either way.
#pragma once

#include <memory>
#include <vector>

#include "platform/result.h"
#include "platform/text.h"
#include "tables/field_condition.h"

namespace dorvex {

class RecordCursor;

class RecordFilter {
  public:
    explicit RecordFilter(RecordCursor& cursor) : cursor_(cursor) {}
    RecordFilter(const RecordFilter&) = delete;
    RecordFilter& operator=(const RecordFilter&) = delete;

    // Replaces the terms (nothing to do when the text is the current one). Fails, naming the
    // column, when a term names a column the data file lacks; then no term stays and the filter
    // text is forgotten.
    Result SetFilter(const Text& text);
    // Terms on `column` are answered through `index` (by scanning when it is null) instead of
    // the column's index file: for an index opened from memory. The terms are dropped (they
    // point at the indexes they use): set the filter afterwards.
    void UseIndex(int column, std::unique_ptr<ColumnIndex> index);
    // Stands the cursor on the first record that satisfies every term and returns true; false
    // (cursor at the end) when there is none or the cursor is not open.
    bool FindFirst();
    // True when every term holds for the current record (also when there is none).
    bool AllConditionsHold() const;

    bool HasConditions() const { return !conditions_.empty(); }
    const Text& FilterText() const { return filterText_; }
    const std::vector<FieldCondition>& Conditions() const { return conditions_; }
    const ColumnIndexMap& Indexes() const { return indexes_; }

  private:
    enum class IndexAnswer { Unusable, NoRecord, Found };
    IndexAnswer StartWithIndex(const FieldCondition& condition, ColumnIndex& index);
    bool ScanFromCurrentRecord();
    void MoveToEnd();

    RecordCursor& cursor_;
    Text filterText_;
    std::vector<FieldCondition> conditions_;
    ColumnIndexMap indexes_;
};

}  // namespace dorvex
