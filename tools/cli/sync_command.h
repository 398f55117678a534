// `dorvex sync FILE`, `dorvex verify FILE` and `dorvex write FILE --where FILTER`: on the scale
// of -l/-H/-d, or on every scale of --scales/--scale at once, through the library's exports.
#pragma once

#include "cli_options.h"

namespace dorvex::cli {

// Exit status: 0 when every scale ended well (verify: every row matches), 1 when any did not,
// 2 when nothing could start.
int RunSyncCommand(const CliOptions& options);

}  // namespace dorvex::cli
