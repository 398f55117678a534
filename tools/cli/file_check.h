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

// The library's dry run of the transfer the file would start, the refusal last.
CheckReport CheckDataFile(const CliOptions& options);

}  // namespace dorvex::cli
