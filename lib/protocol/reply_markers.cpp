#include "protocol/reply_markers.h"

#include <algorithm>
#include <limits>

#include "protocol/protocol_texts.h"
#include "tables/table_catalog.h"

namespace dorvex {

using namespace protocol;

namespace {

// Characters of an error reply's text that the result file leaves out.
constexpr std::size_t kErrorTextSkip = 5;
// Characters that close a whole-table read record.
constexpr std::size_t kRecordTrailer = 3;

// The text from `from` up to the next "<" (or the end).
TextView UpToNextTag(TextView text, std::size_t from) {
    if (from > text.size())
        return {};
    TextView rest = text.substr(from);
    return rest.substr(0, rest.find(u'<'));
}

// The text after the first occurrence of `marker`, or none.
std::optional<TextView> After(TextView text, TextView marker) {
    std::size_t pos = text.find(marker);
    if (pos == TextView::npos)
        return std::nullopt;
    return text.substr(pos + marker.size());
}

}  // namespace

bool IsErrorReply(TextView reply) {
    return Contains(reply, kErrorMarker);
}

bool IsUnknownReply(TextView reply) {
    return Contains(reply, kUnknownTag);
}

bool IsSuccessReply(TextView reply) {
    return !reply.empty() && !IsErrorReply(reply) && !IsUnknownReply(reply);
}

Text ErrorResultText(TextView reply) {
    std::optional<TextView> text = After(reply, kErrorMarker);
    return text ? Mid(*text, kErrorTextSkip) : Text();
}

Text LoggedErrorText(TextView reply) {
    return Text(After(reply, kErrorMarker).value_or(reply));
}

std::optional<std::int64_t> RecordCountOf(TextView reply) {
    std::optional<TextView> text = After(reply, kCountMarker);
    if (!text)
        return std::nullopt;
    constexpr std::int64_t kLow = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kHigh = std::numeric_limits<std::int32_t>::max();
    return std::clamp(ParseLeadingInteger(*text), kLow, kHigh);
}

Text FieldListOf(TextView reply) {
    std::optional<TextView> text = After(reply, kFieldListTag);
    return text ? Text(UpToNextTag(*text, 0)) : Text();
}

Text WholeTableValueOf(TextView reply) {
    if (!Contains(reply, kValueTag) || reply.size() < kRecordTrailer)
        return {};
    return Text(After(reply.substr(0, reply.size() - kRecordTrailer), kValueTag).value_or(u""));
}

namespace {

// True for the ";" that ends an "&lt;" or "&gt;" of the reply's own escaping.
bool EndsEscape(TextView value, std::size_t semicolon) {
    if (semicolon < 3)
        return false;
    TextView before = value.substr(semicolon - 3, 3);
    return before == u"&lt" || before == u"&gt";
}

// A ";" inside a value would split it in the result line: it is written the way data files
// write it, "&|", which a write turns back into ";".
void AppendValue(Text& result, TextView value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == u';' && !EndsEscape(value, i))
            result += u"&|";
        else
            result.push_back(value[i]);
    }
}

}  // namespace

Text ParseReplyValues(const TableCatalog& catalog, TextView reply) {
    std::optional<TextView> fields = After(reply, kLeadingTagEnd);
    if (!fields)
        return {};
    Text result;
    Text tag;
    for (const TableField& field : catalog.CurrentTable()) {
        tag.assign(u"<").append(field.tag).append(u">");
        std::size_t pos = fields->find(tag);
        if (pos == TextView::npos)
            continue;
        if (!result.empty())
            result += kSeparator;
        AppendValue(result, UpToNextTag(*fields, pos + tag.size()));
    }
    return result;
}

Text UnescapeReadValue(TextView value, TextView crChars) {
    Text out = Replaced(value, kEscapedLessThan, kLessThan);
    ReplaceAll(out, kEscapedGreaterThan, kGreaterThan);
    if (!crChars.empty())
        ReplaceAll(out, kLineBreak, crChars);
    return out;
}

}  // namespace dorvex
