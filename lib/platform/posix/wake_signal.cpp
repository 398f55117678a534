#include "platform/wake_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace dorvex {

WakeSignal::WakeSignal() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0)
        close(fd_);
}

void WakeSignal::Raise() {
    raised_.store(true);
    std::uint64_t one = 1;
    if (fd_ >= 0) [[maybe_unused]]
        auto n = write(fd_, &one, sizeof(one));
}

void WakeSignal::Reset() {
    raised_.store(false);
    std::uint64_t value = 0;
    if (fd_ >= 0) [[maybe_unused]]
        auto n = read(fd_, &value, sizeof(value));
}

}  // namespace dorvex
