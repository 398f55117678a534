// Runs dorvex-scale-sim as a child process for one test. Without a role option it gets
// "--port 0" (a free port), and without "--log" a temporary log that Requests() reads. The
// destructor stops it (SIGTERM, then SIGKILL after 5 s), reaps it and removes the temporary
// logs. With "--scales N" Port() is the first scale's, Ports(N) every scale's, Requests(K)
// the log of scale K (LOG.K). Its output goes to a file that is read when a test waits for a
// line, so a simulator that prints much never blocks. Windows builds, under Wine, start the
// simulator of the Linux build (DORVEX_SCALE_SIM) with Windows paths among the arguments
// translated; see unix_process.h.
#pragma once

#ifdef _WIN32
#include "support/unix_process.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#ifndef _WIN32
extern char** environ;
#endif

namespace dorvex::test {

struct LoggedRequest {
    long long sequence = 0;
    std::string text;  // as received, UTF-8, escapes undone
};

class ScaleSimProcess {
  public:
    using Milliseconds = std::chrono::milliseconds;

    explicit ScaleSimProcess(std::vector<std::string> args = {}) {
        const auto given = [&](std::string_view name) {
            return std::find(args.begin(), args.end(), name) != args.end();
        };
        if (!given("--port") && !given("--connect") && !given("--serial"))
            args.insert(args.end(), {"--port", "0"});
        if (const auto log = std::find(args.begin(), args.end(), "--log");
            log != args.end() && log + 1 != args.end()) {
            logPath_ = *(log + 1);
        } else {
            logPath_ = TemporaryLog();
            ownedLog_ = true;
            args.insert(args.end(), {"--log", logPath_});
        }
        Spawn(args);
        started_ = WaitForLine("", 1, Milliseconds(10000)) && ReadReadyLine();
    }

    ~ScaleSimProcess() {
        Stop();
#ifndef _WIN32
        if (output_ >= 0)
            ::close(output_);
#endif
        if (ownedLog_) {
            std::remove(logPath_.c_str());
            for (int scale = 0; std::remove(ScaleLog(scale).c_str()) == 0; ++scale) {
            }
        }
    }

    ScaleSimProcess(const ScaleSimProcess&) = delete;
    ScaleSimProcess& operator=(const ScaleSimProcess&) = delete;

    // The simulator printed its ready line ("listening on", "connecting to", "serial on").
    bool Started() const {
        return started_;
    }
    // The TCP server's port (the first scale's), 0 for the other roles.
    int Port() const {
        const std::vector<int> ports = ListeningPorts(1);
        return ports.empty() ? 0 : ports[0];
    }
    // The line the serial role uses ("serial on PATH"), empty for the other roles.
    const std::string& SerialPath() const {
        return serialPath_;
    }
#ifndef _WIN32
    pid_t Pid() const {
        return pid_;
    }
#endif

    // Waits until `occurrences` output lines starting with `prefix` have been printed since
    // the start ("accepted connection", "connected").
    bool WaitForLine(std::string_view prefix, int occurrences = 1,
                     Milliseconds timeout = Milliseconds(5000)) {
        return PollUntil([&] { return CountLines(prefix) >= occurrences; }, timeout);
    }

    // The ports of the first `count` scales, in order, from their "listening on" lines.
    std::vector<int> Ports(int count) {
        return WaitForLine(kListening, count) ? ListeningPorts(count) : std::vector<int>();
    }

    // Every request logged so far, in order; with "--scales", those of scale `scale`.
    std::vector<LoggedRequest> Requests(int scale = -1) const {
        return ReadLog(scale < 0 ? logPath_ : ScaleLog(scale));
    }

    bool WaitForRequests(std::size_t count) const {
        const auto end = std::chrono::steady_clock::now() + Milliseconds(5000);
        while (Requests().size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(Milliseconds(5));
        return Requests().size() >= count;
    }

    // Stops the simulator and returns its exit status; -1 when it ended by a signal or was
    // not running. Later calls return the same status.
    int Stop() {
        const auto ended = [&] { return ended_; };
        if (!ended_ && Signal(false) && !PollUntil(ended, Milliseconds(5000)) && Signal(true))
            PollUntil(ended, Milliseconds(5000));
        return exitStatus_;
    }

  private:
    static constexpr std::string_view kListening = "listening on 127.0.0.1:";

    // Undoes the log's escapes: "\\\\", "\\r", "\\n", "\\t", "\\xHH".
    static std::string Unescape(std::string_view text) {
        std::string result;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '\\' && i + 1 < text.size()) {
                c = text[++i];
                if (c == 'x' && i + 2 < text.size()) {
                    c = static_cast<char>(
                        std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
                    i += 2;
                } else {
                    c = c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
                }
            }
            result.push_back(c);
        }
        return result;
    }

    std::string ScaleLog(int scale) const {
        return logPath_ + "." + std::to_string(scale);
    }

