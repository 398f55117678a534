#include "reply_texts.h"

namespace dorvex::sim {
namespace {

Text LeadingTag(TextView name, TextView mode) {
    return u"<" + Text(name) + u" m=\"" + Text(mode) + u"\">";
}

Text Joined(const std::vector<Text>& parts) {
    Text joined;
    for (std::size_t i = 0; i < parts.size(); ++i)
        joined += (i == 0 ? u"" : u";") + parts[i];
    return joined;
}

Text CrLfLineBreaks(TextView value) {
    Text result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char16_t c = value[i];
        if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n') {
            result += u"\r\n";
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            result += u"\r\n";
        } else {
            result.push_back(c);
        }
    }
    return result;
}

}  // namespace

Text ValueForReply(TextView value) {
    Text escaped = Replaced(value, u"<", u"&lt;");
    ReplaceAll(escaped, u">", u"&gt;");
    return CrLfLineBreaks(escaped);
}

Text ErrorReply(TextView name, TextView message) {
    return LeadingTag(name, u"e") + Text(kErrorTag) + ValueForReply(message);
}

Text UnknownReply() {
    return u"<unt>";
}

Text IdentityReply(TextView device) {
    return LeadingTag(u"idt", u"r") + u"<dvn>" + Text(device) +
           u"<dpn>1<mdl>dorvex-scale-sim<ver>1.0";
}

Text DoneReply(TextView name, TextView mode) {
    return LeadingTag(name, mode) + u"<res>OK";
}

Text RecordReply(const SimTable& table, const std::vector<Text>& values) {
    Text reply = LeadingTag(table.tag, u"r");
    for (std::size_t i = 0; i < table.fields.size() && i < values.size(); ++i)
        reply += u"<" + table.fields[i].tag + u">" + ValueForReply(values[i]);
    return reply;
}

Text CountReply(std::int64_t count) {
    return LeadingTag(u"sql", u"r") + u"<fld>COUNT(*)<val>" + NumberText(count);
}

Text WalkReply(TextView mode, const std::vector<Text>& names, const std::vector<Text>& values) {
    std::vector<Text> escaped;
    for (const Text& value : values)
        escaped.push_back(ValueForReply(value));
    return LeadingTag(u"sql", mode) + u"<fld>" + Joined(names) + u"<val>" + Joined(escaped) +
           Text(kRecordEnd);
}

Text DeletedReply(std::int64_t count) {
    return LeadingTag(u"sql", u"d") + u"<res>" + NumberText(count);
}

Text WithSequence(std::int64_t sequence, TextView reply) {
    return u"<seq>" + NumberText(sequence) + Text(reply);
}

}  // namespace dorvex::sim
