// Reads a request text: the leading tag "<name m=\"mode\">", then simple tags "<tag>" each
// followed by its text up to the next "<" or the end.
#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"

namespace dorvex::sim {

struct TaggedValue {
    Text tag;
    Text value;
};

struct ParsedRequest {
    Text name;                        // of the leading tag: a table tag, "sql" or "idt"
    Text mode;                        // "w", "r", "r+", "d"
    std::vector<TaggedValue> values;  // in order, "<dvn>" included

    // The first value of `tag`, or nothing.
    std::optional<Text> ValueOf(TextView tag) const;
};

// Nothing when the text does not open with a leading tag or a later tag is not closed.
std::optional<ParsedRequest> ParseRequest(TextView request);

// "&lt;" -> "<" and "&gt;" -> ">": how values travel inside tagged texts.
Text UnescapeValue(TextView value);
Text EscapeValue(TextView value);

}  // namespace dorvex::sim
