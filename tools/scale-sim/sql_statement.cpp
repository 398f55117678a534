#include "sql_statement.h"

namespace dorvex::sim {
namespace {

bool StartsWithNoCase(TextView text, TextView prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

Text WithoutSpaces(TextView text) {
    Text result;
    for (char16_t c : text) {
        if (!IsSpace(c))
            result.push_back(c);
    }
    return result;
}

// The table name after FROM: one word, an optional ";" after it.
std::optional<Text> TableName(TextView rest) {
    rest = TrimView(rest);
    if (!rest.empty() && rest.back() == u';')
        rest = TrimView(rest.substr(0, rest.size() - 1));
    if (rest.empty())
        return std::nullopt;
    for (char16_t c : rest) {
        if (IsSpace(c))
            return std::nullopt;
    }
    return Text(rest);
}

std::optional<std::vector<Text>> ColumnNames(TextView list) {
    std::vector<Text> columns;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = std::min(list.find(u',', start), list.size());
        Text column = Trim(list.substr(start, comma - start));
        if (column.empty())
            return std::nullopt;
        columns.push_back(std::move(column));
        if (comma == list.size())
            return columns;
        start = comma + 1;
    }
}

// The position of the last whole word FROM between blanks.
std::size_t FindFrom(TextView text) {
    Text upper = ToUpper(text);
    std::size_t at = upper.size();
    while (at > 0) {
        at = upper.rfind(u"FROM", at - 1);
        if (at == Text::npos)
            return Text::npos;
        bool spaceBefore = at > 0 && IsSpace(upper[at - 1]);
        bool spaceAfter = at + 4 < upper.size() && IsSpace(upper[at + 4]);
        if (spaceBefore && spaceAfter)
            return at;
    }
    return Text::npos;
}

}  // namespace

std::optional<SqlStatement> ParseSqlStatement(TextView query) {
    query = TrimView(query);
    SqlStatement statement;
    std::size_t from = FindFrom(query);
    if (from == Text::npos)
        return std::nullopt;
    std::optional<Text> table = TableName(query.substr(from + 4));
    if (!table)
        return std::nullopt;
    statement.table = *table;
    TextView head = TrimView(query.substr(0, from));
    if (EqualsNoCase(head, u"DELETE")) {
        statement.kind = SqlKind::Delete;
        return statement;
    }
    if (!StartsWithNoCase(head, u"SELECT") || head.size() == 6 || !IsSpace(head[6]))
        return std::nullopt;
    TextView list = TrimView(head.substr(6));
    if (EqualsNoCase(WithoutSpaces(list), u"COUNT(*)")) {
        statement.kind = SqlKind::Count;
        return statement;
    }
    statement.kind = SqlKind::Select;
    if (list == u"*")
        return statement;
    std::optional<std::vector<Text>> columns = ColumnNames(list);
    if (!columns)
        return std::nullopt;
    statement.columns = std::move(*columns);
    return statement;
}

}  // namespace dorvex::sim
