// The three statements the scale takes in "<qry>": SELECT COUNT(*) FROM t,
// SELECT c1, c2 FROM t (or SELECT * FROM t) and DELETE FROM t. Keywords ignore case; column
// names are cut at the commas and trimmed, so they may hold spaces.
#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"

namespace dorvex::sim {

enum class SqlKind { Count, Select, Delete };

struct SqlStatement {
    SqlKind kind = SqlKind::Count;
    Text table;
    std::vector<Text> columns;  // Select only; empty for "*"
};

std::optional<SqlStatement> ParseSqlStatement(TextView query);

}  // namespace dorvex::sim
