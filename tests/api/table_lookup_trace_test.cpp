// Which table.csv an engine read is told in the traffic trace: support's first question.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dorvex.h"

namespace {

struct TraceLines {
    std::vector<std::string> lines;
    static void DORVEX_CALL Handler(const char* direction, const char* kind, const char* line,
                                    void* context) {
        static_cast<TraceLines*>(context)->lines.push_back(std::string(direction) + "|" + kind +
                                                           "|" + line);
    }
    TraceLines() { SetTraceHandler(&Handler, this); }
    ~TraceLines() { SetTraceHandler(nullptr, nullptr); }

    bool Has(const std::string& part) const {
        for (const std::string& line : lines) {
            if (line.find(part) != std::string::npos)
                return true;
        }
        return false;
    }
};

TEST(TableLookupTrace, TheFileReadAndThePlacesLookedAtAreTraced) {
    {
        TraceLines trace;
        SetConnectionTimeout(1000);
        OpenDorvex("IPC:9", "1", "127.0.0.1", 0, 0, DORVEX_SAMPLES_DIR "/table.csv");
        CloseDorvex();
        EXPECT_TRUE(trace.Has("info|table|"));
        EXPECT_TRUE(trace.Has("table definitions: " DORVEX_SAMPLES_DIR "/table.csv"));
    }
    TraceLines trace;
    OpenDorvex("IPC:9", "1", "127.0.0.1", 0, 0, "no-such-table-anywhere.csv");
    CloseDorvex();
    EXPECT_TRUE(trace.Has("no-such-table-anywhere.csv not found; looked in: " DORVEX_BIN_DIR
                          "/no-such-table-anywhere.csv, "));
    EXPECT_TRUE(trace.Has("/etc/dorvex/no-such-table-anywhere.csv"));
}

}  // namespace
