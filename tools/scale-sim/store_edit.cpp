#include "store_edit.h"

namespace dorvex::sim {
namespace {

const SimTable* FindTable(const SimSchema& schema, const std::string& nameOrTag) {
    Text text = FromUtf8(nameOrTag);
    const SimTable* table = schema.ByName(text);
    return table != nullptr ? table : schema.ByTag(text);
}

std::optional<std::size_t> FindField(const SimTable& table, const std::string& nameOrTag) {
    Text text = FromUtf8(nameOrTag);
    std::optional<std::size_t> field = table.FieldIndexByName(text);
    return field ? field : table.FieldIndexByTag(text);
}

bool ApplyEdit(const StoreEdit& edit, const SimSchema& schema, TableStore& store,
               std::string& error) {
    const SimTable* table = FindTable(schema, edit.table);
    if (table == nullptr) {
        error = "no table " + edit.table;
        return false;
    }
    Text key = FromUtf8(edit.key);
    std::int64_t changed = 0;
    if (edit.kind == StoreEdit::Kind::DropRow) {
        changed = store.DeleteByKey(*table, key);
    } else {
        std::optional<std::size_t> field = FindField(*table, edit.field);
        if (!field) {
            error = "no field " + edit.field + " in table " + ToUtf8(table->name);
            return false;
        }
        changed = store.UpdateField(*table, key, *field, FromUtf8(edit.value));
    }
    if (changed < 0)
        error = "database error: " + ToUtf8(store.LastError());
    else if (changed == 0)
        error = "table " + ToUtf8(table->name) + " holds no record with key " + edit.key;
    return changed > 0;
}

}  // namespace

std::string StoreEdit::Describe() const {
    if (kind == Kind::DropRow)
        return "--drop-row " + table + ":" + key;
    return "--alter " + table + ":" + key + ":" + field + "=" + value;
}

std::optional<StoreEdit> ParseAlterEdit(const std::string& text) {
    std::size_t tableEnd = text.find(':');
    if (tableEnd == std::string::npos)
        return std::nullopt;
    std::size_t equals = text.find('=', tableEnd + 1);
    if (equals == std::string::npos)
        return std::nullopt;
    std::size_t keyEnd = text.rfind(':', equals);
    if (keyEnd == std::string::npos || keyEnd <= tableEnd)
        return std::nullopt;
    StoreEdit edit;
    edit.kind = StoreEdit::Kind::Alter;
    edit.table = text.substr(0, tableEnd);
    edit.key = text.substr(tableEnd + 1, keyEnd - tableEnd - 1);
    edit.field = text.substr(keyEnd + 1, equals - keyEnd - 1);
    edit.value = text.substr(equals + 1);
    if (edit.table.empty() || edit.key.empty() || edit.field.empty())
        return std::nullopt;
    return edit;
}

std::optional<StoreEdit> ParseDropRowEdit(const std::string& text) {
    std::size_t tableEnd = text.find(':');
    if (tableEnd == std::string::npos || tableEnd == 0 || tableEnd + 1 >= text.size())
        return std::nullopt;
    StoreEdit edit;
    edit.kind = StoreEdit::Kind::DropRow;
    edit.table = text.substr(0, tableEnd);
    edit.key = text.substr(tableEnd + 1);
    return edit;
}

bool ApplyStoreEdits(const std::vector<StoreEdit>& edits, const SimSchema& schema,
                     TableStore& store, std::string& error) {
    if (edits.empty())
        return true;
    if (!store.Begin()) {
        error = "database error: " + ToUtf8(store.LastError());
        return false;
    }
    for (const StoreEdit& edit : edits) {
        if (!ApplyEdit(edit, schema, store, error)) {
            error = edit.Describe() + ": " + error;
            store.Rollback();
            return false;
        }
    }
    if (!store.Commit()) {
        error = "database error: " + ToUtf8(store.LastError());
        store.Rollback();
        return false;
    }
    return true;
}

}  // namespace dorvex::sim
