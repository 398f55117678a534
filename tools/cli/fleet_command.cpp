#include "fleet_command.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
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
using Clock = std::chrono::steady_clock;

constexpr int kPollMs = 200;
// The identity request that TestConnection sends.
constexpr const char* kIdentityRequest = "<idt m=\"r\"><dvn>1<dpn>1";

std::atomic<bool> stopRequested{false};

extern "C" void RequestStop(int) {
    stopRequested.store(true);
}

enum class Outcome { Waiting, Running, Terminated, WithError, Unreachable, Refused, Stopped };

const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Waiting:
            return "waiting";
        case Outcome::Running:
            return "running";
        case Outcome::Terminated:
            return "terminated";
        case Outcome::WithError:
            return "with error";
        case Outcome::Unreachable:
            return "unreachable";
        case Outcome::Refused:
            return "refused";
        case Outcome::Stopped:
            return "stopped";
    }
    return "?";
}

// What one scale's run has come to; written by its worker, read by the display.
struct ScaleRun {
    Scale scale;
    std::atomic<Outcome> outcome{Outcome::Waiting};
    std::atomic<int> sent{0};
    std::atomic<int> expected{0};
    std::atomic<int> ok{0};
    std::atomic<int> failed{0};
    std::atomic<long long> elapsedMs{0};
    std::mutex mutex;
    std::string reason;

    void SetReason(std::string text) {
        std::lock_guard lock(mutex);
        reason = std::move(text);
    }
    std::string Reason() {
        std::lock_guard lock(mutex);
        return reason;
    }
};

int StartOn(int handle, const std::string& command, const std::string& file) {
    if (command == "write")
        return SendEngineWriteFile(handle, file.c_str());
    if (command == "read")
        return SendEngineReadFile(handle, file.c_str());
    return SendEngineDeleteFile(handle, file.c_str());
}

void TakeProgress(int handle, ScaleRun& run) {
    int sent = 0, expected = 0, ok = 0, failed = 0;
    GetEngineProgress(handle, &sent, &expected, &ok, &failed);
    run.sent.store(sent);
    run.expected.store(expected);
    run.ok.store(ok);
    run.failed.store(failed);
}

class Fleet {
  public:
    Fleet(const CliOptions& options, std::vector<Scale> scales)
        : options_(options), places_(RunPlaces::For(options)), runs_(scales.size()) {
        for (std::size_t i = 0; i < scales.size(); ++i)
            runs_[i].scale = std::move(scales[i]);
    }

    int Run() {
        const auto start = Clock::now();
        const std::size_t jobs =
            options_.jobs > 0 ? std::min<std::size_t>(options_.jobs, runs_.size()) : runs_.size();
        std::vector<std::thread> workers;
        for (std::size_t i = 0; i < jobs; ++i)
            workers.emplace_back([this] { TakeScales(); });
        Display(start);
        for (std::thread& worker : workers)
            worker.join();
        return Summarise();
    }

  private:
    void TakeScales() {
        for (std::size_t i = next_.fetch_add(1); i < runs_.size(); i = next_.fetch_add(1)) {
            ScaleRun& run = runs_[i];
            const auto start = Clock::now();
            if (stopRequested.load())
                run.outcome.store(Outcome::Stopped);
            else if (options_.command == "test")
                TestScale(run);
            else
                TransferOn(run);
            run.elapsedMs.store(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                    .count());
            done_.fetch_add(1);
        }
    }

    int Open(ScaleRun& run) {
        run.outcome.store(Outcome::Running);
        int handle =
            OpenEngine(run.scale.link.c_str(), run.scale.device.c_str(), run.scale.address.c_str(),
                       options_.unicode ? 1 : 0, options_.tableFile.c_str());
        if (handle <= 0) {
            run.SetReason(LastErrorText());
            run.outcome.store(Outcome::Unreachable);
        }
        return handle;
    }

    void TransferOn(ScaleRun& run) {
        const int handle = Open(run);
        if (handle <= 0)
            return;
        std::error_code ignored;
        const fs::path output = places_.outputRoot / run.scale.name;
        const fs::path errors = places_.errorRoot / run.scale.name;
        fs::create_directories(output, ignored);
        fs::create_directories(errors, ignored);
        SetEngineDirectories(handle, places_.inputDir.c_str(), output.string().c_str(),
                             errors.string().c_str());
        SetEngineCRChar(handle, options_.marker.c_str());
        SetEngineTimeouts(handle, options_.connectTimeoutMs, options_.replyTimeoutMs,
                          options_.replyTimeoutMs);
        if (StartOn(handle, options_.command, places_.fileName) != 1) {
            run.SetReason(LastErrorText());
            run.outcome.store(Outcome::Refused);
            CloseEngine(handle);
            return;
        }
        int status = WaitEngineTransfer(handle, 0);
        while (status != DORVEX_TERMINATED && status != DORVEX_TERMINATED_WITH_ERROR &&
               !stopRequested.load()) {
            TakeProgress(handle, run);
            status = WaitEngineTransfer(handle, kPollMs);
        }
        TakeProgress(handle, run);
        if (status == DORVEX_TERMINATED) {
            run.outcome.store(Outcome::Terminated);
        } else if (status == DORVEX_TERMINATED_WITH_ERROR) {
            run.SetReason(EngineTransferErrorText(handle));
            run.outcome.store(Outcome::WithError);
        } else {
            run.SetReason("stopped by the user");
            run.outcome.store(Outcome::Stopped);
        }
        CloseEngine(handle);
    }

