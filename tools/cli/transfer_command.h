// The commands that talk to a scale through the library's public interface.
#pragma once

#include "cli_options.h"

namespace dorvex::cli {

enum ExitCode { kExitTerminated = 0, kExitWithError = 1, kExitNotStarted = 2 };

int RunTransfer(const CliOptions& options);
int RunTest(const CliOptions& options);
int RunSend(const CliOptions& options);

}  // namespace dorvex::cli
