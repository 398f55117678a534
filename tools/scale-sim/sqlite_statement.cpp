#include "sqlite_statement.h"

namespace dorvex::sim {

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        failed_ = true;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

Text SqliteStatement::Error() const {
    return FromUtf8(sqlite3_errmsg(db_));
}

void SqliteStatement::BindText(int index, TextView value) {
    std::string utf8 = ToUtf8(value);
    sqlite3_bind_text(statement_, index, utf8.data(), static_cast<int>(utf8.size()),
                      SQLITE_TRANSIENT);
}

void SqliteStatement::BindInteger(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
}

void SqliteStatement::Reset() {
    if (statement_ == nullptr)
        return;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    failed_ = false;
}

bool SqliteStatement::Step() {
    if (statement_ == nullptr)
        return false;
    int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    failed_ = result != SQLITE_DONE;
    return false;
}

Text SqliteStatement::ColumnText(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    if (text == nullptr)
        return {};
    return FromUtf8(
        std::string_view(reinterpret_cast<const char*>(text),
                         static_cast<std::size_t>(sqlite3_column_bytes(statement_, column))));
}

std::int64_t SqliteStatement::ColumnInteger(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::string QuoteIdentifier(TextView name) {
    std::string quoted = "\"";
    for (char c : ToUtf8(name)) {
        if (c == '"')
            quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

}  // namespace dorvex::sim
