#include "sync_command.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dorvex.h"
#include "reason_texts.h"
#include "run_places.h"
#include "scale_list.h"
#include "transfer_command.h"

namespace dorvex::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kWaitSliceMs = 60000;
constexpr int kProgressMs = 500;

std::string Report(int handle) {
    const int needed = GetEngineSyncReport(handle, nullptr, 0);
    if (needed <= 0)
        return {};
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    GetEngineSyncReport(handle, text.data(), needed + 1);
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

// What one scale's run came to, printed once every scale has ended.
struct ScaleResult {
    Scale scale;
    bool started = false;
    bool good = false;
    int counts[5] = {0, 0, 0, 0, 0};
    std::string report;
    std::string reason;
    // For the progress display while the worker runs.
    std::atomic<int> handle{0};
    std::atomic<bool> done{false};
};

int SyncFlags(const CliOptions& options) {
    return (options.prune ? DORVEX_SYNC_PRUNE : 0) | (options.full ? DORVEX_SYNC_FULL : 0) |
           (options.dryRun ? DORVEX_SYNC_DRY_RUN : 0);
}

class SyncRunner {
  public:
    SyncRunner(const CliOptions& options, std::vector<Scale> scales)
        : options_(options),
          places_(RunPlaces::For(options)),
          perScale_(options.IsFleet()),
          results_(scales.size()) {
        for (std::size_t i = 0; i < scales.size(); ++i)
            results_[i].scale = std::move(scales[i]);
    }

    int Run() {
        const std::size_t jobs = options_.jobs > 0
                                     ? std::min<std::size_t>(options_.jobs, results_.size())
                                     : results_.size();
        std::vector<std::thread> workers;
        for (std::size_t i = 0; i < jobs; ++i)
            workers.emplace_back([this] { TakeScales(); });
        if (!options_.quiet && isatty(STDERR_FILENO) != 0)
            ShowProgress();
        for (std::thread& worker : workers)
            worker.join();
        return Summarise();
    }

  private:
    void TakeScales() {
        for (std::size_t i = next_.fetch_add(1); i < results_.size(); i = next_.fetch_add(1)) {
            RunOn(results_[i]);
            results_[i].done.store(true);
            finished_.fetch_add(1);
        }
    }

    // A line per scale with the requests of its current transfer, redrawn while any runs.
    void ShowProgress() {
        bool drawn = false;
        std::vector<std::pair<int, int>> shown(results_.size(), {0, 0});
        for (;;) {
            const bool finished = finished_.load() == results_.size();
            if (drawn)
                std::fprintf(stderr, "\x1b[%zuA", results_.size());
            for (std::size_t i = 0; i < results_.size(); ++i) {
                ScaleResult& result = results_[i];
                int sent = 0, expected = 0;
                const int handle = result.handle.load();
                // The last figures stay on the line once the engine is gone.
                if (handle > 0 &&
                    GetEngineProgress(handle, &sent, &expected, nullptr, nullptr) == 1)
                    shown[i] = {sent, expected};
                std::fprintf(stderr, "\r\x1b[2K%-16s %s %d/%d\n", result.scale.name.c_str(),
                             result.done.load() ? "ended  " : "running", shown[i].first,
                             shown[i].second);
            }
            std::fflush(stderr);
            drawn = true;
            if (finished)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(kProgressMs));
        }
    }

    void RunOn(ScaleResult& result) {
        const Scale& scale = result.scale;
        const int handle =
            OpenEngine(scale.link.c_str(), scale.device.c_str(), scale.address.c_str(),
                       options_.unicode ? 1 : 0, options_.tableFile.c_str());
        if (handle <= 0) {
            result.reason = LastErrorText();
            return;
        }
        result.handle.store(handle);
        fs::path output = places_.outputRoot;
        fs::path errors = places_.errorRoot;
        if (perScale_) {
            output /= scale.name;
            errors /= scale.name;
        }
        std::error_code ignored;
        fs::create_directories(output, ignored);
        fs::create_directories(errors, ignored);
        SetEngineDirectories(handle, places_.inputDir.c_str(), output.string().c_str(),
                             errors.string().c_str());
        SetEngineCRChar(handle, options_.marker.c_str());
        SetEngineTimeouts(handle, options_.connectTimeoutMs, options_.replyTimeoutMs,
                          options_.replyTimeoutMs);
        if (options_.command == "sync")
            Sync(handle, result);
        else if (options_.command == "verify")
            Verify(handle, result);
        else
            WriteWhere(handle, result);
        result.handle.store(0);
        CloseEngine(handle);
    }

    void Sync(int handle, ScaleResult& result) {
        const int outcome = SyncEngineFile(
            handle, places_.fileName.c_str(), options_.stateDir.c_str(), options_.keyColumn.c_str(),
            options_.where.c_str(), SyncFlags(options_), options_.maxAgeSeconds);
        int* c = result.counts;
        GetEngineSyncSummary(handle, &c[0], &c[1], &c[2], &c[3], &c[4]);
        result.report = Report(handle);
        result.started = outcome >= 0;
        result.good = outcome == 1;
        if (outcome != 1)
            result.reason = LastErrorText();
    }

    void Verify(int handle, ScaleResult& result) {
        const int outcome = VerifyEngineFile(handle, places_.fileName.c_str(),
                                             options_.keyColumn.c_str(), options_.where.c_str());
        int* c = result.counts;
        GetEngineVerifySummary(handle, &c[0], &c[1], &c[2], &c[3]);
        result.report = Report(handle);
        result.started = outcome >= 0;
        result.good = outcome == 0;
        if (outcome < 0)
            result.reason = LastErrorText();
    }

    void WriteWhere(int handle, ScaleResult& result) {
        if (SendEngineWriteFileWhere(handle, places_.fileName.c_str(), options_.where.c_str()) !=
            1) {
            result.reason = LastErrorText();
            return;
        }
        result.started = true;
        int status = WaitEngineTransfer(handle, kWaitSliceMs);
        while (status != DORVEX_TERMINATED && status != DORVEX_TERMINATED_WITH_ERROR && status >= 0)
            status = WaitEngineTransfer(handle, kWaitSliceMs);
        int* c = result.counts;
        GetEngineProgress(handle, &c[0], &c[1], &c[2], &c[3]);
        result.good = status == DORVEX_TERMINATED;
        if (!result.good) {
            result.reason = EngineTransferErrorText(handle);
        }
    }

    void PrintReport(const ScaleResult& result) const {
        std::size_t start = 0;
        while (start < result.report.size()) {
            const std::size_t end = std::min(result.report.find('\n', start), result.report.size());
            const std::string line = result.report.substr(start, end - start);
            if (perScale_)
                std::printf("%s: %s\n", result.scale.name.c_str(), line.c_str());
            else
                std::printf("%s\n", line.c_str());
            start = end + 1;
        }
    }

    void PrintHeader() const {
        if (options_.command == "sync")
            std::printf("%-16s %9s %8s %8s %8s %8s\n", "scale", "unchanged", "sent", "ok", "failed",
                        "deleted");
        else if (options_.command == "verify")
            std::printf("%-16s %9s %8s %9s %8s\n", "scale", "checked", "matching", "differing",
                        "missing");
        else
            std::printf("%-16s %9s %8s %8s %8s\n", "scale", "sent", "expected", "ok", "failed");
    }

    void PrintCounts(const ScaleResult& result) const {
        const int* c = result.counts;
        if (!result.started)
            std::printf("%-16s %s\n", result.scale.name.c_str(), "not started");
        else if (options_.command == "sync")
            std::printf("%-16s %9d %8d %8d %8d %8d\n", result.scale.name.c_str(), c[0], c[1], c[2],
                        c[3], c[4]);
        else if (options_.command == "verify")
            std::printf("%-16s %9d %8d %9d %8d\n", result.scale.name.c_str(), c[0], c[1], c[2],
                        c[3]);
        else
            std::printf("%-16s %9d %8d %8d %8d\n", result.scale.name.c_str(), c[0], c[1], c[2],
                        c[3]);
    }

    int Summarise() const {
        for (const ScaleResult& result : results_)
            PrintReport(result);
        if (!options_.quiet || options_.command != "write") {
            PrintHeader();
            for (const ScaleResult& result : results_)
                PrintCounts(result);
        }
        int started = 0;
        int good = 0;
        for (const ScaleResult& result : results_) {
            started += result.started ? 1 : 0;
            good += result.good ? 1 : 0;
            if (!result.reason.empty())
                std::printf("%s: %s\n", result.scale.name.c_str(), result.reason.c_str());
        }
        if (started == 0)
            return kExitNotStarted;
        return good == static_cast<int>(results_.size()) ? kExitTerminated : kExitWithError;
    }

    const CliOptions& options_;
    const RunPlaces places_;
    const bool perScale_;
    std::vector<ScaleResult> results_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> finished_{0};
};

std::optional<std::vector<Scale>> ScalesOf(const CliOptions& options, std::string& error) {
    if (!options.IsFleet())
        return std::vector<Scale>{{"scale", options.link, options.host, options.device}};
    return ScaleList::Gather(options.scalesFile, options.scaleLines, error);
}

}  // namespace

int RunSyncCommand(const CliOptions& options) {
    std::string error;
    std::optional<std::vector<Scale>> scales = ScalesOf(options, error);
    if (!scales) {
        std::fprintf(stderr, "dorvex: %s\n", error.c_str());
        return kExitNotStarted;
    }
    SetConnectionTimeout(options.connectTimeoutMs);
    SetDisplayErrorMode(options.showErrors ? 1 : 0);
    SyncRunner runner(options, std::move(*scales));
    return runner.Run();
}

}  // namespace dorvex::cli
