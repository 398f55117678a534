#include "platform/posix/descriptor_wait.h"

#include <poll.h>

#include <cerrno>

namespace dorvex {

WaitResult WaitForDescriptor(int fd, short events, int timeoutMs, const WakeSignal* wake) {
    if (fd < 0)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    pollfd fds[2] = {{fd, events, 0}, {wake != nullptr ? wake->PollHandle() : -1, POLLIN, 0}};
    int rc;
    do {
        rc = poll(fds, 2, timeoutMs < 0 ? 0 : timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    if (rc == 0)
        return WaitResult::TimedOut;
    if ((fds[0].revents & (events | POLLERR | POLLHUP)) != 0)
        return WaitResult::Ready;
    return WaitResult::TimedOut;
}

}  // namespace dorvex
