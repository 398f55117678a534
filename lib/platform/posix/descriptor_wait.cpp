#include "platform/posix/descriptor_wait.h"

#include <poll.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/posix/deadline_timer.h"

namespace dorvex {
namespace {

// Polls the descriptor, the wake signal and, when given, a timer descriptor; `timeoutMs` -1
// leaves the end to the timer.
WaitResult Poll(int fd, short events, int timeoutMs, const WakeSignal* wake, int timerFd) {
    if (fd < 0)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    pollfd fds[3] = {{fd, events, 0},
                     {wake != nullptr ? wake->PollHandle() : -1, POLLIN, 0},
                     {timerFd, POLLIN, 0}};
    int rc;
    do {
        rc = poll(fds, 3, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    if ((fds[0].revents & (events | POLLERR | POLLHUP)) != 0)
        return WaitResult::Ready;
    return WaitResult::TimedOut;
}

}  // namespace

WaitResult WaitForDescriptor(int fd, short events, int timeoutMs, const WakeSignal* wake) {
    return Poll(fd, events, timeoutMs < 0 ? 0 : timeoutMs, wake, -1);
}

WaitResult WaitForDescriptorUntil(int fd, short events, std::int64_t deadlineUs,
                                  const WakeSignal* wake) {
    const std::int64_t leftUs = deadlineUs - TickUs();
    if (leftUs <= 0)
        return Poll(fd, events, 0, wake, -1);
    DeadlineTimer& timer = DeadlineTimer::ForThisThread();
    const std::int64_t wakeUs = deadlineUs - DeadlineTimer::kWakeAheadUs;
    if (leftUs > DeadlineTimer::kWakeAheadUs && timer.Arm(wakeUs)) {
        WaitResult waited = Poll(fd, events, -1, wake, timer.PollHandle());
        if (waited != WaitResult::TimedOut)
            return waited;
    } else if (leftUs > DeadlineTimer::kWakeAheadUs) {
        // Without a timer: whole milliseconds, rounded up so that the deadline is never cut
        // short.
        return Poll(fd, events, static_cast<int>((leftUs + 999) / 1000), wake, -1);
    }
    // The last stretch: looking without waiting, up to the deadline itself.
    WaitResult waited = Poll(fd, events, 0, wake, -1);
    while (waited == WaitResult::TimedOut && TickUs() < deadlineUs)
        waited = Poll(fd, events, 0, wake, -1);
    return waited;
}

}  // namespace dorvex
