#include "table_store.h"

namespace dorvex::sim {
namespace {

// Requests choose their fields, so the shapes are many in theory: the cache starts afresh
// rather than grow without end.
constexpr std::size_t kMaxPrepared = 64;

std::string ColumnList(const SimTable& table, const std::vector<std::size_t>& columns) {
    std::string list;
    for (std::size_t column : columns) {
        if (!list.empty())
            list += ", ";
        list += QuoteIdentifier(table.fields[column].name);
    }
    return list;
}

std::vector<std::size_t> AllColumns(const SimTable& table) {
    std::vector<std::size_t> columns(table.fields.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        columns[i] = i;
    return columns;
}

std::string KeyColumn(const SimTable& table) {
    return QuoteIdentifier(table.fields.front().name);
}

}  // namespace

TableStore::~TableStore() {
    // A connection with statements left open does not close.
    prepared_.clear();
    unprepared_.reset();
    sqlite3_close(db_);
}

SqliteStatement& TableStore::Prepared(const std::string& sql) {
    auto found = prepared_.find(sql);
    if (found != prepared_.end()) {
        found->second->Reset();
        return *found->second;
    }
    auto statement = std::make_unique<SqliteStatement>(db_, sql);
    if (!statement->Ok()) {
        unprepared_ = std::move(statement);
        return *unprepared_;
    }
    if (prepared_.size() >= kMaxPrepared)
        prepared_.clear();
    return *prepared_.emplace(sql, std::move(statement)).first->second;
}

bool TableStore::Open(const std::string& path, const SimSchema& schema) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
        lastError_ = FromUtf8(sqlite3_errmsg(db_));
        return false;
    }
    // A file database is a convenience for the demo, not a store to protect against power loss.
    if (path != ":memory:" && !Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;"))
        return false;
    for (const SimTable& table : schema.Tables()) {
        if (!CreateTable(table) || !AddMissingColumns(table))
            return false;
    }
    return true;
}

bool TableStore::Execute(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    lastError_ = FromUtf8(message != nullptr ? message : "SQLite error");
    sqlite3_free(message);
    return false;
}

bool TableStore::CreateTable(const SimTable& table) {
    std::string sql = "CREATE TABLE IF NOT EXISTS " + QuoteIdentifier(table.name) + " (";
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + QuoteIdentifier(table.fields[i].name) + " TEXT";
        if (i == 0)
            sql += " PRIMARY KEY";
    }
    return Execute(sql + ")");
}

bool TableStore::AddMissingColumns(const SimTable& table) {
    std::vector<Text> existing;
    {
        SqliteStatement info(db_, "PRAGMA table_info(" + QuoteIdentifier(table.name) + ")");
        while (info.Step())
            existing.push_back(info.ColumnText(1));
    }
    for (const SimField& field : table.fields) {
        bool present = false;
        for (const Text& name : existing)
            present = present || EqualsNoCase(name, field.name);
        if (!present && !Execute("ALTER TABLE " + QuoteIdentifier(table.name) + " ADD COLUMN " +
                                 QuoteIdentifier(field.name) + " TEXT"))
            return false;
    }
    return true;
}

std::int64_t TableStore::Changes() const {
    return sqlite3_changes64(db_);
}

