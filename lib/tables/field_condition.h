// One term of a record filter: COLUMN OP VALUE, the three parts separated by blanks. The
// operators are "<", "<=", "=", ">=" and ">"; any other word (or none) counts as "=". The cell
// is compared as a number when the value converts to one (a cell that does not convert then
// never satisfies the term), else as text without regard to letter case.
#pragma once

#include <map>
#include <memory>

#include "platform/result.h"
#include "platform/text.h"
#include "tables/column_index.h"

namespace dorvex {

class RecordCursor;

// The column indexes of one cursor, by column position.
using ColumnIndexMap = std::map<int, std::unique_ptr<ColumnIndex>>;

class FieldCondition {
  public:
    enum OperatorCode {
        kLess = 0,
        kLessOrEqual = 1,
        kEqual = 2,
        kGreaterOrEqual = 3,
        kGreater = 4
    };
    explicit FieldCondition(RecordCursor* cursor) : cursor_(cursor) {}

    // Reads the term; the column's index comes from `indexes`, or is opened and entered there
    // when its file exists. Fails, naming the column, for a column the data file does not have.
    Result Parse(TextView term, int connector, ColumnIndexMap& indexes);
    // True when the cursor's current record satisfies the term.
    bool Evaluate() const;
    // The index that can find this term's first record: an equality whose index orders keys
    // exactly as the term compares them (texts in a text index, numbers in a double index).
    ColumnIndex* IndexForSearch() const;

    const Text& Column() const { return column_; }
    int ColumnPosition() const { return columnPosition_; }
    const Text& Operator() const { return operator_; }
    int OperatorCodeValue() const { return operatorCode_; }
    const Text& ValueText() const { return valueText_; }
    bool IsNumeric() const { return isNumeric_; }
    double NumericValue() const { return numericValue_; }
    ColumnIndex* Index() const { return index_; }
    int Connector() const { return connector_; }

  private:
    static int OperatorCodeOf(TextView word);
    ColumnIndex* IndexOfColumn(ColumnIndexMap& indexes) const;
    int CompareCell(TextView cell) const;

    RecordCursor* cursor_ = nullptr;
    Text column_;
    int columnPosition_ = -1;
    Text operator_;
    int operatorCode_ = kEqual;
    Text valueText_;
    double numericValue_ = 0;
    bool isNumeric_ = false;
    ColumnIndex* index_ = nullptr;
    int connector_ = 1;
};

}  // namespace dorvex
