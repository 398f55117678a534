// `dorvex write|read|delete FILE --scales SCALES` and `dorvex test --scales SCALES`: the same
// work on many scales at once, one engine each, with a live line per scale and a summary.
#pragma once

#include "cli_options.h"

namespace dorvex::cli {

// Exit status: 0 when every scale ended well, 1 when any did not, 2 when none could start.
int RunFleet(const CliOptions& options);

}  // namespace dorvex::cli
