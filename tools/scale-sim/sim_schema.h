// The simulator's view of table.csv: for each table its name and tag, and its fields with
// their tags. The first field is the key of the table's SQLite table.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

namespace dorvex::sim {

struct SimField {
    Text name;
    Text tag;
};

struct SimTable {
    Text name;
    Text tag;
    // Without the table's own entry; fields[0] is the key.
    std::vector<SimField> fields;

    std::optional<std::size_t> FieldIndexByTag(TextView fieldTag) const;
    std::optional<std::size_t> FieldIndexByName(TextView fieldName) const;
};

class SimSchema {
  public:
    // Takes the entries of a table as the catalog lists them (the table's own entry
    // included). Fields without a name or tag, and repeated names, are left out: they could
    // not be addressed, and SQLite column names ignore case. A table without a field has no
    // key and is left out, and so is a name that differs from an earlier one only in case;
    // the result says whether the table was added.
    bool AddTable(TextView name, TextView tag, const std::vector<SimField>& entries);

    const SimTable* ByTag(TextView tag) const;
    // SQL statements name tables without regard to case.
    const SimTable* ByName(TextView name) const;
    const std::vector<SimTable>& Tables() const { return tables_; }

  private:
    std::vector<SimTable> tables_;
};

}  // namespace dorvex::sim
