// One table of the table-definition file: its fields in column order. The entry of the "TABLE"
// column is part of the list: its name is the table's name and its tag the table's tag.
#pragma once

#include <vector>

#include "platform/text.h"

namespace dorvex {

struct TableField {
    Text name;  // as written in the name row
    Text tag;   // as written in the tag row

    bool operator==(const TableField&) const = default;
};

struct TableDefinition {
    std::vector<TableField> fields;
};

}  // namespace dorvex
