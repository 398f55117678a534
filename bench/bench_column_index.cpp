// Building and searching a column index over a generated data file of 1,000,000 rows (8-bit,
// keys in shuffled order so that the build really sorts): the time to build the index, and
// FindFirst on an equality term with the index and by scanning (key near the start, in the
// middle and near the end of the file), plus the wall time of opening a filtered cursor.
//
//   bench_column_index [rows] [directory]
//
// Targets: build within 800 ms, an indexed FindFirst within 50 us. The build is timed by the
// wall clock and by CPU time (the machine may be shared).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tables/column_index.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"

namespace {

using dorvex::Text;
using Clock = std::chrono::steady_clock;

std::string KeyOf(long key) {
    return "ITEM" + std::to_string(1000000 + key);
}

// Row r carries the key keys[r]; returns the keys in file order.
std::vector<long> Generate(const std::filesystem::path& path, long rows) {
    std::vector<long> keys(static_cast<std::size_t>(rows));
    std::iota(keys.begin(), keys.end(), 0L);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(11));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk = "PLU;NAME;UNITPRICE;TARE\r\n";
    for (long row = 0; row < rows; ++row) {
        chunk += std::to_string(100000 + row) + ";" + KeyOf(keys[static_cast<std::size_t>(row)]) +
                 ";" + std::to_string(row % 50) + "." + std::to_string(10 + row % 90) + ";0.00" +
                 std::to_string(row % 10) + "\r\n";
        if (chunk.size() > (1 << 20)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    return keys;
}

double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Mean time of FindFirst over `repeats` calls on a cursor standing on `filter`.
double FindFirstMs(dorvex::DataFile& file, const Text& filter, int repeats, bool& found) {
    dorvex::RecordCursor cursor;
    cursor.Open(&file, &filter);
    auto start = Clock::now();
    for (int i = 0; i < repeats; ++i)
        found = cursor.FindFirst();
    return Milliseconds(Clock::now() - start) / repeats;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::filesystem::path dir =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    const std::filesystem::path data = dir / "bench-column-index.csv";
    const std::filesystem::path index = dir / "bench-column-index.i01";
    std::filesystem::remove(index);

    auto start = Clock::now();
    std::vector<long> keys = Generate(data, rows);
    std::printf("rows %ld, %.1f MB, generated in %.0f ms\n", rows,
                static_cast<double>(std::filesystem::file_size(data)) / 1e6,
                Milliseconds(Clock::now() - start));

    dorvex::DataFile file(dorvex::FromUtf8(data.string()));
    if (!file.Open()) {
        std::fprintf(stderr, "cannot open %s\n", data.c_str());
        return 1;
    }
    const std::size_t n = keys.size();
    const struct {
        const char* where;
        long key;
    } probes[] = {{"start", keys[n / 100]}, {"middle", keys[n / 2]}, {"end", keys[n - 1]}};

    for (const auto& probe : probes) {
        bool found = false;
        Text filter = dorvex::Ascii("NAME = " + KeyOf(probe.key));
        double ms = FindFirstMs(file, filter, 3, found);
        std::printf("FindFirst by scanning, key near the %-6s %10.3f ms  %s\n", probe.where, ms,
                    found ? "found" : "NOT FOUND");
    }

    start = Clock::now();
    const double cpuStart = CpuMilliseconds();
    dorvex::ColumnIndex built;
    bool ok = built.Build(&file, 1, dorvex::ColumnType::Text).Ok();
    double buildMs = Milliseconds(Clock::now() - start);
    double buildCpuMs = CpuMilliseconds() - cpuStart;
    std::printf("index build: %.0f ms (cpu %.0f ms; %u entries, %s; target <= 800 ms)\n", buildMs,
                buildCpuMs, built.Count(), ok ? "written" : "FAILED");
    built.Close();

    start = Clock::now();
    dorvex::ColumnIndex opened;
    ok = opened.Open(&file, 1).Ok();
    std::printf("index open (read and check %u entries): %.1f ms %s\n", opened.Count(),
                Milliseconds(Clock::now() - start), ok ? "" : "FAILED");
    opened.Close();

    for (const auto& probe : probes) {
        bool found = false;
        Text filter = dorvex::Ascii("NAME = " + KeyOf(probe.key));
        double ms = FindFirstMs(file, filter, 1000, found);
        std::printf(
            "FindFirst with the index, key near the %-6s %8.4f ms  %s (target <= 0.050 ms)\n",
            probe.where, ms, found ? "found" : "NOT FOUND");
    }
    bool found = false;
    double missMs = FindFirstMs(file, u"NAME = ITEM9", 1000, found);
    std::printf("FindFirst with the index, absent key      %8.4f ms  %s\n", missMs,
                found ? "FOUND?" : "not found");

    start = Clock::now();
    dorvex::RecordCursor cursor;
    Text filter = dorvex::Ascii("NAME = " + KeyOf(keys[n / 2]));
    cursor.Open(&file, &filter);
    std::printf("open a filtered cursor (index read + search): %.1f ms\n",
                Milliseconds(Clock::now() - start));
    cursor.Close();
    file.Close();
    std::filesystem::remove(index);
    std::filesystem::remove(data);
    return 0;
}
