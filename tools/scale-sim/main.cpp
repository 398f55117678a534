// dorvex-scale-sim: the far end of every link for tests, benchmarks and the demo. See --help.
#include <cstdio>
#include <string>
#include <vector>

#include "catalog_schema.h"
#include "request_interpreter.h"
#include "request_log.h"
#include "scale_service.h"
#include "serial_role.h"
#include "sim_options.h"
#include "stop_signal.h"
#include "table_store.h"
#include "tables/table_file_locator.h"
#include "tcp_client_role.h"
#include "tcp_server_role.h"

namespace {

using namespace dorvex::sim;

// The library's lookup (beside the program, then the configuration directories), so that an
// installed simulator finds the installed table.csv.
std::string DefaultTablesPath() {
    const dorvex::TableFileLocation location =
        dorvex::TableFileLocator::ForThisModule().Locate(u"table.csv");
    return location.found ? dorvex::ToUtf8(location.path) : "samples/table.csv";
}

int RunRole(const SimOptions& options, ScaleService& service) {
    switch (options.role) {
        case SimRole::TcpClient:
            return TcpClientRole(options, service).Run();
        case SimRole::Serial:
            return SerialRole(options, service).Run();
        case SimRole::TcpServer:
            break;
    }
    return TcpServerRole(options, service).Run();
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

    TableStore store;
    if (!store.Open(options.dbPath, schema)) {
        std::fprintf(stderr, "dorvex-scale-sim: database %s: %s\n", options.dbPath.c_str(),
                     dorvex::ToUtf8(store.LastError()).c_str());
        return 1;
    }
    RequestLog log;
    if (!log.Open(options.logPath)) {
        std::fprintf(stderr, "dorvex-scale-sim: cannot write the log %s\n",
                     options.logPath.c_str());
        return 1;
    }
    if (!StopSignal::Install()) {
        std::fprintf(stderr, "dorvex-scale-sim: cannot watch for signals\n");
        return 1;
    }
    std::optional<int> device = options.role == SimRole::Serial
                                    ? std::optional<int>(options.SerialDevice())
                                    : options.device;
    RequestInterpreter interpreter(schema, store, device);
    ScaleService service(options, interpreter, log);
    return RunRole(options, service);
}