    void TestScale(ScaleRun& run) {
        const int handle = Open(run);
        if (handle <= 0)
            return;
        std::vector<char> reply(DORVEX_REPLY_MAX);
        run.sent.store(1);
        if (SendEngineData(handle, kIdentityRequest) == 1 &&
            ReceiveEngineData(handle, reply.data()) > 0) {
            run.ok.store(1);
            run.SetReason(reply.data());
            run.outcome.store(Outcome::Terminated);
        } else {
            run.failed.store(1);
            run.SetReason(LastErrorText());
            run.outcome.store(Outcome::WithError);
        }
        CloseEngine(handle);
    }

    // One live line per scale on a terminal; otherwise a line per change of outcome.
    void Display(Clock::time_point start) {
        const bool live = !options_.quiet && isatty(STDERR_FILENO) != 0;
        std::vector<Outcome> shown(runs_.size(), Outcome::Waiting);
        bool drawn = false;
        for (;;) {
            const bool finished = done_.load() == runs_.size();
            if (live) {
                DrawLines(drawn);
                drawn = true;
            } else if (!options_.quiet) {
                LogChanges(shown, start);
            }
            if (finished)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }

    void DrawLines(bool redraw) {
        if (redraw)
            std::fprintf(stderr, "\x1b[%zuA", runs_.size());
        for (ScaleRun& run : runs_) {
            std::fprintf(stderr, "\r\x1b[2K%-16s %6d/%-6d  ok %-6d failed %-6d %s\n",
                         run.scale.name.c_str(), run.sent.load(), run.expected.load(),
                         run.ok.load(), run.failed.load(), OutcomeText(run.outcome.load()));
        }
        std::fflush(stderr);
    }

    void LogChanges(std::vector<Outcome>& shown, Clock::time_point start) {
        const double seconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() /
            1000.0;
        for (std::size_t i = 0; i < runs_.size(); ++i) {
            Outcome now = runs_[i].outcome.load();
            if (now == shown[i])
                continue;
            shown[i] = now;
            std::fprintf(stderr, "%8.1f s  %s: %s %d/%d\n", seconds, runs_[i].scale.name.c_str(),
                         OutcomeText(now), runs_[i].sent.load(), runs_[i].expected.load());
        }
        std::fflush(stderr);
    }

    int Summarise() {
        std::printf("%-16s %-12s %8s %8s %8s %9s\n", "scale", "outcome", "sent", "ok", "failed",
                    "time");
        int started = 0;
        int good = 0;
        for (ScaleRun& run : runs_) {
            const Outcome outcome = run.outcome.load();
            std::printf("%-16s %-12s %8d %8d %8d %8.1fs\n", run.scale.name.c_str(),
                        OutcomeText(outcome), run.sent.load(), run.ok.load(), run.failed.load(),
                        run.elapsedMs.load() / 1000.0);
            if (outcome != Outcome::Unreachable && outcome != Outcome::Refused &&
                outcome != Outcome::Waiting)
                ++started;
            if (outcome == Outcome::Terminated)
                ++good;
        }
        for (ScaleRun& run : runs_) {
            std::string reason = run.Reason();
            if (!reason.empty() && run.outcome.load() != Outcome::Terminated)
                std::printf("%s: %s\n", run.scale.name.c_str(), reason.c_str());
            else if (options_.command == "test" && !reason.empty())
                std::printf("%s: %s\n", run.scale.name.c_str(), reason.c_str());
        }
        if (started == 0)
            return kExitNotStarted;
        return good == static_cast<int>(runs_.size()) ? kExitTerminated : kExitWithError;
    }

    const CliOptions& options_;
    const RunPlaces places_;
    std::vector<ScaleRun> runs_;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> done_{0};
};

}  // namespace

int RunFleet(const CliOptions& options) {
    std::string error;
    std::optional<std::vector<Scale>> scales =
        ScaleList::Gather(options.scalesFile, options.scaleLines, error);
    if (!scales) {
        std::fprintf(stderr, "dorvex: %s\n", error.c_str());
        return kExitNotStarted;
    }
    SetConnectionTimeout(options.connectTimeoutMs);
    SetDisplayErrorMode(options.showErrors ? 1 : 0);
    stopRequested.store(false);
    auto previousInt = std::signal(SIGINT, RequestStop);
    auto previousTerm = std::signal(SIGTERM, RequestStop);
    Fleet fleet(options, std::move(*scales));
    int status = fleet.Run();
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    return status;
}

}  // namespace dorvex::cli
