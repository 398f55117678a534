#include "request_interpreter.h"

#include "reply_texts.h"

namespace dorvex::sim {
namespace {

constexpr TextView kDeviceTag = u"dvn";

// "fm" is how reads address device 0.
std::optional<std::int64_t> DeviceNumber(TextView text) {
    if (text == u"fm")
        return 0;
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return ParseLeadingInteger(text);
}

}  // namespace

RequestInterpreter::RequestInterpreter(const SimSchema& schema, TableStore& store,
                                       std::optional<int> device)
    : schema_(schema), store_(store), device_(device) {}

Text RequestInterpreter::LeadingName(TextView request) {
    std::optional<ParsedRequest> parsed = ParseRequest(request);
    return parsed ? parsed->name : Text(u"err");
}

Text RequestInterpreter::Answer(TextView request) {
    std::optional<ParsedRequest> parsed = ParseRequest(request);
    if (!parsed)
        return UnknownReply();
    if (parsed->name == u"idt") {
        if (parsed->mode != u"r")
            return UnknownReply();
        if (std::optional<Text> error = CheckDevice(*parsed))
            return ErrorReply(parsed->name, *error);
        return AnswerIdentity(*parsed);
    }
    const SimTable* table = schema_.ByTag(parsed->name);
    if (parsed->name != u"sql" && table == nullptr)
        return UnknownReply();
    if (parsed->mode != u"w" && parsed->mode != u"r" && parsed->mode != u"r+" &&
        parsed->mode != u"d")
        return UnknownReply();
    if (std::optional<Text> error = CheckDevice(*parsed))
        return ErrorReply(parsed->name, *error);
    if (table != nullptr)
        return AnswerRow(*table, *parsed);
    return AnswerStatement(*parsed);
}

std::optional<Text> RequestInterpreter::CheckDevice(const ParsedRequest& request) const {
    std::optional<Text> text = request.ValueOf(kDeviceTag);
    if (!text)
        return std::nullopt;
    std::optional<std::int64_t> number = DeviceNumber(*text);
    if (!number)
        return u"bad device number " + *text;
    if (device_ && *number != 0 && *number != *device_)
        return u"device " + *text + u" is not this scale";
    return std::nullopt;
}

Text RequestInterpreter::AnswerIdentity(const ParsedRequest& request) const {
    return IdentityReply(request.ValueOf(kDeviceTag).value_or(Text()));
}

Text RequestInterpreter::StoreError(TextView name) const {
    return ErrorReply(name, u"database error: " + store_.LastError());
}

Text RequestInterpreter::AnswerRow(const SimTable& table, const ParsedRequest& request) {
    if (request.mode == u"r+")
        return UnknownReply();
    FieldValues values;
    for (const TaggedValue& tagged : request.values) {
        if (tagged.tag == kDeviceTag)
            continue;
        std::optional<std::size_t> field = table.FieldIndexByTag(tagged.tag);
        if (!field)
            return ErrorReply(table.tag, u"unknown field tag " + tagged.tag);
        values.emplace_back(*field, UnescapeValue(tagged.value));
    }
    const Text* key = nullptr;
    for (const auto& [field, value] : values) {
        if (field == 0 && key == nullptr)
            key = &value;
    }
    if (key == nullptr)
        return ErrorReply(table.tag, u"key field " + table.fields.front().name + u" missing");

    if (request.mode == u"w")
        return store_.Upsert(table, values) ? DoneReply(table.tag, u"w") : StoreError(table.tag);
    if (request.mode == u"d") {
        std::int64_t deleted = store_.DeleteByKey(table, *key);
        if (deleted < 0)
            return StoreError(table.tag);
        return deleted > 0 ? DoneReply(table.tag, u"d")
                           : ErrorReply(table.tag, u"record not found");
    }
    std::optional<std::vector<Text>> record = store_.ReadByKey(table, *key);
    if (!record)
        return store_.LastError().empty() ? ErrorReply(table.tag, u"record not found")
                                          : StoreError(table.tag);
    return RecordReply(table, *record);
}

Text RequestInterpreter::AnswerStatement(const ParsedRequest& request) {
    std::optional<Text> query = request.ValueOf(u"qry");
    if (!query)
        return ErrorReply(request.name, u"no statement");
    std::optional<SqlStatement> statement = ParseSqlStatement(*query);
    if (!statement)
        return ErrorReply(request.name, u"unsupported statement");
    const SimTable* table = schema_.ByName(statement->table);
    if (table == nullptr)
        return ErrorReply(request.name, u"no such table: " + statement->table);

    bool reading = request.mode == u"r" || request.mode == u"r+";
    if (statement->kind == SqlKind::Delete && request.mode == u"d") {
        std::int64_t deleted = store_.DeleteAll(*table);
        return deleted < 0 ? StoreError(request.name) : DeletedReply(deleted);
    }
    if (statement->kind == SqlKind::Count && reading) {
        walk_.reset();
        std::int64_t count = store_.Count(*table);
        return count < 0 ? StoreError(request.name) : CountReply(count);
    }
    if (statement->kind == SqlKind::Select && reading)
        return AnswerSelect(*statement, *table, request.mode);
    return ErrorReply(request.name, u"statement does not fit mode " + request.mode);
}

Text RequestInterpreter::AnswerSelect(const SqlStatement& statement, const SimTable& table,
                                      TextView mode) {
    std::vector<std::size_t> columns;
    std::vector<Text> names;
    Text key = table.name;
    if (statement.columns.empty()) {
        for (std::size_t i = 0; i < table.fields.size(); ++i)
            columns.push_back(i);
    }
    for (const Text& column : statement.columns) {
        std::optional<std::size_t> field = table.FieldIndexByName(column);
        if (!field)
            return ErrorReply(u"sql", u"no such column: " + column);
        columns.push_back(*field);
    }
    for (std::size_t column : columns) {
        names.push_back(table.fields[column].name);
        key += u";" + NumberText(static_cast<std::int64_t>(column));
    }
    // "r" starts a read; "r+" goes on with the same statement, or starts one for another.
    if (mode == u"r" || !walk_ || walk_->key != key)
        walk_ = Walk{key, 0};
    std::optional<StoredRecord> record = store_.NextRecord(table, columns, walk_->lastRowid);
    if (!record) {
        return store_.LastError().empty() ? ErrorReply(u"sql", u"no more records")
                                          : StoreError(u"sql");
    }
    walk_->lastRowid = record->rowid;
    return WalkReply(mode, names, record->values);
}

}  // namespace dorvex::sim
