// A non-blocking IPv4 TCP socket with waits that a WakeSignal interrupts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text.h"
#include "platform/wake_signal.h"

namespace dorvex {

enum class WaitResult { Ready, TimedOut, Interrupted, Failed };

struct IoResult {
    std::ptrdiff_t count = 0;  // bytes moved; 0 with error 0 on a read means the peer closed
    int error = 0;             // errno-style code; kWouldBlock when nothing could be moved now
    bool WouldBlock() const;
};

class TcpSocket {
  public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A new stream socket; returns 0 or the error code.
    int Create();
    bool Valid() const { return fd_ >= 0; }
    void Close();
    int SetNonBlocking();
    int SetNoDelay();

    // Resolves `host` (name or dotted address) to IPv4; 0 or the lookup's error code.
    static int Resolve(const std::string& host, std::uint32_t& addressOut);
    // Starts a connect and waits up to timeoutMs for it to complete. On a completed attempt
    // `error` is its outcome (0 = connected); a timeout gives WaitResult::TimedOut.
    WaitResult Connect(std::uint32_t address, std::uint16_t port, int timeoutMs,
                       const WakeSignal* wake, int& error);

    // Server side: bind to all interfaces (or loopback), listen, accept without waiting.
    int Bind(std::uint16_t port, bool loopbackOnly = false);
    int Listen();
    std::uint16_t LocalPort() const;
    // A connected socket, or an invalid one with `error` set (kWouldBlock when none waits).
    TcpSocket Accept(int& error);

    IoResult Send(const char* data, std::size_t length);
    IoResult Receive(char* buffer, std::size_t size);
    // The same, with when the bytes arrived in microseconds of TickUs(): the system's own
    // record of their arrival where it keeps one (see RecordArrivalTimes), else the time of
    // the read.
    IoResult Receive(char* buffer, std::size_t size, std::int64_t& arrivedUs);
    // Asks the system to note when data arrives; 0 or the error code (reads then fall back to
    // the time of the read).
    int RecordArrivalTimes();

    WaitResult WaitReadable(int timeoutMs, const WakeSignal* wake) const;
    // Up to a deadline of TickUs(); where the system's wait is coarser, never shorter.
    WaitResult WaitReadableUntil(std::int64_t deadlineUs, const WakeSignal* wake) const;
    WaitResult WaitWritable(int timeoutMs, const WakeSignal* wake) const;

    static const int kWouldBlock;
    static const int kTimedOut;  // the connect timeout's code

  private:
    explicit TcpSocket(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// One-time network start-up where the platform needs it (a no-op here).
int StartNetworking();
void StopNetworking();

// The texts the interface promises for a network that would not start and for a connect that
// timed out. They are worded after the Windows network stack and its error number, and shown
// so on every platform.
TextView NetworkStartFailedText();
TextView ConnectTimedOutText();

}  // namespace dorvex
