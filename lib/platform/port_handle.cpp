// The members of PortHandle that every platform shares; the system calls are in the platform's
// own directory.
#include "platform/port_handle.h"

namespace dorvex {

PortHandle::~PortHandle() {
    Close();
}

PortHandle::PortHandle(PortHandle&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

PortHandle& PortHandle::operator=(PortHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

}  // namespace dorvex
