#include "sim_schema.h"

namespace dorvex::sim {

std::optional<std::size_t> SimTable::FieldIndexByTag(TextView fieldTag) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].tag == fieldTag)
            return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> SimTable::FieldIndexByName(TextView fieldName) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (EqualsNoCase(fields[i].name, fieldName))
            return i;
    }
    return std::nullopt;
}

bool SimSchema::AddTable(TextView name, TextView tag, const std::vector<SimField>& entries) {
    SimTable table{Text(name), Text(tag), {}};
    for (const SimField& entry : entries) {
        if (entry.name.empty() || entry.tag.empty() || EqualsNoCase(entry.name, name))
            continue;
        if (table.FieldIndexByName(entry.name) || table.FieldIndexByTag(entry.tag))
            continue;
        table.fields.push_back(entry);
    }
    if (table.fields.empty() || tag.empty())
        return false;
    // A later definition of the same name replaces the earlier one, as in the catalog.
    // SQLite table names ignore case, so two names that differ only in case cannot both live.
    for (SimTable& existing : tables_) {
        if (existing.name == table.name) {
            existing = std::move(table);
            return true;
        }
        if (EqualsNoCase(existing.name, table.name))
            return false;
    }
    tables_.push_back(std::move(table));
    return true;
}

const SimTable* SimSchema::ByTag(TextView tag) const {
    for (const SimTable& table : tables_) {
        if (table.tag == tag)
            return &table;
    }
    return nullptr;
}

const SimTable* SimSchema::ByName(TextView name) const {
    for (const SimTable& table : tables_) {
        if (table.name == name)
            return &table;
    }
    for (const SimTable& table : tables_) {
        if (EqualsNoCase(table.name, name))
            return &table;
    }
    return nullptr;
}

}  // namespace dorvex::sim
