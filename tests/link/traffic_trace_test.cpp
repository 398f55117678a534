#include "link/traffic_trace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dorvex {
namespace {

std::vector<std::string> TracedLines(std::string_view bytes, bool unicode) {
    std::vector<std::string> lines;
    TrafficTrace::SetHandler(
        [](const char*, const char*, const char* line, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(line);
        },
        &lines);
    TrafficTrace::Message("send", "IPC", bytes, unicode, false);
    TrafficTrace::SetHandler(nullptr, nullptr);
    return lines;
}

// Control characters are shown escaped so that a message stays on one line, and everything
// between them keeps its characters, a pair of surrogates included.
TEST(TrafficTrace, MessagesStayOnOneLineWithTheirCharactersWhole) {
    const Text message = u"<PLU>1<NAME>Caf\u00e9 \U0001F600\r\n\x01";
    const auto lines = TracedLines(ToUtf16LeBytes(message), true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(
        lines[0].find(" send IPC 44 bytes \"<PLU>1<NAME>Caf\xC3\xA9 \xF0\x9F\x98\x80\\r\\n\\x01\""),
        std::string::npos)
        << lines[0];
}

}  // namespace
}  // namespace dorvex
