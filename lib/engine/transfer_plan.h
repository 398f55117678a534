// How a transfer of a data file will go, decided before anything is sent: the file's
// encoding, the table its name names, the tag of each column, the kind of requests and their
// header, or why the transfer is refused. The engine sends the requests of the plan; a dry run
// describes it (plan_description.h).
#pragma once

#include <optional>
#include <vector>

#include "engine/file_name_rules.h"
#include "engine/transfer_types.h"
#include "platform/text.h"
#include "protocol/row_body_builder.h"
#include "protocol/transfer_mode.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace dorvex {

class TableCatalog;

class TransferPlan {
  public:
    // Where the planning stopped, in the order of the checks; None when the transfer can start.
    enum class Refusal { None, Extension, CannotOpen, NoTable, NoTag, NoRows };

    struct Column {
        Text name;  // upper case, as the data file's header names it
        Text tag;   // empty when the table has none for it
    };

    struct Source {
        Text fileName;  // a bare name in the input directory, or a path
        TransferMode mode = TransferMode::Write;
        Text inputDirectory;
        Text deviceNumber;
    };

    // Opens the data file and decides everything but the row bodies, up to the first refusal.
    // Makes the table current in `catalog`, which must outlive the plan.
    TransferPlan(Source source, TableCatalog& catalog);
    TransferPlan(const TransferPlan&) = delete;
    TransferPlan& operator=(const TransferPlan&) = delete;

    Refusal Refused() const { return refusal_; }
    bool Accepted() const { return refusal_ == Refusal::None; }
    // Why the transfer is refused, in a sentence; empty when it is not.
    const Text& Reason() const { return reason_; }

    TransferMode Mode() const { return source_.mode; }
    const Text& BareName() const { return bareName_; }
    const Text& Path() const { return path_; }
    std::optional<FileNameRules::Encoding> Encoding() const { return encoding_; }
    const Text& DataHeaderLine() const { return file_.HeaderLine(); }
    const Text& Table() const { return table_; }
    const Text& TableTag() const { return tableTag_; }
    const std::vector<Column>& Columns() const { return columns_; }
    // With NoTag, the first column without a tag.
    const Text& MissingColumn() const { return missingColumn_; }

    // One request per row when the file has rows, else a whole-table read or delete.
    RequestKind Kind() const { return kind_; }
    // The header every request starts with (of a whole-table read, its count request's).
    const Text& RequestHeader() const { return requestHeader_; }
    // The bodies of a whole-table read or delete, in sending order.
    const std::vector<Text>& Statements() const { return statements_; }
    // The data rows from the first, and the builder of their bodies, for row requests.
    RecordCursor& Rows() { return cursor_; }
    const RowBodyBuilder& Bodies() const { return builder_; }

  private:
    void Refuse(Refusal refusal, Text reason);
    bool OpenDataFile();
    bool ChooseTable();
    void PlanRequests();
    void PlanRowRequests();
    void PlanWholeTableRequests();

    Source source_;
    TableCatalog& catalog_;
    Refusal refusal_ = Refusal::None;
    Text reason_;
    Text bareName_;
    Text path_;
    std::optional<FileNameRules::Encoding> encoding_;
    DataFile file_;
    RecordCursor cursor_;
    Text table_;
    Text tableTag_;
    std::vector<Column> columns_;
    Text missingColumn_;
    RequestKind kind_ = RequestKind::RowRequests;
    Text requestHeader_;
    std::vector<Text> statements_;
    RowBodyBuilder builder_;
};

}  // namespace dorvex
