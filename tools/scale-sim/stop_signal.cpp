#include "stop_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace dorvex::sim {
namespace {

int pipeFds[2] = {-1, -1};
std::atomic<bool> raised{false};

void OnSignal(int) {
    raised.store(true);
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(pipeFds[1], &byte, 1);
}

}  // namespace

bool StopSignal::Install() {
    if (pipeFds[0] >= 0)
        return true;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    // A peer that goes away shows up as a failed write, not as a signal.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

int StopSignal::Fd() {
    return pipeFds[0];
}

bool StopSignal::Raised() {
    return raised.load();
}

}  // namespace dorvex::sim
