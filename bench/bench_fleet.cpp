// Many scales at once through engines by handle: the wall time of a write of the same rows to
// 20 simulated scales against one scale, measured in the same run (the scales wait in
// parallel, so the ideal ratio is 1.0; target at most 1.2), and this process's CPU time as a
// share of the wall time (target under 10 %). Also 100 scales with 200 rows each.
//
//   bench_fleet [SCALES ROWS] ...    (default: 20 1000, then 100 200)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dorvex.h"
#include "support/scale_sim_process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using dorvex::test::ScaleSimProcess;

namespace {

struct Figures {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int terminated = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void WriteRows(const fs::path& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << "PLU;Name;UnitPrice;PriceMode\r\n";
    for (int i = 1; i <= rows; ++i)
        out << i << ";Article " << i << ";" << (i % 5000) / 100.0 << ";KG\r\n";
}

// Opens one engine per simulated scale, starts every write, waits for each.
Figures SendToAll(const std::vector<int>& ports, const fs::path& dir, const std::string& tables) {
    std::vector<int> handles;
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    for (int port : ports) {
        std::string link = "IPC:" + std::to_string(port);
        int handle = OpenEngine(link.c_str(), "1", "127.0.0.1", 0, tables.c_str());
        if (handle <= 0)
            continue;
        fs::path out = dir / ("scale-" + std::to_string(handle));
        fs::create_directories(out);
        SetEngineDirectories(handle, dir.c_str(), out.c_str(), out.c_str());
        if (SendEngineWriteFile(handle, "articles_w.csv") == 1)
            handles.push_back(handle);
        else
            CloseEngine(handle);
    }
    Figures figures;
    for (int handle : handles) {
        if (WaitEngineTransfer(handle, 3600000) == DORVEX_TERMINATED)
            ++figures.terminated;
        CloseEngine(handle);
    }
    figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.cpuSeconds = CpuSeconds() - cpuStart;
    return figures;
}

bool Measure(int scales, int rows, const fs::path& root, const std::string& tables) {
    const fs::path dir = root / (std::to_string(scales) + "x" + std::to_string(rows));
    fs::create_directories(dir);
    WriteRows(dir / "articles_w.csv", rows);
    // One simulator process serves all the scales, each with its own port and database.
    ScaleSimProcess many({"--tables", tables, "--scales", std::to_string(scales)});
    ScaleSimProcess one({"--tables", tables});
    const std::vector<int> ports = many.Ports(scales);
    if (!one.Started() || static_cast<int>(ports.size()) != scales) {
        std::fprintf(stderr, "the simulated scales did not start\n");
        return false;
    }
    const Figures single = SendToAll({one.Port()}, dir, tables);
    const Figures fleet = SendToAll(ports, dir, tables);
    const double ratio = fleet.wallSeconds / single.wallSeconds;
    const double cpuShare = 100.0 * fleet.cpuSeconds / fleet.wallSeconds;
    std::printf(
        "fleet %d scales x %d rows: %.2f s wall (%d terminated); one scale %.2f s; "
        "ratio %.3f (target <= 1.2)\n",
        scales, rows, fleet.wallSeconds, fleet.terminated, single.wallSeconds, ratio);
    std::printf("fleet %d scales x %d rows: cpu %.3f s = %.2f %% of wall (target < 10 %%)\n",
                scales, rows, fleet.cpuSeconds, cpuShare);
    return fleet.terminated == scales && single.terminated == 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tables = std::string(DORVEX_SAMPLES_DIR) + "/table.csv";
    const fs::path root =
        fs::temp_directory_path() / ("dorvex-bench-fleet-" + std::to_string(getpid()));
    std::vector<std::pair<int, int>> runs = {{20, 1000}, {100, 200}};
    if (argc >= 3) {
        runs.clear();
        for (int i = 1; i + 1 < argc; i += 2)
            runs.emplace_back(std::atoi(argv[i]), std::atoi(argv[i + 1]));
    }
    bool ok = true;
    for (auto [scales, rows] : runs)
        ok = Measure(scales, rows, root, tables) && ok;
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return ok ? 0 : 1;
}
