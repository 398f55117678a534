#include "tables/field_condition.h"

#include "tables/field_split.h"
#include "tables/record_cursor.h"
#include "tables/value_conversion.h"

namespace dorvex {
namespace {

constexpr TextView kBlank = u" ";

}  // namespace

int FieldCondition::OperatorCodeOf(TextView word) {
    if (word == u"<")
        return kLess;
    if (word == u"<=")
        return kLessOrEqual;
    if (word == u">=")
        return kGreaterOrEqual;
    if (word == u">")
        return kGreater;
    return kEqual;
}

Result FieldCondition::Parse(TextView term, int connector, ColumnIndexMap& indexes) {
    connector_ = connector;
    Text word;
    column_ = Trim(SplitField(word, term, kBlank));
    const DataColumn* column =
        cursor_->File() != nullptr ? cursor_->File()->FindColumn(column_) : nullptr;
    if (column == nullptr) {
        return Result::Failure(u"the filter names \"" + column_ + u"\", which is not a column of " +
                               (cursor_->File() != nullptr ? cursor_->File()->Path() : Text()));
    }
    columnPosition_ = column->position;
    index_ = IndexOfColumn(indexes);
    operator_ = SplitField(word, term, kBlank);
    operatorCode_ = OperatorCodeOf(operator_);
    valueText_ = Trim(term);
    std::optional<double> number = ToNumber(valueText_);
    isNumeric_ = number.has_value();
    numericValue_ = number.value_or(0);
    return {};
}

ColumnIndex* FieldCondition::IndexOfColumn(ColumnIndexMap& indexes) const {
    auto found = indexes.find(columnPosition_);
    if (found != indexes.end())
        return found->second.get();
    auto index = std::make_unique<ColumnIndex>();
    if (!index->Open(cursor_->File(), columnPosition_, ColumnType::Text))
        return nullptr;
    return indexes.emplace(columnPosition_, std::move(index)).first->second.get();
}

ColumnIndex* FieldCondition::IndexForSearch() const {
    if (index_ == nullptr || operatorCode_ != kEqual)
        return nullptr;
    bool sameOrder =
        isNumeric_ ? index_->Type() == ColumnType::Double : index_->Type() == ColumnType::Text;
    return sameOrder ? index_ : nullptr;
}

// -1, 0 or 1 as the cell is smaller than, equal to or greater than the value; -2 when a numeric
// term meets a cell that is no number.
int FieldCondition::CompareCell(TextView cell) const {
    if (!isNumeric_)
        return CompareNoCase(cell, valueText_);
    std::optional<double> number = ToNumber(cell);
    if (!number)
        return -2;
    return *number < numericValue_ ? -1 : (*number > numericValue_ ? 1 : 0);
}

bool FieldCondition::Evaluate() const {
    const FieldValue* field = cursor_->FieldAt(columnPosition_);
    int c = CompareCell(field != nullptr ? TextView(field->value) : TextView());
    switch (operatorCode_) {
        case kLess:
            return c == -1;
        case kLessOrEqual:
            return c == -1 || c == 0;
        case kGreaterOrEqual:
            return c == 0 || c == 1;
        case kGreater:
            return c == 1;
        default:
            return c == 0;
    }
}

}  // namespace dorvex
