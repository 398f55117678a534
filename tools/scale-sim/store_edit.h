// Edits made to a scale's database behind the library's back before the scale serves: a
// stored value altered, a stored row dropped. Verify and sync need a scale that holds
// something other than what was sent.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim_schema.h"
#include "table_store.h"

namespace dorvex::sim {

struct StoreEdit {
    enum class Kind { Alter, DropRow };
    Kind kind = Kind::Alter;
    std::string table;  // a table's name (any case) or tag
    std::string key;    // the value of the table's first field
    std::string field;  // Alter: a field's name (any case) or tag
    std::string value;  // Alter: the new value, as the scale stores it

    // The edit as given on the command line, for messages.
    std::string Describe() const;
};

// "TABLE:KEY:FIELD=VALUE": the table ends at the first ":", the field at the first "=" after
// it and begins after the last ":" before that, so a key may hold ":" and a value anything.
std::optional<StoreEdit> ParseAlterEdit(const std::string& text);
// "TABLE:KEY": the key is everything after the first ":".
std::optional<StoreEdit> ParseDropRowEdit(const std::string& text);

// Applies the edits in order, all or none. An edit that names an unknown table or field, or a key
// the table does not hold, stops with `error` set: a test that means to alter a row must not pass
// because the row was never there.
bool ApplyStoreEdits(const std::vector<StoreEdit>& edits, const SimSchema& schema,
                     TableStore& store, std::string& error);

}  // namespace dorvex::sim
