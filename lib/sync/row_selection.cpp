#include "sync/row_selection.h"

#include "sync/row_digest.h"
#include "tables/data_file_problem.h"
#include "tables/field_condition.h"
#include "tables/record_filter.h"

namespace dorvex {

bool RowSelection::Open(const Text& path, TextView keyColumn, const Text& filter, Text& reason) {
    if (Result opened = file_.Open(path); !opened) {
        reason = path + u": " + DescribeDataFileProblem(path, opened.Reason());
        return false;
    }
    const DataColumn* key = keyColumn.empty() ? file_.ColumnAt(0) : file_.FindColumn(keyColumn);
    if (key == nullptr) {
        reason = u"the key column " + Text(keyColumn) + u" is not a column of " + path;
        return false;
    }
    keyPosition_ = key->position;
    seed_ = RowDigest::OfColumns(file_.Columns());
    if (!cursor_.Open(&file_)) {
        reason = path + u": " + DescribeDataFileProblem(path, {});
        return false;
    }
    filtered_ = !Trim(filter).empty();
    if (filtered_ && cursor_.SetFilter(filter) != 0) {
        reason = u"the filter names " + UnknownFilterColumn(filter) +
                 u", which is not a column of " + path;
        return false;
    }
    SkipUnselected();
    return true;
}

// The filter refuses a whole text for its first unknown column: find which one it was.
Text RowSelection::UnknownFilterColumn(const Text& filter) {
    ColumnIndexMap indexes;
    TextView rest = filter;
    while (!rest.empty()) {
        const std::size_t cut = std::min(rest.find_first_of(u"&|"), rest.size());
        FieldCondition condition(&cursor_);
        if (condition.Parse(rest.substr(0, cut), 1, indexes) != 0)
            return u"\"" + condition.Column() + u"\"";
        rest.remove_prefix(std::min(cut + 1, rest.size()));
    }
    return u"a column";
}

void RowSelection::SkipUnselected() {
    while (filtered_ && !cursor_.IsEOF() && !cursor_.AllConditionsHold())
        cursor_.MoveNext();
}

void RowSelection::Next() {
    cursor_.MoveNext();
    SkipUnselected();
}

const Text& RowSelection::Key() const {
    return cursor_.FieldAt(keyPosition_)->value;
}

std::uint64_t RowSelection::Digest() const {
    return RowDigest::OfRecord(seed_, cursor_);
}

}  // namespace dorvex
