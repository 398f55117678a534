// A prepared SQLite statement that finalizes itself, with text binding and reading in UTF-16
// text (stored as UTF-8).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace dorvex::sim {

class SqliteStatement {
  public:
    // Prepares `sql`; Ok() tells whether that worked, Error() why not.
    SqliteStatement(sqlite3* db, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    Text Error() const;

    void BindText(int index, TextView value);
    void BindInteger(int index, std::int64_t value);
    // Runs to the next row: true while there is one. A failure ends the walk; Failed() says so.
    bool Step();
    bool Failed() const { return failed_; }
    // Ready to bind and run again; ends a walk left unfinished.
    void Reset();

    Text ColumnText(int column) const;
    std::int64_t ColumnInteger(int column) const;

  private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
    bool failed_ = false;
};

// "name" with inner double quotes doubled: an SQL identifier that cannot break out.
std::string QuoteIdentifier(TextView name);

}  // namespace dorvex::sim
