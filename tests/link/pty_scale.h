// The far end of a serial line for link tests: a pseudo-terminal whose slave side the library
// opens as "COMn" (DORVEX_COMn names it) while the test plays the scale on the master side.
// `Answer` runs a thread that cuts the incoming bytes into frames and answers each through a
// callback; the thread is stopped and joined on destruction.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/serial_frame.h"

namespace dorvex::test {

class PtyScale {
  public:
    // Gets each request frame as sent; returns the bytes to write back (may be empty).
    using Script = std::function<std::string(const std::string& frame)>;

    // Points DORVEX_COM`port` at the new pseudo-terminal.
    explicit PtyScale(int port) : variable_("DORVEX_COM" + std::to_string(port)) {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        setenv(variable_.c_str(), name, 1);
    }

    ~PtyScale() {
        Stop();
        unsetenv(variable_.c_str());
        CloseMaster();
        if (slave_ >= 0)
            close(slave_);
    }

    bool Valid() const { return master_ >= 0; }
    int SlaveFd() const { return slave_; }

    void Answer(Script script) {
        script_ = std::move(script);
        thread_ = std::thread([this] { Serve(); });
    }

    void Stop() {
        stop_.store(true);
        if (thread_.joinable())
            thread_.join();
    }

    // Writes on the master side: the bytes arrive at the library's port.
    void Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (!WaitFor(POLLOUT, 1000))
                return;
        }
    }

    // What the library wrote, read until `quietMs` pass without a byte or `timeoutMs` in all.
    std::string Receive(int timeoutMs, int quietMs = 100) {
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (!WaitFor(POLLIN, bytes.empty() ? 20 : quietMs)) {
                if (bytes.empty())
                    continue;
                break;
            }
            char buffer[65536];
            ssize_t n = read(master_, buffer, sizeof(buffer));
            if (n <= 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    void CloseMaster() {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }

  private:
    bool WaitFor(short events, int timeoutMs) {
        pollfd pfd{master_, events, 0};
        return poll(&pfd, 1, timeoutMs) > 0 && (pfd.revents & events) != 0;
    }

    void Serve() {
        FrameScanner scanner;
        char buffer[65536];
        while (!stop_.load()) {
            if (!WaitFor(POLLIN, 20))
                continue;
            ssize_t n = read(master_, buffer, sizeof(buffer));
            if (n <= 0)
                continue;
            for (const std::string& frame : scanner.Feed(std::string_view(buffer, n))) {
                {
                    std::lock_guard lock(mutex_);
                    requests_.push_back(frame);
                }
                Send(script_(frame));
            }
        }
    }

    std::string variable_;
    int master_ = -1;
    int slave_ = -1;
    Script script_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace dorvex::test
