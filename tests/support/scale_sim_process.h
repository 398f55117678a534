// Runs dorvex-scale-sim as a child process for one test. Without a role option it gets
// "--port 0" (a free port), and without "--log" a temporary log that Requests() reads. The
// destructor stops it (SIGTERM, then SIGKILL after 5 s), reaps it and removes the temporary
// logs. With "--scales N" Port() is the first scale's, Ports(N) every scale's, Requests(K)
// the log of scale K (LOG.K). Windows builds, under Wine, start the simulator of the Linux
// build (DORVEX_SCALE_SIM) with Windows paths among the arguments translated; see
// unix_process.h.
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
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
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
        if (!HasOption(args, {"--port", "--connect", "--serial"})) {
            args.push_back("--port");
            args.push_back("0");
        }
        if (!HasOption(args, {"--log"})) {
            const std::string name = TemporaryLog();
            ownedLog_ = !name.empty();
            if (ownedLog_)
                args.insert(args.end(), {"--log", name});
        }
        logPath_ = OptionValue(args, "--log");
        Spawn(args);
        started_ = WaitForLine("", 1, Milliseconds(10000));
        ReadReadyLine(FirstLine());
    }

    ~ScaleSimProcess() {
        Stop();
        if (ownedLog_) {
            std::remove(logPath_.c_str());
            for (int scale = 0; std::remove(ScaleLogPath(scale).c_str()) == 0; ++scale) {
            }
        }
    }

    ScaleSimProcess(const ScaleSimProcess&) = delete;
    ScaleSimProcess& operator=(const ScaleSimProcess&) = delete;

    // The simulator printed its ready line ("listening on", "connecting to", "serial on").
    bool Started() const { return started_; }
    // The TCP server's port, 0 for the other roles.
    int Port() const { return port_; }
    // The line the serial role uses ("serial on PATH"), empty for the other roles.
    const std::string& SerialPath() const { return serialPath_; }
#ifndef _WIN32
    pid_t Pid() const {
        return pid_;
    }
#endif

    // Waits until `occurrences` output lines starting with `prefix` have been printed since
    // the start ("accepted connection", "connected").
    bool WaitForLine(std::string_view prefix, int occurrences = 1,
                     Milliseconds timeout = Milliseconds(5000)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return CountLines(prefix) >= occurrences || outputEnded_;
        }) && CountLines(prefix) >= occurrences;
    }

    // The ports of the first `count` scales, in order, from their "listening on" lines.
    std::vector<int> Ports(int count, Milliseconds timeout = Milliseconds(5000)) {
        const std::string listening = "listening on 127.0.0.1:";
        std::vector<int> ports;
        if (!WaitForLine(listening, count, timeout))
            return ports;
        std::lock_guard lock(mutex_);
        for (const std::string& line : lines_) {
            if (line.rfind(listening, 0) == 0 && static_cast<int>(ports.size()) < count)
                ports.push_back(std::atoi(line.c_str() + listening.size()));
        }
        return ports;
    }

    // Every request logged so far, in order.
    std::vector<LoggedRequest> Requests() const {
        return ReadLog(logPath_);
    }
    // The same for scale `scale` of a simulator started with "--scales".
    std::vector<LoggedRequest> Requests(int scale) const {
        return ReadLog(ScaleLogPath(scale));
    }

    bool WaitForRequests(std::size_t count, Milliseconds timeout = Milliseconds(5000)) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (Requests().size() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(Milliseconds(5));
        return Requests().size() >= count;
    }

    // Stops the simulator and returns its exit status; -1 when it ended by a signal or was
    // not running. Later calls return the same status.
    int Stop() {
#ifdef _WIN32
        if (process_ != nullptr && !WaitForOutputEnd(Milliseconds(0))) {
            if (int pid = SimulatorPid(); pid > 0) {
                UnixProcess::Signal(pid, "TERM");
                if (!WaitForOutputEnd(Milliseconds(5000))) {
                    UnixProcess::Signal(pid, "KILL");
                    WaitForOutputEnd(Milliseconds(5000));
                }
            }
        }
        abandoned_.store(true);
#else
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            if (!WaitForExit(status, Milliseconds(5000))) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
            }
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            pid_ = -1;
        }
