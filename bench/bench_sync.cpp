// Delta sync: (1) a 100,000-row price file with 1 % of its rows changed, against the state of
// the previous day: the time to load the state, compute the diff and write the new state
// (target under 1 s together) and the memory that takes at its peak (target under 3 times the
// file); (2) in the same run, a sync of a 2,000-row file with 1 % changed against a simulator
// compared with a full write of the same 2,000 rows, and both extrapolated to 100,000 rows
// from their per-row figures.
//
//   bench_sync [ROWS [SIM_ROWS]]    (default: 100000 2000)
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dorvex.h"
#include "support/scale_sim_process.h"
#include "sync/row_diff.h"
#include "sync/row_selection.h"
#include "sync/sync_state.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using dorvex::test::ScaleSimProcess;

namespace {

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Resident memory figures of this process in kB: "VmRSS" now, "VmHWM" the peak since the
// last reset.
long MemoryKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// An article file of `rows` rows; every 100th row from `changedFrom` on gets another price.
void WriteArticles(const fs::path& path, int rows, bool changed) {
    std::ofstream out(path, std::ios::binary);
    out << "PLU;NAME;UNITPRICE;PROMOPRICE;PRICEMODE;TARE;SHELFLIFE;DEPARTMENT;LABELTEXT;"
           "BARCODE\r\n";
    for (int i = 1; i <= rows; ++i) {
        const int cents = (i * 37) % 10000 + ((changed && i % 100 == 7) ? 1 : 0);
        out << i << ";Article number " << i << ";" << cents / 100 << "." << (cents % 100) / 10
            << cents % 10 << ";;KG;0.005;10;" << i % 40 << ";;2" << 100000000000LL + i << "\r\n";
    }
}

dorvex::Text PathText(const fs::path& path) {
    return path.u16string();
}

// Every row of the file as acknowledged: the state of the previous day.
void SaveFullState(const fs::path& file, const fs::path& state) {
    dorvex::RowSelection rows;
    dorvex::Text reason;
    rows.Open(PathText(file), u"", u"", reason);
    dorvex::SyncState empty(u"Article");
    dorvex::DiffResult all = dorvex::RowDiff::Compute(rows, empty, true, false);
    std::vector<dorvex::StateEntry> entries;
    for (const auto& row : all.toSend)
        entries.push_back({row.key, row.digest});
    empty.Apply(std::move(entries), {});
    empty.Save(PathText(state), 1);
}

void DiffFigures(const fs::path& dir, int rows) {
    const fs::path file = dir / "Article_w.csv";
    const fs::path state = dir / "article.state";
    WriteArticles(file, rows, false);
    SaveFullState(file, state);
    WriteArticles(file, rows, true);
    const double fileMb = fs::file_size(file) / 1048576.0;

    // What the preparation freed goes back to the system, so that the peak below counts only
    // the memory the diff itself takes.
    malloc_trim(0);
    ResetPeakMemory();
    const long before = MemoryKb("VmRSS");
    const auto start = Clock::now();
    dorvex::SyncState loaded(u"Article");
    dorvex::Text reason;
    loaded.Load(PathText(state), reason);
    const double loadSeconds = SecondsSince(start);
    dorvex::RowSelection selection;
    selection.Open(PathText(file), u"", u"", reason);
    dorvex::DiffResult diff = dorvex::RowDiff::Compute(selection, loaded, false, true);
    const double diffSeconds = SecondsSince(start) - loadSeconds;
    std::vector<dorvex::StateEntry> acknowledged;
    for (const auto& row : diff.toSend)
        acknowledged.push_back({row.key, row.digest});
    loaded.Apply(std::move(acknowledged), {});
    const auto saveStart = Clock::now();
    loaded.Save(PathText(state), 2);
    const double saveSeconds = SecondsSince(saveStart);
    const double total = SecondsSince(start);
    const long peak = MemoryKb("VmHWM");

    std::printf("diff of %d rows (%.1f MB file, %zu changed), state %.1f MB:\n", rows, fileMb,
                diff.toSend.size(), fs::file_size(state) / 1048576.0);
    std::printf(
        "  load state %.3f s, diff %.3f s, save state %.3f s: %.3f s together "
        "(target < 1 s)\n",
        loadSeconds, diffSeconds, saveSeconds, total);
    if (peak > 0 && before > 0)
        std::printf(
            "  peak memory above the start: %.1f MB = %.2f x the file (target < 3); "
            "peak resident %.1f MB\n",
            (peak - before) / 1024.0, (peak - before) / 1024.0 / fileMb, peak / 1024.0);
}

int WaitFor(int engine) {
    int status = WaitEngineTransfer(engine, 600000);
    while (status >= 0 && status != DORVEX_TERMINATED && status != DORVEX_TERMINATED_WITH_ERROR)
        status = WaitEngineTransfer(engine, 600000);
    return status;
}

void TransferFigures(const fs::path& dir, int rows, int extrapolated) {
    const fs::path tables = fs::path(DORVEX_SAMPLES_DIR) / "table.csv";
    ScaleSimProcess sim({"--tables", tables.string()});
    if (!sim.Started()) {
        std::printf("the simulator did not start\n");
        return;
    }
    const std::string link = "IPC:" + std::to_string(sim.Port());
    const int engine = OpenEngine(link.c_str(), "1", "127.0.0.1", 0, tables.string().c_str());
    const fs::path out = dir / "out";
    fs::create_directories(out);
    SetEngineDirectories(engine, dir.string().c_str(), out.string().c_str(), out.string().c_str());
    const std::string stateDir = (dir / "states").string();
    WriteArticles(dir / "Article_w.csv", rows, false);

    auto start = Clock::now();
    SendEngineWriteFile(engine, "Article_w.csv");
    const int fullStatus = WaitFor(engine);
    const double fullSeconds = SecondsSince(start);

    // The state of the previous day, then the day's file with 1 % changed.
    SyncEngineFile(engine, "Article_w.csv", stateDir.c_str(), "", "", DORVEX_SYNC_FULL, 0);
    WriteArticles(dir / "Article_w.csv", rows, true);
    start = Clock::now();
    const int syncResult = SyncEngineFile(engine, "Article_w.csv", stateDir.c_str(), "", "", 0, 0);
    const double syncSeconds = SecondsSince(start);
    int unchanged = 0, sent = 0, ok = 0;
    GetEngineSyncSummary(engine, &unchanged, &sent, &ok, nullptr, nullptr);
    CloseEngine(engine);

    std::printf("against the simulator, %d rows with 1 %% changed:\n", rows);
    std::printf("  full write %.2f s (status %d), %.2f ms per row\n", fullSeconds, fullStatus,
                fullSeconds * 1000 / rows);
    std::printf("  sync %.3f s (result %d: %d unchanged, %d sent, %d ok)\n", syncSeconds,
                syncResult, unchanged, sent, ok);
    std::printf("  sync is %.0f times faster than the full write\n", fullSeconds / syncSeconds);
    // Per row: the full write's time per row for the rows sent, plus the sync's own time
    // beyond those rows spread over every row of the file.
    const double perSentRow = fullSeconds / rows;
    const double perFileRow = std::max(0.0, syncSeconds - sent * perSentRow) / rows;
    const double fullAt = perSentRow * extrapolated;
    const double syncAt = perSentRow * extrapolated / 100.0 + perFileRow * extrapolated;
    std::printf("  extrapolated to %d rows: full write %.0f s, sync %.1f s (%.0f times)\n",
                extrapolated, fullAt, syncAt, fullAt / syncAt);
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int simRows = argc > 2 ? std::atoi(argv[2]) : 2000;
    const fs::path dir = fs::temp_directory_path() / ("bench-sync-" + std::to_string(::getpid()));
    fs::create_directories(dir / "diff");
    fs::create_directories(dir / "sim");
    DiffFigures(dir / "diff", rows);
    TransferFigures(dir / "sim", simRows, rows);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return 0;
}
