// `dorvex check`: validates a data file against the table definitions without any link, so a
// user finds a bad file before it reaches a scale.
#pragma once

#include <string>
#include <vector>

#include "cli_options.h"

namespace dorvex::cli {

struct CheckReport {
    bool ok = true;
    std::vector<std::string> lines;  // UTF-8, for the terminal
};

CheckReport CheckDataFile(const CliOptions& options);

// The operation a file name asks for: "w", "r" or "d" from the first "_w.", "_r." or "_d."
// marker in it; empty when there is none.
std::string ModeFromFileName(const std::string& name);

}  // namespace dorvex::cli
