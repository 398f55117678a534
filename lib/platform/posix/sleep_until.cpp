#include <poll.h>
#include <time.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/posix/deadline_timer.h"

namespace dorvex {

void SleepUntilUs(std::int64_t deadlineUs) {
    if (deadlineUs <= TickUs())
        return;
    DeadlineTimer& timer = DeadlineTimer::ForThisThread();
    const std::int64_t wakeUs = deadlineUs - DeadlineTimer::kWakeAheadUs;
    if (TickUs() < wakeUs && timer.Arm(wakeUs)) {
        pollfd fd{timer.PollHandle(), POLLIN, 0};
        while (TickUs() < wakeUs) {
            if (poll(&fd, 1, -1) < 0 && errno != EINTR)
                break;
        }
    }
    if (TickUs() >= wakeUs) {
        while (TickUs() < deadlineUs) {
        }
        return;
    }
    // Without a timer descriptor: a sleep to the absolute time (with the thread's slack).
    timespec at{static_cast<time_t>(deadlineUs / 1000000),
                static_cast<long>(deadlineUs % 1000000) * 1000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

}  // namespace dorvex