    static std::vector<LoggedRequest> ReadLog(const std::string& path) {
        std::vector<LoggedRequest> requests;
        std::ifstream log(path);
        std::string line;
        while (std::getline(log, line)) {
            std::size_t tab = line.find('\t');
            if (tab == std::string::npos)
                continue;
            requests.push_back(
                {std::atoll(line.substr(0, tab).c_str()), Unescape(line.substr(tab + 1))});
        }
        return requests;
    }

    // A name in the temporary directory for the simulator's log. Under Wine an existing file,
    // whose Windows path Wine is sure to translate.
    static std::string TemporaryLog() {
#ifdef _WIN32
        return UnixProcess::TemporaryFile("dsl");
#else
        const std::string name = "dorvex-sim-log-" + std::to_string(std::random_device()());
        return (std::filesystem::temp_directory_path() / name).string();
#endif
    }

    // Reads the output until `done` holds, the output ends or `timeout` passes; whether
    // `done` held.
    template <typename Done>
    bool PollUntil(Done done, Milliseconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            ReadNewLines();
            if (done())
                return true;
            if (ended_ || std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(Milliseconds(5));
        }
    }

#ifdef _WIN32
    void Spawn(const std::vector<std::string>& args) {
        std::vector<std::string> command = {UnixProcess::SimulatorPath()};
        for (const std::string& arg : args)
            command.push_back(UnixProcess::UnixPathOf(arg));
        process_ = std::make_unique<UnixProcess>(command);
    }

    // TERM, or KILL when `hard`, through the system's kill once the shell has said which
    // process number the simulator has.
    bool Signal(bool hard) {
        PollUntil([&] { return process_->Pid() > 0; }, Milliseconds(5000));
        if (process_->Pid() <= 0 || ended_)
            return false;
        UnixProcess::Run({"/bin/kill", hard ? "-KILL" : "-TERM", std::to_string(process_->Pid())});
        return true;
    }

    void ReadNewLines() {
        if (ended_)
            return;
        std::vector<std::string> lines = process_->NewLines();
        lines_.insert(lines_.end(), lines.begin(), lines.end());
        if (process_->Ended()) {
            // A signal's end is -1, as on Linux.
            exitStatus_ = process_->ExitStatus() >= 128 ? -1 : process_->ExitStatus();
            ended_ = true;
        }
    }
#else

    // The output goes to an unlinked temporary file that this side reads at its own offset.
    void Spawn(const std::vector<std::string>& args) {
        char outputName[] = "/tmp/dorvex-sim-out-XXXXXX";
        output_ = ::mkostemp(outputName, O_CLOEXEC);
        ended_ = output_ < 0;
        if (ended_)
            return;
        ::unlink(outputName);
        std::string program = std::string(DORVEX_BIN_DIR) + "/dorvex-scale-sim";
        std::vector<char*> argv;
        argv.push_back(program.data());
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output_, STDOUT_FILENO);
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ended_ = pid_ < 0;
    }

    // What the simulator printed since the last call; once it has ended, all of it.
    void ReadNewLines() {
        if (int status = 0; pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
            ended_ = true;
        }
        char buffer[4096];
        for (ssize_t count; (count = ::pread(output_, buffer, sizeof buffer, read_)) > 0;) {
            read_ += count;
            partial_.append(buffer, static_cast<std::size_t>(count));
        }
        for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
    }

    bool Signal(bool hard) {
        return pid_ > 0 && ::kill(pid_, hard ? SIGKILL : SIGTERM) == 0;
    }
#endif

    int CountLines(std::string_view prefix) const {
        return static_cast<int>(
            std::count_if(lines_.begin(), lines_.end(),
                          [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
    }

    // The ports of the first `count` "listening on" lines.
    std::vector<int> ListeningPorts(int count) const {
        std::vector<int> ports;
        for (const std::string& line : lines_) {
            if (line.rfind(kListening, 0) == 0 && static_cast<int>(ports.size()) < count)
                ports.push_back(std::atoi(line.c_str() + kListening.size()));
        }
        return ports;
    }

    // Whether the first line is a ready line; takes the serial role's path from it.
    bool ReadReadyLine() {
        const std::string& line = lines_.front();
        const std::string serial = "serial on ";
        if (line.rfind(serial, 0) == 0)
            serialPath_ = line.substr(serial.size());
        return line.rfind(kListening, 0) == 0 || !serialPath_.empty() ||
               line.rfind("connecting to", 0) == 0;
    }

#ifdef _WIN32
    std::unique_ptr<UnixProcess> process_;
#else
    pid_t pid_ = -1;
    int output_ = -1;
    off_t read_ = 0;
    std::string partial_;
#endif
    bool ended_ = false;  // the output can grow no more
    int exitStatus_ = -1;
    bool started_ = false;
    std::string serialPath_;
    std::string logPath_;
    bool ownedLog_ = false;
    std::vector<std::string> lines_;
};

}  // namespace dorvex::test
