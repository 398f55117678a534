// A transfer's plan in lines for a person, as a dry run shows it: the encoding, the table
// definitions read, the table, each column with its tag, the number of rows, the operation and
// the first requests; or, up to where it stopped, why the transfer would be refused.
#pragma once

#include <vector>

#include "engine/transfer_plan.h"
#include "platform/text.h"

namespace dorvex {

class TableCatalog;

struct PlanDescription {
    std::vector<Text> lines;
    Text refusal;  // empty when the transfer would start
};

class PlanDescriber {
  public:
    static constexpr int kRequestsShown = 3;

    // Reads the plan's rows to count them. `catalog` is the one the plan was made with;
    // `crChars` the line-break marker the bodies would be built with.
    static PlanDescription Describe(TransferPlan& plan, const TableCatalog& catalog,
                                    TextView crChars);
};

}  // namespace dorvex
