#include "platform/port_handle.h"

#include "platform/posix/descriptor_wait.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace dorvex {

int PortHandle::Close() {
    if (fd_ < 0)
        return 0;
    int rc = close(fd_);
    fd_ = -1;
    return rc < 0 ? errno : 0;
}

IoResult PortHandle::Read(char* buffer, std::size_t size) {
    ssize_t n;
    do {
        n = read(fd_, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return {0, errno};
    return {n, 0};
}

int PortHandle::WriteAll(const char* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd_, data + done, length - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return errno;
            // A port that takes nothing for 2 s is stuck: report it instead of hanging.
            pollfd pfd{fd_, POLLOUT, 0};
            if (poll(&pfd, 1, 2000) == 0)
                return ETIMEDOUT;
            continue;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

WaitResult PortHandle::WaitReadable(int timeoutMs, const WakeSignal* wake) const {
    return WaitForDescriptor(fd_, POLLIN, timeoutMs, wake);
}

}  // namespace dorvex