#endif
        if (reader_.joinable())
            reader_.join();
        return exitStatus_;
    }

  private:
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

    std::string ScaleLogPath(int scale) const {
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

    static bool HasOption(const std::vector<std::string>& args,
                          std::initializer_list<std::string_view> names) {
        return std::any_of(args.begin(), args.end(), [&](const std::string& arg) {
            std::string_view name = std::string_view(arg).substr(0, arg.find('='));
            return std::find(names.begin(), names.end(), name) != names.end();
        });
    }

    static std::string OptionValue(const std::vector<std::string>& args, std::string_view name) {
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == name && i + 1 < args.size())
                return args[i + 1];
            if (args[i].rfind(std::string(name) + "=", 0) == 0)
                return args[i].substr(name.size() + 1);
        }
        return {};
    }

#ifdef _WIN32
    static std::string TemporaryLog() {
        return UnixProcess::TemporaryFile("dsl");
    }

    void Spawn(const std::vector<std::string>& args) {
        std::vector<std::string> command = {UnixProcess::SimulatorPath()};
        for (const std::string& arg : args)
            command.push_back(UnixProcess::UnixPathOf(arg));
        process_ = std::make_unique<UnixProcess>(command);
        reader_ = std::thread([this] { ReadOutput(); });
    }

    // The output is a file: polled until the shell reports the end.
    void ReadOutput() {
        for (;;) {
            std::vector<std::string> lines = process_->NewLines();
            std::lock_guard lock(mutex_);
            lines_.insert(lines_.end(), lines.begin(), lines.end());
            pid_ = process_->Pid();
            if (process_->Ended()) {
                // A signal's end is -1, as on Linux.
                exitStatus_ = process_->ExitStatus() >= 128 ? -1 : process_->ExitStatus();
                outputEnded_ = true;
            }
            changed_.notify_all();
            if (outputEnded_ || abandoned_.load())
                return;
            std::this_thread::sleep_for(Milliseconds(5));
        }
    }

    bool WaitForOutputEnd(Milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return outputEnded_; });
    }

    int SimulatorPid() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, Milliseconds(5000), [&] { return pid_ > 0 || outputEnded_; });
        return pid_;
    }
#else
    static std::string TemporaryLog() {
        char name[] = "/tmp/dorvex-sim-log-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd < 0)
            return {};
        ::close(fd);
        return name;
    }

    void Spawn(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        std::string program = std::string(DORVEX_BIN_DIR) + "/dorvex-scale-sim";
        std::vector<char*> argv;
        argv.push_back(program.data());
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        int readFd = fds[0];
        reader_ = std::thread([this, readFd] { ReadOutput(readFd); });
    }

    void ReadOutput(int fd) {
        std::string partial;
        char buffer[1024];
        ssize_t count;
        while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
            AddOutput(partial, buffer, static_cast<std::size_t>(count));
        ::close(fd);
        std::lock_guard lock(mutex_);
        outputEnded_ = true;
        changed_.notify_all();
    }

    bool WaitForExit(int& status, Milliseconds timeout) {
        auto end = std::chrono::steady_clock::now() + timeout;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(Milliseconds(2));
        }
        return true;
    }
#endif

    void AddOutput(std::string& partial, const char* bytes, std::size_t count) {
        partial.append(bytes, count);
        std::lock_guard lock(mutex_);
        for (std::size_t end; (end = partial.find('\n')) != std::string::npos;) {
            lines_.push_back(partial.substr(0, end));
            partial.erase(0, end + 1);
        }
        changed_.notify_all();
    }

    int CountLines(std::string_view prefix) const {
        return static_cast<int>(
            std::count_if(lines_.begin(), lines_.end(),
                          [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }));
    }

    std::string FirstLine() {
        std::lock_guard lock(mutex_);
        return lines_.empty() ? std::string() : lines_.front();
    }

    void ReadReadyLine(const std::string& line) {
        const std::string listening = "listening on 127.0.0.1:";
        const std::string serial = "serial on ";
        if (line.rfind(listening, 0) == 0)
            port_ = std::atoi(line.c_str() + listening.size());
        else if (line.rfind(serial, 0) == 0)
            serialPath_ = line.substr(serial.size());
        started_ =
            started_ && (port_ > 0 || !serialPath_.empty() || line.rfind("connecting to", 0) == 0);
    }

#ifdef _WIN32
    std::unique_ptr<UnixProcess> process_;
    std::atomic<bool> abandoned_{false};
    int pid_ = -1;
#else
    pid_t pid_ = -1;
#endif
    int exitStatus_ = -1;
    bool started_ = false;
    int port_ = 0;
    std::string serialPath_;
    std::string logPath_;
    bool ownedLog_ = false;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    bool outputEnded_ = false;
};

}  // namespace dorvex::test