bool TableStore::Upsert(const SimTable& table, const FieldValues& values) {
    std::vector<std::size_t> columns;
    for (const auto& [column, value] : values)
        columns.push_back(column);
    std::string sql = "INSERT INTO " + QuoteIdentifier(table.name) + " (" +
                      ColumnList(table, columns) + ") VALUES (";
    for (std::size_t i = 0; i < values.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ") ON CONFLICT(" + KeyColumn(table) + ") DO ";
    std::string updates;
    for (std::size_t column : columns) {
        if (column == 0)
            continue;
        std::string name = QuoteIdentifier(table.fields[column].name);
        updates += (updates.empty() ? "" : ", ") + name + " = excluded." + name;
    }
    sql += updates.empty() ? "NOTHING" : "UPDATE SET " + updates;

    SqliteStatement& statement = Prepared(sql);
    for (std::size_t i = 0; i < values.size(); ++i)
        statement.BindText(static_cast<int>(i + 1), values[i].second);
    statement.Step();
    if (statement.Failed()) {
        lastError_ = statement.Error();
        return false;
    }
    return true;
}

std::optional<std::vector<Text>> TableStore::ReadByKey(const SimTable& table, TextView key) {
    lastError_.clear();
    std::vector<std::size_t> columns = AllColumns(table);
    SqliteStatement& statement =
        Prepared("SELECT " + ColumnList(table, columns) + " FROM " + QuoteIdentifier(table.name) +
                 " WHERE " + KeyColumn(table) + " = ?");
    statement.BindText(1, key);
    if (!statement.Step()) {
        if (statement.Failed())
            lastError_ = statement.Error();
        return std::nullopt;
    }
    std::vector<Text> values;
    for (std::size_t i = 0; i < columns.size(); ++i)
        values.push_back(statement.ColumnText(static_cast<int>(i)));
    // A read left open would hold the database's snapshot until the next request.
    statement.Reset();
    return values;
}

std::int64_t TableStore::DeleteByKey(const SimTable& table, TextView key) {
    SqliteStatement& statement = Prepared("DELETE FROM " + QuoteIdentifier(table.name) + " WHERE " +
                                          KeyColumn(table) + " = ?");
    statement.BindText(1, key);
    statement.Step();
    if (statement.Failed()) {
        lastError_ = statement.Error();
        return -1;
    }
    return Changes();
}

std::int64_t TableStore::UpdateField(const SimTable& table, TextView key, std::size_t field,
                                     TextView value) {
    SqliteStatement& statement = Prepared("UPDATE " + QuoteIdentifier(table.name) + " SET " +
                                          QuoteIdentifier(table.fields[field].name) +
                                          " = ? WHERE " + KeyColumn(table) + " = ?");
    statement.BindText(1, value);
    statement.BindText(2, key);
    statement.Step();
    if (statement.Failed()) {
        lastError_ = statement.Error();
        return -1;
    }
    return Changes();
}

std::int64_t TableStore::Count(const SimTable& table) {
    SqliteStatement& statement = Prepared("SELECT COUNT(*) FROM " + QuoteIdentifier(table.name));
    if (!statement.Step()) {
        lastError_ = statement.Error();
        return -1;
    }
    std::int64_t count = statement.ColumnInteger(0);
    statement.Reset();
    return count;
}

std::optional<StoredRecord> TableStore::NextRecord(const SimTable& table,
                                                   const std::vector<std::size_t>& columns,
                                                   std::int64_t afterRowid) {
    lastError_.clear();
    SqliteStatement& statement =
        Prepared("SELECT rowid, " + ColumnList(table, columns) + " FROM " +
                 QuoteIdentifier(table.name) + " WHERE rowid > ? ORDER BY rowid LIMIT 1");
    statement.BindInteger(1, afterRowid);
    if (!statement.Step()) {
        if (statement.Failed())
            lastError_ = statement.Error();
        return std::nullopt;
    }
    StoredRecord record{statement.ColumnInteger(0), {}};
    for (std::size_t i = 0; i < columns.size(); ++i)
        record.values.push_back(statement.ColumnText(static_cast<int>(i + 1)));
    statement.Reset();
    return record;
}

bool TableStore::Begin() {
    return Execute("BEGIN");
}

bool TableStore::Commit() {
    return Execute("COMMIT");
}

void TableStore::Rollback() {
    // Keeps the error that made the caller give up.
    Text reason = lastError_;
    Execute("ROLLBACK");
    lastError_ = reason;
}

std::int64_t TableStore::DeleteAll(const SimTable& table) {
    if (!Execute("DELETE FROM " + QuoteIdentifier(table.name)))
        return -1;
    return Changes();
}

}  // namespace dorvex::sim
