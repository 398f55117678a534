#include "transfer_command.h"

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dorvex.h"
#include "file_check.h"

namespace dorvex::cli {
namespace {

void DORVEX_CALL PrintError(const char* title, const char* text, void*) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

// Opens the engine and the link with the options, in the order every caller follows.
bool OpenScale(const CliOptions& options) {
    SetConnectionTimeout(options.connectTimeoutMs);
    SetDisplayErrorMode(options.showErrors ? 1 : 0);
    SetErrorDisplayHandler(&PrintError, nullptr);
    if (OpenDorvex(options.link.c_str(), options.device.c_str(), options.host.c_str(), 0,
                   options.unicode ? 1 : 0, options.tableFile.c_str()) != 1) {
        std::fprintf(stderr, "dorvex: cannot open the link %s to %s\n", options.link.c_str(),
                     options.host.c_str());
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

void DrawProgress(int status, bool final) {
    int sent = 0;
    int expected = 0;
    GetTransferProgress(&sent, &expected);
    constexpr int kWidth = 30;
    int filled =
        expected > 0 ? static_cast<int>(static_cast<long long>(sent) * kWidth / expected) : 0;
    std::string bar(filled, '#');
    bar.resize(kWidth, '.');
    std::fprintf(stderr, "\r[%s] %d/%d  status %d", bar.c_str(), sent, expected, status);
    if (final)
        std::fputc('\n', stderr);
    std::fflush(stderr);
}

int WaitForEnd(bool showProgress) {
    for (;;) {
        int status = GetCommStatus();
        bool ended =
            status == DORVEX_TERMINATED || status == DORVEX_TERMINATED_WITH_ERROR || status < 0;
        if (showProgress)
            DrawProgress(status, ended);
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

void ExplainRefusal(const CliOptions& options) {
    std::fprintf(stderr, "dorvex: the transfer was not started\n");
    CliOptions check = options;
    check.mode = options.command.substr(0, 1);
    for (const std::string& line : CheckDataFile(check).lines) {
        if (line.rfind("error: ", 0) == 0)
            std::fprintf(stderr, "  %s\n", line.c_str() + 7);
    }
}

}  // namespace

int RunTransfer(const CliOptions& options) {
    if (!OpenScale(options))
        return kExitNotStarted;
    if (Start(options.command, options.argument) != 1) {
        ExplainRefusal(options);
        CloseDorvex();
        return kExitNotStarted;
    }
    int status = WaitForEnd(!options.quiet && isatty(STDERR_FILENO) != 0);
    CloseDorvex();
    if (status == DORVEX_TERMINATED) {
        if (!options.quiet)
            std::printf("transfer terminated\n");
        return kExitTerminated;
    }
    std::printf("transfer terminated with error (see the \"_e\" result file and error.log)\n");
    return kExitWithError;
}

int RunTest(const CliOptions& options) {
    SetErrorDisplayHandler(&PrintError, nullptr);
    std::vector<char> reply(DORVEX_REPLY_MAX);
    int length = TestConnection(options.argument.c_str(), reply.data());
    if (length <= 0) {
        std::printf("no reply from %s\n", options.argument.c_str());
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
        std::fprintf(stderr, "dorvex: the message was not sent\n");
    }
    CloseDorvex();
    return result;
}

}  // namespace dorvex::cli
