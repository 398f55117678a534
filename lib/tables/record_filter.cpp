#include "tables/record_filter.h"

#include <algorithm>
#include <utility>

#include "tables/record_cursor.h"

namespace dorvex {

Result RecordFilter::SetFilter(const Text& text) {
    if (text == filterText_)
        return {};
    conditions_.clear();
    filterText_.clear();
    TextView rest = text;
    while (!rest.empty()) {
        std::size_t cut = std::min(rest.find_first_of(u"&|"), rest.size());
        const int connector = cut < rest.size() && rest[cut] == u'|' ? 0 : 1;
        TextView term = rest.substr(0, cut);
        rest.remove_prefix(std::min(cut + 1, rest.size()));
        FieldCondition condition(&cursor_);
        if (Result parsed = condition.Parse(term, connector, indexes_); !parsed) {
            conditions_.clear();
            return parsed;
        }
        conditions_.push_back(std::move(condition));
    }
    filterText_ = text;
    return {};
}

void RecordFilter::UseIndex(int column, std::unique_ptr<ColumnIndex> index) {
    conditions_.clear();
    filterText_.clear();
    indexes_[column] = std::move(index);
}

bool RecordFilter::AllConditionsHold() const {
    return std::all_of(conditions_.begin(), conditions_.end(),
                       [](const FieldCondition& condition) { return condition.Evaluate(); });
}

bool RecordFilter::FindFirst() {
    if (!cursor_.IsOpen() || cursor_.File() == nullptr)
        return false;
    for (const FieldCondition& condition : conditions_) {
        ColumnIndex* index = condition.IndexForSearch();
        if (index == nullptr)
            continue;
        IndexAnswer answer = StartWithIndex(condition, *index);
        if (answer == IndexAnswer::Found)
            return ScanFromCurrentRecord();
        if (answer == IndexAnswer::NoRecord) {
            MoveToEnd();
            return false;
        }
        break;
    }
    cursor_.ReadRecordAt(cursor_.File()->FirstRowPos());
    return ScanFromCurrentRecord();
}

// The index holds the first record of every key in file order, so no record before the one it
// finds can satisfy the term, and none at all when it finds nothing.
RecordFilter::IndexAnswer RecordFilter::StartWithIndex(const FieldCondition& condition,
                                                       ColumnIndex& index) {
    std::int32_t position = 0;
    std::int64_t filePos = -1;
    int found = index.Search(condition.ValueText(), &position, &filePos);
    if (found == -2)
        return IndexAnswer::Unusable;
    if (found != 0)
        return IndexAnswer::NoRecord;
    bool onRecord = cursor_.ReadRecordAt(filePos) && cursor_.CurrentRowPos() == filePos;
    return onRecord && condition.Evaluate() ? IndexAnswer::Found : IndexAnswer::Unusable;
}

bool RecordFilter::ScanFromCurrentRecord() {
    for (; !cursor_.IsEOF(); cursor_.MoveNext()) {
        if (AllConditionsHold())
            return true;
    }
    return false;
}

void RecordFilter::MoveToEnd() {
    cursor_.ReadRecordAt(cursor_.File()->Size());
}

}  // namespace dorvex
