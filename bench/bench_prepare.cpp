// Preparing write requests from a generated 1,000,000-row data file, in both encodings:
// splitting the records alone, and the whole preparation (table chosen by file name, tags
// resolved, one request body per row stored the way the engine stores them).
//
//   bench_prepare [rows] [directory]
//
// Prints throughput (MB/s of file; million UTF-16 units/s for ".csw") by wall-clock and by CPU
// time (the machine may be shared), and the peak resident memory of each phase (Linux: VmHWM,
// reset between phases). Targets of the whole preparation: 150 MB/s of CPU time for both
// encodings; peak 2 times the file (8-bit) and 1.8 times (UTF-16).
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engine/request_list.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "protocol/protocol_texts.h"
#include "protocol/row_body_builder.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace {

using dorvex::Text;

constexpr const char* kHeader = "PLU;NAME;UNITPRICE;TARE;SHELFLIFE;DEPARTMENT";
const char16_t* const kNames[] = {
    u"Pâté de campagne", u"Jambon blanc supérieur",       u"Crème fraîche épaisse",
    u"Côte de bœuf",     u"Lot 2 saucissons &| 1 offert", u"Texte|sur deux lignes"};

// One row of about fifty characters.
Text RowText(long row) {
    Text text = dorvex::Ascii(std::to_string(100000 + row) + ";");
    text += kNames[row % 6];
    text += dorvex::Ascii(" " + std::to_string(row % 1000) + ";" + std::to_string(row % 50) + "." +
                          std::to_string(10 + row % 90) + ";0.00" + std::to_string(row % 10) + ";" +
                          std::to_string(row % 30) + ";" + std::to_string(row % 7) + "\r\n");
    return text;
}

std::uintmax_t Generate(const std::filesystem::path& path, long rows, bool wide) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk = wide ? std::string("\xFF\xFE") : std::string();
    Text header = dorvex::Ascii(std::string(kHeader) + "\r\n");
    chunk += wide ? dorvex::ToUtf16LeBytes(header) : dorvex::EncodeData(header);
    for (long row = 0; row < rows; ++row) {
        Text text = RowText(row);
        chunk += wide ? dorvex::ToUtf16LeBytes(text) : dorvex::EncodeData(text);
        if (chunk.size() > (1 << 20)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.close();
    return std::filesystem::file_size(path);
}

long StatusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
}

// User and system CPU time of the process so far.
std::pair<double, double> CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {Seconds(usage.ru_utime), Seconds(usage.ru_stime)};
}

struct Measure {
    double seconds = 0;
    double cpuSeconds = 0;
    double systemSeconds = 0;
    long baselineKiB = 0;
    long peakKiB = 0;
};

Measure Run(const std::function<void()>& phase) {
    ResetPeak();
    Measure m;
    m.baselineKiB = StatusKiB("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    auto [userStart, systemStart] = CpuSeconds();
    phase();
    auto [userEnd, systemEnd] = CpuSeconds();
    m.cpuSeconds = (userEnd - userStart) + (systemEnd - systemStart);
    m.systemSeconds = systemEnd - systemStart;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.peakKiB = StatusKiB("VmHWM:");
    return m;
}

void Report(const char* what, const std::filesystem::path& path, std::uintmax_t bytes, bool wide,
            const Measure& m, std::size_t count) {
    double mb = static_cast<double>(bytes) / 1e6;
    double peakMb = static_cast<double>(m.peakKiB) * 1024 / 1e6;
    double grownMb = static_cast<double>(m.peakKiB - m.baselineKiB) * 1024 / 1e6;
    std::printf("%-8s %-20s %6.1f MB  %6.3f s (cpu %6.3f s, sys %5.3f)  %6.1f MB/s (cpu %6.1f)",
                what, path.filename().string().c_str(), mb, m.seconds, m.cpuSeconds,
                m.systemSeconds, mb / m.seconds, mb / m.cpuSeconds);
    if (wide) {
        std::printf("  %5.1f M units/s (cpu %5.1f)", mb / 2 / m.seconds, mb / 2 / m.cpuSeconds);
    }
    std::printf("  peak %7.1f MB (%4.2f x file, +%.1f MB in phase)  [%zu]\n", peakMb, peakMb / mb,
                grownMb, count);
}

std::size_t SplitOnly(const Text& path) {
    dorvex::DataFile file(path);
    dorvex::RecordCursor cursor;
    std::size_t units = 0;
    for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext()) {
        for (int i = 0; i < cursor.FieldCount(); ++i)
            units += cursor.FieldAt(i)->value.size();
    }
    return units;
}

// Bodies are stored as they travel: an 8-bit file for a link that carries the data code page,
// a UTF-16 file for one that carries UTF-16.
std::size_t Prepare(dorvex::TableCatalog& catalog, const Text& path, dorvex::WireEncoding wire) {
    dorvex::DataFile file(path);
    if (!file.Open())
        return 0;
    dorvex::RecordCursor cursor;
    cursor.Open(&file);
    auto table = catalog.TableForFileName(dorvex::BaseName(path));
    if (!table)
        return 0;
    catalog.SelectTable(*table);
    Text header = dorvex::RowHeader(dorvex::BuildTableHeader(catalog, *table, u"w"), u"1");
    dorvex::RowBodyBuilder builder;
    Text missing;
    if (!builder.Prepare(catalog, file, missing))
        return 0;
    dorvex::RequestList requests;
    requests.Clear(wire);
    for (; !cursor.IsEOF(); cursor.MoveNext())
        requests.AppendRowBody(builder, cursor, u"|");
    return header.empty() ? 0 : requests.Size();
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    const std::filesystem::path directory =
        argc > 2 ? std::filesystem::path(argv[2]) : std::filesystem::temp_directory_path();
    dorvex::TableCatalog catalog;
    catalog.Load(dorvex::FromUtf8(DORVEX_SAMPLES_DIR "/table.csv"));

    for (bool wide : {false, true}) {
        const std::filesystem::path path =
            directory / (wide ? "articles_bench_w.csw" : "articles_bench_w.csv");
        const std::uintmax_t bytes = Generate(path, rows, wide);
        const Text textPath = dorvex::FromUtf8(path.string());
        std::size_t count = 0;
        Measure split = Run([&] { count = SplitOnly(textPath); });
        Report("split", path, bytes, wide, split, count);
        const auto wire = wide ? dorvex::WireEncoding::Utf16Le : dorvex::WireEncoding::DataCodePage;
        Measure whole = Run([&] { count = Prepare(catalog, textPath, wire); });
        Report("prepare", path, bytes, wide, whole, count);
        std::printf("target   prepare %s: cpu >= 150 MB/s, peak <= %.1f x file\n",
                    wide ? "UTF-16" : "8-bit", wide ? 1.8 : 2.0);
        std::filesystem::remove(path);
    }
    return 0;
}
