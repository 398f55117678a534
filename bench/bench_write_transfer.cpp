// A write transfer against the simulator answering at once: the time per row and its excess
// over the 30 ms the protocol spends by design (10 ms pause after each exchange, 20 ms quiet
// time; target: a median of 0.25 ms at most), and how long SendWriteFile blocks its caller
// while it prepares a large file.
//
// Each row's time is the interval between two requests sent, taken from the traffic trace's
// "send" calls; the mean over the whole transfer and the one that includes a status poll follow.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dorvex.h"
#include "support/scale_sim_process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void WriteRows(const fs::path& path, int rows) {
    std::ofstream out(path, std::ios::binary);
    out << "PLU;Name;UnitPrice;PriceMode;Tare;ShelfLife;Department\r\n";
    for (int i = 1; i <= rows; ++i) {
        out << i << ";Article num\xE9ro " << i << ";" << (i % 5000) / 100.0 << ";KG;0.005;"
            << i % 30 << ";" << i % 9 << "\r\n";
    }
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// When each request left, from the traffic trace (called on the transfer's thread).
void DORVEX_CALL NoteSend(const char* direction, const char*, const char*, void* context) {
    if (std::string_view(direction) == "send")
        static_cast<std::vector<double>*>(context)->push_back(Seconds(Clock::time_point{}));
}

double MedianInterval(const std::vector<double>& ends) {
    std::vector<double> intervals;
    for (std::size_t i = 1; i < ends.size(); ++i)
        intervals.push_back(ends[i] - ends[i - 1]);
    if (intervals.empty())
        return 0;
    std::nth_element(intervals.begin(), intervals.begin() + intervals.size() / 2, intervals.end());
    return intervals[intervals.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int bigRows = argc > 2 ? std::atoi(argv[2]) : 100000;
    fs::path dir = fs::temp_directory_path() / ("dorvex-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    WriteRows(dir / "articles_w.csv", rows);
    WriteRows(dir / "articles_big_w.csv", bigRows);

    dorvex::test::ScaleSimProcess sim(
        {"--tables", std::string(DORVEX_SAMPLES_DIR) + "/table.csv", "--log", "/dev/null"});
    if (!sim.Started())
        return 1;
    std::string link = "IPC:" + std::to_string(sim.Port());
    const std::string tables = std::string(DORVEX_SAMPLES_DIR) + "/table.csv";
    if (OpenDorvex(link.c_str(), "1", "127.0.0.1", 0, 0, tables.c_str()) != 1)
        return 1;
    SetInputDir(dir.c_str());
    SetOutputDir(dir.c_str());
    SetErrorDir(dir.c_str());

    std::vector<double> sends;
    sends.reserve(static_cast<std::size_t>(rows) + 1);
    SetTraceHandler(NoteSend, &sends);
    auto start = Clock::now();
    if (SendWriteFile("articles_w.csv") != 1)
        return 1;
    // The transfer itself ends when its result file is written; the status poll comes after.
    while (!fs::exists(dir / "articles_w_a.csv") && !fs::exists(dir / "articles_w_e.csv"))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    const double transferPerRow = Seconds(start) * 1000.0 / rows;
    SetTraceHandler(nullptr, nullptr);
    const double medianRow = MedianInterval(sends) * 1000.0;
    int status;
    while ((status = GetCommStatus()) < 4) {
    }
    double perRow = Seconds(start) * 1000.0 / rows;
    std::printf(
        "write of %d rows: status %d, median %.3f ms per row (excess over 30 ms: %.3f ms;"
        " target <= 0.250 ms)\n",
        rows, status, medianRow, medianRow - 30.0);
    std::printf(
        "the transfer alone, up to its result file: %.3f ms per row on average (excess over 30 ms:"
        " %.3f ms; the simulator's answer time included)\n",
        transferPerRow, transferPerRow - 30.0);
    std::printf(
        "with one 200 ms status poll after it: %.3f ms per row on average (excess %.3f ms)\n",
        perRow, perRow - 30.0);

    start = Clock::now();
    int started = SendWriteFile("articles_big_w.csv");
    double blocked = Seconds(start);
    std::printf("SendWriteFile of %d rows (%.1f MB) blocked the caller %.3f s (result %d)\n",
                bigRows, fs::file_size(dir / "articles_big_w.csv") / 1e6, blocked, started);
    CloseDorvex();
    fs::remove_all(dir);
    return 0;
}
