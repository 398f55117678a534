#include "engine/transfer_plan.h"

#include "platform/path.h"
#include "protocol/protocol_texts.h"
#include "tables/data_file_problem.h"
#include "tables/table_catalog.h"

namespace dorvex {

TransferPlan::TransferPlan(Source source, TableCatalog& catalog)
    : source_(std::move(source)), catalog_(catalog) {
    bareName_ = BaseName(source_.fileName);
    encoding_ = FileNameRules::EncodingOf(source_.fileName);
    if (!encoding_) {
        Refuse(Refusal::Extension, FileNameRules::ExtensionProblem(bareName_));
    } else if (OpenDataFile() && ChooseTable()) {
        PlanRequests();
    }
}

void TransferPlan::Refuse(Refusal refusal, Text reason) {
    refusal_ = refusal;
    reason_ = std::move(reason);
}

bool TransferPlan::OpenDataFile() {
    path_ = HasPathSeparator(source_.fileName) ? source_.fileName
                                               : JoinPath(source_.inputDirectory, source_.fileName);
    if (Result opened = file_.Open(path_); !opened) {
        Refuse(Refusal::CannotOpen,
               path_ + u": " + DescribeDataFileProblem(path_, opened.Reason()));
        return false;
    }
    cursor_.Open(&file_);
    return true;
}

bool TransferPlan::ChooseTable() {
    std::optional<Text> table = FileNameRules::TableOf(bareName_, catalog_);
    if (!table) {
        Refuse(Refusal::NoTable, FileNameRules::TableProblem(bareName_, catalog_));
        return false;
    }
    table_ = *table;
    catalog_.SelectTable(table_);
    tableTag_ = catalog_.TagOf(table_);
    columns_.reserve(file_.Columns().size());
    for (const DataColumn& column : file_.Columns())
        columns_.push_back({column.name, catalog_.TagOf(column.name)});
    return true;
}

void TransferPlan::PlanRequests() {
    if (!cursor_.IsEOF()) {
        PlanRowRequests();
    } else if (source_.mode == TransferMode::Write) {
        // A header without rows reads or deletes the whole table; a write has nothing to send.
        Refuse(Refusal::NoRows,
               bareName_ + u" has a header line but no rows: there is nothing to write");
    } else {
        PlanWholeTableRequests();
    }
}

void TransferPlan::PlanRowRequests() {
    kind_ = RequestKind::RowRequests;
    const TransferMode mode = source_.mode;
    const Text device =
        mode == TransferMode::Read ? ReadDeviceText(source_.deviceNumber) : source_.deviceNumber;
    requestHeader_ = RowHeader(BuildTableHeader(catalog_, table_, ModeText(mode)), device);
    if (!builder_.Prepare(catalog_, file_, missingColumn_)) {
        Refuse(Refusal::NoTag, u"column " + missingColumn_ + u" of " + bareName_ +
                                   u" has no tag in table " + table_ + u" of " +
                                   catalog_.TableFileName());
    }
}

void TransferPlan::PlanWholeTableRequests() {
    kind_ = RequestKind::TableRequests;
    if (source_.mode == TransferMode::Read) {
        requestHeader_ =
            SqlHeader(ModeText(TransferMode::Read), ReadDeviceText(source_.deviceNumber));
        statements_ = {CountStatement(table_), SelectStatement(BuildColumnList(cursor_), table_)};
        return;
    }
    requestHeader_ = SqlHeader(ModeText(TransferMode::Delete), source_.deviceNumber);
    statements_ = {DeleteStatement(table_)};
}

}  // namespace dorvex
