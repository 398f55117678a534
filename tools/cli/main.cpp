// `dorvex`: sends data files to a scale, reads and deletes through them, syncs and verifies
// them, checks them, and talks to a scale directly.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "dorvex.h"
#include "file_check.h"
#include "fleet_command.h"
#include "library_files.h"
#include "sync_command.h"
#include "transfer_command.h"

using namespace dorvex::cli;

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<CliOptions> options = ParseCommandLine(args, error);
    if (!options) {
        std::fprintf(stderr, "dorvex: %s\n\n%s", error.c_str(), UsageText());
        return kExitNotStarted;
    }
    if (options->help) {
        std::printf("%s", UsageText());
        return 0;
    }
    if (options->version) {
        for (const std::string& line : VersionLines(options->tableFile))
            std::printf("%s\n", line.c_str());
        return 0;
    }
    if (options->command == "check") {
        CheckReport report = CheckDataFile(*options);
        for (const std::string& line : report.lines)
            std::printf("%s\n", line.c_str());
        return report.ok ? kExitTerminated : kExitNotStarted;
    }
    if (options->command == "sync" || options->command == "verify" || !options->where.empty())
        return RunSyncCommand(*options);
    if (options->IsFleet())
        return RunFleet(*options);
    if (options->command == "test")
        return RunTest(*options);
    if (options->command == "send")
        return RunSend(*options);
    return RunTransfer(*options);
}
