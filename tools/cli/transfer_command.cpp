#include "transfer_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "dorvex.h"
#include "reason_texts.h"

namespace dorvex::cli {
namespace {

void DORVEX_CALL PrintError(const char* title, const char* text, void*) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

constexpr int kWaitLogIntervalMs = 60000;

// Opens the engine and the link with the options, in the order every caller follows.
bool OpenScale(const CliOptions& options) {
    SetConnectionTimeout(options.connectTimeoutMs);
    SetReplyTimeout(options.replyTimeoutMs, options.replyTimeoutMs);
    SetDisplayErrorMode(options.showErrors ? 1 : 0);
    SetErrorDisplayHandler(&PrintError, nullptr);
    if (OpenDorvex(options.link.c_str(), options.device.c_str(), options.host.c_str(), 0,
                   options.unicode ? 1 : 0, options.tableFile.c_str()) != 1) {
        std::fprintf(stderr, "dorvex: %s\n", LastErrorText().c_str());
        CloseDorvex();
        return false;
    }
    SetInputDir(options.inputDir.c_str());
    SetOutputDir(options.outputDir.c_str());
    SetErrorDir(options.errorDir.c_str());
    SetDestination(options.device.c_str());
    SetCRChar(options.marker.c_str());
    return true;
}

// "waiting for the scale's reply, 12 s" once a reply has been awaited for a second or more.
std::string WaitText() {
    int waited = 0;
    int limit = 0;
    if (GetReplyWait(&waited, &limit) != 1 || waited < 1000)
        return {};
    return "waiting for the scale's reply, " + std::to_string(waited / 1000) + " s (limit " +
           std::to_string(limit / 1000) + " s)";
}

void DrawProgress(int status, bool final) {
    int sent = 0;
    int expected = 0;
    GetTransferProgress(&sent, &expected);
    constexpr int kWidth = 30;
    int filled =
        expected > 0 ? static_cast<int>(static_cast<long long>(sent) * kWidth / expected) : 0;
    std::string bar(filled, '#');
    bar.resize(kWidth, '.');
    std::string waiting = final ? std::string() : WaitText();
    // Padding wipes what a longer line left on the terminal.
    std::fprintf(stderr, "\r[%s] %d/%d  status %d  %-60s", bar.c_str(), sent, expected, status,
                 waiting.c_str());
    if (final)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

// Without a terminal the wait is told once a minute, not on every poll.
void LogLongWait(long long& nextLogMs, long long elapsedMs) {
    if (elapsedMs < nextLogMs)
        return;
    std::string waiting = WaitText();
    if (waiting.empty())
        return;
    std::fprintf(stderr, "dorvex: %s\n", waiting.c_str());
    nextLogMs = elapsedMs + kWaitLogIntervalMs;
}

int WaitForEnd(bool showProgress, bool logWaits) {
    const auto start = std::chrono::steady_clock::now();
    long long nextLogMs = kWaitLogIntervalMs;
    for (;;) {
        int status = GetCommStatus();
        const long long elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count();
        bool ended =
            status == DORVEX_TERMINATED || status == DORVEX_TERMINATED_WITH_ERROR || status < 0;
        if (showProgress)
            DrawProgress(status, ended);
        else if (logWaits && !ended)
            LogLongWait(nextLogMs, elapsedMs);
        if (ended)
            return status;
    }
}

int Start(const std::string& command, const std::string& file) {
    if (command == "write")
        return SendWriteFile(file.c_str());
    if (command == "read")
        return SendReadFile(file.c_str());
    return SendDeleteFile(file.c_str());
}

void ExplainRefusal() {
    std::fprintf(stderr, "dorvex: the transfer was not started: %s\n", LastErrorText().c_str());
}

}  // namespace

int RunTransfer(const CliOptions& options) {
    if (!OpenScale(options))
        return kExitNotStarted;
    if (Start(options.command, options.argument) != 1) {
        ExplainRefusal();
        CloseDorvex();
        return kExitNotStarted;
    }
    const bool terminal = isatty(STDERR_FILENO) != 0;
    int status = WaitForEnd(!options.quiet && terminal, !options.quiet);
    std::string reason = TransferErrorText();
    CloseDorvex();
    if (status == DORVEX_TERMINATED) {
        if (!options.quiet)
            std::printf("transfer terminated\n");
        return kExitTerminated;
    }
    std::printf("transfer terminated with error (see the \"_e\" result file and error.log)\n");
    if (!reason.empty())
        std::printf("reason: %s\n", reason.c_str());
    return kExitWithError;
}

int RunTest(const CliOptions& options) {
    SetErrorDisplayHandler(&PrintError, nullptr);
    std::vector<char> reply(DORVEX_REPLY_MAX);
    int length = TestConnection(options.argument.c_str(), reply.data());
    if (length <= 0) {
        std::printf("no reply from %s: %s\n", options.argument.c_str(), LastErrorText().c_str());
        return kExitWithError;
    }
    std::printf("%s\n", reply.data());
    return kExitTerminated;
}

int RunSend(const CliOptions& options) {
    if (!OpenScale(options))
        return kExitNotStarted;
    int result = kExitWithError;
    if (SendData(options.argument.c_str()) == 1) {
        std::vector<char> reply(DORVEX_REPLY_MAX);
        if (ReceiveData(reply.data()) > 0) {
            std::printf("%s\n", reply.data());
            result = kExitTerminated;
        } else {
            std::printf("no reply\n");
        }
    } else {
        std::fprintf(stderr, "dorvex: %s\n", LastErrorText().c_str());
    }
    CloseDorvex();
    return result;
}

}  // namespace dorvex::cli
