#include "request_parser.h"

namespace dorvex::sim {
namespace {

constexpr TextView kModeOpen = u" m=\"";
constexpr TextView kModeClose = u"\">";

// Reads "<name m=\"mode\">" at the start; returns the position after it.
std::optional<std::size_t> ReadLeadingTag(TextView text, ParsedRequest& request) {
    if (text.empty() || text[0] != u'<')
        return std::nullopt;
    std::size_t modeOpen = text.find(kModeOpen);
    std::size_t firstClose = text.find(u'>');
    if (modeOpen == TextView::npos || firstClose < modeOpen)
        return std::nullopt;
    std::size_t modeStart = modeOpen + kModeOpen.size();
    std::size_t modeEnd = text.find(kModeClose, modeStart);
    if (modeEnd == TextView::npos)
        return std::nullopt;
    request.name = Text(text.substr(1, modeOpen - 1));
    request.mode = Text(text.substr(modeStart, modeEnd - modeStart));
    if (request.name.empty() || request.name.find(u'<') != Text::npos)
        return std::nullopt;
    return modeEnd + kModeClose.size();
}

}  // namespace

std::optional<Text> ParsedRequest::ValueOf(TextView tag) const {
    for (const TaggedValue& value : values) {
        if (value.tag == tag)
            return value.value;
    }
    return std::nullopt;
}

std::optional<ParsedRequest> ParseRequest(TextView request) {
    ParsedRequest parsed;
    std::optional<std::size_t> position = ReadLeadingTag(request, parsed);
    if (!position)
        return std::nullopt;
    std::size_t at = *position;
    // Text between the leading tag and the first simple tag belongs to no tag.
    at = std::min(request.find(u'<', at), request.size());
    while (at < request.size()) {
        std::size_t close = request.find(u'>', at);
        if (close == TextView::npos ||
            request.substr(at + 1, close - at - 1).find(u'<') != TextView::npos)
            return std::nullopt;
        std::size_t next = std::min(request.find(u'<', close), request.size());
        parsed.values.push_back({Text(request.substr(at + 1, close - at - 1)),
                                 Text(request.substr(close + 1, next - close - 1))});
        at = next;
    }
    return parsed;
}

Text UnescapeValue(TextView value) {
    Text text = Replaced(value, u"&lt;", u"<");
    ReplaceAll(text, u"&gt;", u">");
    return text;
}

Text EscapeValue(TextView value) {
    Text text = Replaced(value, u"<", u"&lt;");
    ReplaceAll(text, u">", u"&gt;");
    return text;
}

}  // namespace dorvex::sim
