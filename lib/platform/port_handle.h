// The system handle of an open port (a file descriptor here), with the plain reads and writes
// that the serial port performs on it.
#pragma once

#include <cstddef>

#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {

class PortHandle {
  public:
    PortHandle() = default;
    explicit PortHandle(int fd) : fd_(fd) {}
    ~PortHandle();
    PortHandle(PortHandle&& other) noexcept;
    PortHandle& operator=(PortHandle&& other) noexcept;
    PortHandle(const PortHandle&) = delete;
    PortHandle& operator=(const PortHandle&) = delete;

    bool Valid() const { return fd_ >= 0; }
    int Native() const { return fd_; }
    // 0, or the error code of a failed close (the handle is released either way).
    int Close();

    IoResult Read(char* buffer, std::size_t size);
    // Writes all bytes (waiting while the port is busy); 0 or the error code.
    int WriteAll(const char* data, std::size_t length);
    WaitResult WaitReadable(int timeoutMs, const WakeSignal* wake) const;

  private:
    int fd_ = -1;
};

}  // namespace dorvex
