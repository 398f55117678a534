#include "api/verify_session.h"

#include "api/engine_transfer_step.h"
#include "api/sync_target.h"
#include "sync/row_selection.h"
#include "sync/subset_file.h"
#include "sync/value_match.h"
#include "tables/record_cursor.h"

namespace dorvex {
namespace {

// Result lines keep ";" inside values as "&|", so a plain split finds the fields.
std::vector<Text> SplitFields(TextView line) {
    std::vector<Text> fields;
    for (;;) {
        const std::size_t end = line.find(u';');
        fields.emplace_back(line.substr(0, end));
        if (end == TextView::npos)
            return fields;
        line.remove_prefix(end + 1);
    }
}

Text Quoted(TextView value) {
    return u"\"" + Text(value) + u"\"";
}

}  // namespace

VerifySession::VerifySession(std::shared_ptr<EngineRegistry::Entry> entry, VerifyRequest request)
    : entry_(std::move(entry)), request_(std::move(request)) {}

int VerifySession::Run(Text& reason) {
    SyncTarget target(entry_);
    if (!target.Find(request_.fileName, reason))
        return -1;
    marker_ = target.Marker();
    RowSelection rows;
    if (!rows.Open(target.Path(), request_.keyColumn, request_.filter, reason))
        return -1;
    keyName_ = rows.KeyColumnName();
    for (const DataColumn& column : rows.File().Columns())
        columns_.push_back(column.name);

    std::vector<FileRow> fileRows;
    std::vector<Text> keys;
    for (; !rows.AtEnd(); rows.Next()) {
        FileRow row{rows.Key(), {}};
        for (int i = 0; i < rows.Cursor().FieldCount(); ++i)
            row.values.push_back(rows.Cursor().FieldAt(i)->value);
        keys.push_back(row.key);
        fileRows.push_back(std::move(row));
    }
    summary_.checked = static_cast<int>(fileRows.size());
    if (fileRows.empty())
        return 0;

    SubsetFile subset;
    if (!subset.Create(target.Name(), keyName_, keys, reason))
        return -1;
    EngineTransferStep step(entry_);
    if (!step.Start(subset, TransferMode::Read, reason))
        return -1;
    if (Text left; !subset.Remove(&left))
        report_ += u"warning: a temporary copy of keys was not removed: " + left + u"\n";
    step.Wait();
    std::optional<ResultLines> results = step.Results(reason);
    if (!results)
        return -1;

    const std::vector<Text> scaleNames = SplitFields(results->header);
    scaleFieldCount_ = scaleNames.size();
    for (const Text& name : columns_) {
        int place = -1;
        for (std::size_t i = 0; i < scaleNames.size(); ++i) {
            if (EqualsNoCase(scaleNames[i], name))
                place = static_cast<int>(i);
        }
        scaleColumn_.push_back(place);
    }
    for (std::size_t i = 0; i < fileRows.size(); ++i)
        Compare(fileRows[i], i < results->lines.size() ? TextView(results->lines[i]) : u"");
    return summary_.differing + summary_.missing;
}

void VerifySession::Compare(const FileRow& row, TextView line) {
    const std::vector<Text> scale = SplitFields(line);
    // A reply that carries no row (an error, no reply) gives a line that is not one.
    if (scale.size() != scaleFieldCount_ || scaleFieldCount_ < 2) {
        ++summary_.missing;
        report_ += u"missing: " + keyName_ + u" " + row.key + u" (the scale answered: " +
                   (line.empty() ? Text(u"nothing") : Quoted(line)) + u")\n";
        return;
    }
    Text differences;
    for (std::size_t c = 0; c < columns_.size() && c < row.values.size(); ++c) {
        if (scaleColumn_[c] < 0)
            continue;
        const Text& scaleValue = scale[static_cast<std::size_t>(scaleColumn_[c])];
        if (ValueMatch::Same(row.values[c], scaleValue, marker_))
            continue;
        differences += u"\n  " + columns_[c] + u": file " + Quoted(row.values[c]) + u", scale " +
                       Quoted(scaleValue);
    }
    if (differences.empty()) {
        ++summary_.matching;
        return;
    }
    ++summary_.differing;
    report_ += u"differs: " + keyName_ + u" " + row.key + differences + u"\n";
}

}  // namespace dorvex
