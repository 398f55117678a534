// dorvex-scale-sim: the far end of every link for tests, benchmarks and the demo. See --help.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "catalog_schema.h"
#include "serial_role.h"
#include "sim_options.h"
#include "simulated_scale.h"
#include "stop_signal.h"
#include "tables/table_file_locator.h"
#include "tcp_client_role.h"
#include "tcp_server_role.h"

namespace {

using namespace dorvex::sim;

using Scales = std::vector<std::unique_ptr<SimulatedScale>>;

// The library's lookup (beside the program, then the configuration directories), so that an
// installed simulator finds the installed table.csv.
std::string DefaultTablesPath() {
    const dorvex::TableFileLocation location =
        dorvex::TableFileLocator::ForThisModule().Locate(u"table.csv");
    return location.found ? dorvex::ToUtf8(location.path) : "samples/table.csv";
}

// Every scale with its own database and log; nothing when one cannot be opened.
Scales OpenScales(const SimOptions& options, const SimSchema& schema) {
    Scales scales;
    for (int i = 0; i < options.ScaleCount(); ++i) {
        auto scale = std::make_unique<SimulatedScale>(schema, options.ForScale(i));
        std::string error;
        if (!scale->Open(error)) {
            std::fprintf(stderr, "dorvex-scale-sim: %s\n", error.c_str());
            return {};
        }
        scales.push_back(std::move(scale));
    }
    return scales;
}

int RunRole(const SimOptions& options, const Scales& scales) {
    SimulatedScale& first = *scales.front();
    switch (options.role) {
        case SimRole::TcpClient:
            return TcpClientRole(first.Options(), first.Service()).Run();
        case SimRole::Serial:
            return SerialRole(first.Options(), first.Service()).Run();
        case SimRole::TcpServer:
            break;
    }
    return TcpServerRole(options, scales).Run();
}

}  // namespace

int main(int argc, char** argv) {
    ParsedOptions parsed = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(SimHelpText(), stdout);
        return 0;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "dorvex-scale-sim: %s (see --help)\n", parsed.error.c_str());
        return 2;
    }
    SimOptions& options = *parsed.options;
    if (options.tablesPath.empty())
        options.tablesPath = DefaultTablesPath();

    std::string skipped;
    SimSchema schema = LoadCatalogSchema(options.tablesPath, skipped);
    std::fputs(skipped.c_str(), stderr);
    if (schema.Tables().empty())
        std::fprintf(stderr, "dorvex-scale-sim: no table loaded from %s\n",
                     options.tablesPath.c_str());

    Scales scales = OpenScales(options, schema);
    if (scales.empty())
        return 1;
    if (!StopSignal::Install()) {
        std::fprintf(stderr, "dorvex-scale-sim: cannot watch for signals\n");
        return 1;
    }
    return RunRole(options, scales);
}
