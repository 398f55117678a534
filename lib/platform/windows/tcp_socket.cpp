#include "platform/tcp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "platform/clock.h"
#include "platform/windows/windows_handles.h"

namespace dorvex {

const int TcpSocket::kWouldBlock = WSAEWOULDBLOCK;
const int TcpSocket::kTimedOut = WSAETIMEDOUT;

bool IoResult::WouldBlock() const {
    return error == WSAEWOULDBLOCK;
}

namespace {

enum class Direction { Read, Write, Connect };

// Waits with select on the socket and the wake signal's socket. A connect that fails shows
// up in the exception set, where POSIX reports it as writable.
WaitResult WaitFor(int fd, Direction direction, std::int64_t timeoutUs, const WakeSignal* wake) {
    if (fd < 0)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    const SOCKET socket = IntToSocket(fd);
    fd_set reads, writes, failures;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_ZERO(&failures);
    if (direction == Direction::Read)
        FD_SET(socket, &reads);
    else
        FD_SET(socket, &writes);
    if (direction == Direction::Connect)
        FD_SET(socket, &failures);
    if (wake != nullptr && wake->PollHandle() >= 0)
        FD_SET(IntToSocket(wake->PollHandle()), &reads);
    const std::int64_t waitUs = std::max<std::int64_t>(timeoutUs, 0);
    timeval limit{static_cast<long>(waitUs / 1000000), static_cast<long>(waitUs % 1000000)};
    int rc = select(0, &reads, &writes, &failures, &limit);
    if (rc == SOCKET_ERROR)
        return WaitResult::Failed;
    if (wake != nullptr && wake->IsRaised())
        return WaitResult::Interrupted;
    if (FD_ISSET(socket, &reads) || FD_ISSET(socket, &writes) || FD_ISSET(socket, &failures))
        return WaitResult::Ready;
    return WaitResult::TimedOut;
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    return sa;
}

int LastSocketError() {
    return WSAGetLastError();
}

}  // namespace

int TcpSocket::Create() {
    Close();
    // Not inheritable: a program the host starts must not keep the scale's connection open.
    SOCKET s =
        WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        return LastSocketError();
    fd_ = SocketToInt(s);
    return 0;
}

void TcpSocket::Close() {
    if (fd_ >= 0) {
        SOCKET s = IntToSocket(fd_);
        shutdown(s, SD_BOTH);
        closesocket(s);
        fd_ = -1;
    }
}

int TcpSocket::SetNonBlocking() {
    u_long on = 1;
    return ioctlsocket(IntToSocket(fd_), FIONBIO, &on) == SOCKET_ERROR ? LastSocketError() : 0;
}

int TcpSocket::SetNoDelay() {
    BOOL on = TRUE;
    return setsockopt(IntToSocket(fd_), IPPROTO_TCP, TCP_NODELAY,
                      reinterpret_cast<const char*>(&on), sizeof(on)) == SOCKET_ERROR
               ? LastSocketError()
               : 0;
}

int TcpSocket::Resolve(const std::string& host, std::uint32_t& addressOut) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        return rc != 0 ? rc : WSAHOST_NOT_FOUND;
    addressOut = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

WaitResult TcpSocket::Connect(std::uint32_t address, std::uint16_t port, int timeoutMs,
                              const WakeSignal* wake, int& error) {
    sockaddr_in sa = MakeAddress(address, port);
    const SOCKET s = IntToSocket(fd_);
    error = 0;
    if (connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0)
        return WaitResult::Ready;
    if (int started = LastSocketError(); started != WSAEWOULDBLOCK) {
        error = started;
        return WaitResult::Ready;
    }
    WaitResult waited = WaitFor(fd_, Direction::Connect, std::int64_t{timeoutMs} * 1000, wake);
    if (waited != WaitResult::Ready)
        return waited;
    int length = sizeof(error);
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) ==
        SOCKET_ERROR)
        error = LastSocketError();
    return WaitResult::Ready;
}

int TcpSocket::Bind(std::uint16_t port, bool loopbackOnly) {
    // Exclusive use, the Windows way: SO_REUSEADDR here would let two listeners share a port.
    BOOL on = TRUE;
    setsockopt(IntToSocket(fd_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&on), sizeof(on));
    sockaddr_in sa = MakeAddress(htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY), port);
    return bind(IntToSocket(fd_), reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == SOCKET_ERROR
               ? LastSocketError()
               : 0;
}

int TcpSocket::Listen() {
    return listen(IntToSocket(fd_), SOMAXCONN) == SOCKET_ERROR ? LastSocketError() : 0;
}

std::uint16_t TcpSocket::LocalPort() const {
    sockaddr_in sa{};
    int length = sizeof(sa);
    if (getsockname(IntToSocket(fd_), reinterpret_cast<sockaddr*>(&sa), &length) == SOCKET_ERROR)
        return 0;
    return ntohs(sa.sin_port);
}

TcpSocket TcpSocket::Accept(int& error) {
    SOCKET s = accept(IntToSocket(fd_), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        error = LastSocketError();
        return TcpSocket();
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    error = 0;
    return TcpSocket(SocketToInt(s));
}

IoResult TcpSocket::Send(const char* data, std::size_t length) {
    const int chunk = static_cast<int>(std::min<std::size_t>(length, 1 << 30));
    int n = send(IntToSocket(fd_), data, chunk, 0);
    if (n == SOCKET_ERROR)
        return {0, LastSocketError()};
    return {n, 0};
}

IoResult TcpSocket::Receive(char* buffer, std::size_t size) {
    const int chunk = static_cast<int>(std::min<std::size_t>(size, 1 << 30));
    int n = recv(IntToSocket(fd_), buffer, chunk, 0);
    if (n == SOCKET_ERROR)
        return {0, LastSocketError()};
    return {n, 0};
}

// Winsock keeps no arrival time of stream data: the time of the read stands for it.
int TcpSocket::RecordArrivalTimes() {
    return WSAEOPNOTSUPP;
}

IoResult TcpSocket::Receive(char* buffer, std::size_t size, std::int64_t& arrivedUs) {
    IoResult result = Receive(buffer, size);
    arrivedUs = TickUs();
    return result;
}

WaitResult TcpSocket::WaitReadable(int timeoutMs, const WakeSignal* wake) const {
    return WaitFor(fd_, Direction::Read, std::int64_t{timeoutMs} * 1000, wake);
}

WaitResult TcpSocket::WaitReadableUntil(std::int64_t deadlineUs, const WakeSignal* wake) const {
    // select counts in whole milliseconds here: round up, so the wait never ends early.
    const std::int64_t leftUs = std::max<std::int64_t>(deadlineUs - TickUs(), 0);
    return WaitFor(fd_, Direction::Read, (leftUs + 999) / 1000 * 1000, wake);
}

WaitResult TcpSocket::WaitWritable(int timeoutMs, const WakeSignal* wake) const {
    return WaitFor(fd_, Direction::Write, std::int64_t{timeoutMs} * 1000, wake);
}

// Winsock is started once for the process and left running: links open and close in any
// order (and close twice), and an unbalanced WSACleanup would close every socket of the
// process, the wake signals' among them.
int StartNetworking() {
    static const int result = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

void StopNetworking() {}

}  // namespace dorvex
