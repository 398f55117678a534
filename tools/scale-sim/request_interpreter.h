// The scale's request interpreter: executes identity, row and statement requests against the
// table store and composes the reply texts.
#pragma once

#include <cstdint>
#include <optional>

#include "request_parser.h"
#include "sim_schema.h"
#include "sql_statement.h"
#include "table_store.h"

namespace dorvex::sim {

class RequestInterpreter {
  public:
    // With `device` set, requests for another device number (other than 0, "fm") get an error
    // reply; without it every device number is taken as ours.
    RequestInterpreter(const SimSchema& schema, TableStore& store, std::optional<int> device);

    Text Answer(TextView request);

    // The name of the request's leading tag, for replies that do not execute it.
    static Text LeadingName(TextView request);

  private:
    std::optional<Text> CheckDevice(const ParsedRequest& request) const;
    Text AnswerIdentity(const ParsedRequest& request) const;
    Text AnswerRow(const SimTable& table, const ParsedRequest& request);
    Text AnswerStatement(const ParsedRequest& request);
    Text AnswerSelect(const SqlStatement& statement, const SimTable& table, TextView mode);
    Text StoreError(TextView name) const;

    // A whole-table read in progress: the statement it serves and the last record sent.
    struct Walk {
        Text key;
        std::int64_t lastRowid = 0;
    };

    const SimSchema& schema_;
    TableStore& store_;
    std::optional<int> device_;
    std::optional<Walk> walk_;
};

}  // namespace dorvex::sim
