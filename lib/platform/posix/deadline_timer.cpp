#include "platform/posix/deadline_timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

namespace dorvex {

// steady_clock, and so TickUs, is CLOCK_MONOTONIC here.
DeadlineTimer::DeadlineTimer() : fd_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {}

DeadlineTimer::~DeadlineTimer() {
    if (fd_ >= 0)
        close(fd_);
}

DeadlineTimer& DeadlineTimer::ForThisThread() {
    thread_local DeadlineTimer timer;
    return timer;
}

bool DeadlineTimer::Arm(std::int64_t deadlineUs) {
    if (fd_ < 0)
        return false;
    // A zero time would disarm the timer: the earliest deadline is 1 ns.
    if (deadlineUs <= 0)
        deadlineUs = 0;
    itimerspec at{};
    at.it_value.tv_sec = static_cast<time_t>(deadlineUs / 1000000);
    at.it_value.tv_nsec = static_cast<long>(deadlineUs % 1000000) * 1000;
    if (at.it_value.tv_sec == 0 && at.it_value.tv_nsec == 0)
        at.it_value.tv_nsec = 1;
    // Arming again also forgets an expiry that nobody read.
    return timerfd_settime(fd_, TFD_TIMER_ABSTIME, &at, nullptr) == 0;
}

}  // namespace dorvex
