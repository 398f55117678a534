// The `dorvex` command line: a command, its argument and the link and directory options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dorvex::cli {

struct CliOptions {
    std::string command;   // write, read, delete, test, send, check, sync, verify
    std::string argument;  // file, host or text
    std::string link = "IPC";
    std::string host = "127.0.0.1";
    std::string device = "1";
    bool unicode = false;
    std::string tableFile = "table.csv";
    std::string inputDir;
    std::string outputDir;
    std::string errorDir;
    std::string marker = "|";
    std::string mode;  // for check: w, r or d (default: from the file name)
    int connectTimeoutMs = 5000;
    int replyTimeoutMs = 0;  // 0: the library's defaults
    // The fleet: a SCALES file and/or --scale lines; transfers run on all of them at once,
    // at most `jobs` at a time (0: all).
    std::string scalesFile;
    std::vector<std::string> scaleLines;
    int jobs = 0;
    bool IsFleet() const { return !scalesFile.empty() || !scaleLines.empty(); }
    // sync and verify: the rows of a filter only, the key column, the state.
    std::string where;
    std::string keyColumn;
    std::string stateDir;
    int maxAgeSeconds = 0;  // 0: the library's default of 7 days
    bool prune = false;
    bool full = false;
    bool dryRun = false;
    bool showErrors = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Parses argv; on error returns nothing and puts the message in `error`.
std::optional<CliOptions> ParseCommandLine(const std::vector<std::string>& args,
                                           std::string& error);
const char* UsageText();

}  // namespace dorvex::cli
