#include "sync/row_selection.h"

#include "sync/row_digest.h"
#include "tables/data_file_problem.h"
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
    if (filtered_) {
        if (Result set = cursor_.SetFilter(filter); !set) {
            reason = set.Reason();
            return false;
        }
    }
    SkipUnselected();
    return true;
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
