// The scale's database: one SQLite table per catalog table, one text column per field, the
// first field as primary key. In memory, or in a file that keeps the records between runs.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim_schema.h"
#include "sqlite_statement.h"

namespace dorvex::sim {

struct StoredRecord {
    std::int64_t rowid = 0;
    std::vector<Text> values;
};

// Field index and value.
using FieldValues = std::vector<std::pair<std::size_t, Text>>;

class TableStore {
  public:
    TableStore() = default;
    ~TableStore();
    TableStore(const TableStore&) = delete;
    TableStore& operator=(const TableStore&) = delete;

    // Opens `path` (":memory:" keeps everything in memory) and creates what the schema needs
    // and the file lacks: tables, and columns of tables that already exist.
    bool Open(const std::string& path, const SimSchema& schema);

    // Every operation returns nothing (or -1) on failure, with the reason in LastError().
    // Inserts the record, or updates the given fields of the record with the same key.
    bool Upsert(const SimTable& table, const FieldValues& values);
    // All fields of the record with this key, in field order; nothing when there is none
    // (LastError() is then empty).
    std::optional<std::vector<Text>> ReadByKey(const SimTable& table, TextView key);
    std::int64_t DeleteByKey(const SimTable& table, TextView key);
    // Sets one field of the record with this key; the number of records changed (0 or 1).
    std::int64_t UpdateField(const SimTable& table, TextView key, std::size_t field,
                             TextView value);
    std::int64_t Count(const SimTable& table);
    // The first record, in insertion order, after the one with `afterRowid` (0 = the first),
    // with the values of `columns`.
    std::optional<StoredRecord> NextRecord(const SimTable& table,
                                           const std::vector<std::size_t>& columns,
                                           std::int64_t afterRowid);
    std::int64_t DeleteAll(const SimTable& table);

    // Changes between Begin() and Commit() are made together; Rollback() undoes them.
    bool Begin();
    bool Commit();
    void Rollback();

    const Text& LastError() const { return lastError_; }

  private:
    bool Execute(const std::string& sql);
    bool CreateTable(const SimTable& table);
    bool AddMissingColumns(const SimTable& table);
    std::int64_t Changes() const;
    // The statement for `sql`, reset and ready to bind. Requests of one shape come again and
    // again (a transfer is thousands of them), and preparing costs more than running.
    SqliteStatement& Prepared(const std::string& sql);

    sqlite3* db_ = nullptr;
    Text lastError_;
    std::map<std::string, std::unique_ptr<SqliteStatement>> prepared_;
    std::unique_ptr<SqliteStatement> unprepared_;  // the last one that failed to prepare
};

}  // namespace dorvex::sim
