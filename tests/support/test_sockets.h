// The few socket calls the test peers make, for POSIX and for Winsock, so that the link tests
// also run in the Windows builds. Loopback only.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstddef>

namespace dorvex::test {

#ifdef _WIN32
using SocketId = SOCKET;
constexpr SocketId kNoSocket = INVALID_SOCKET;

// Winsock needs starting once per process; the library does the same for its own sockets.
inline bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
inline void CloseSocket(SocketId id) {
    closesocket(id);
}
inline bool WaitReadable(SocketId id, int timeoutMs) {
    WSAPOLLFD entry{id, POLLRDNORM, 0};
    return WSAPoll(&entry, 1, timeoutMs) > 0;
}
inline SocketId AcceptOne(SocketId listener) {
    return accept(listener, nullptr, nullptr);
}
inline long ReceiveSome(SocketId id, char* buffer, std::size_t size) {
    return recv(id, buffer, static_cast<int>(size), 0);
}
inline void SendAll(SocketId id, const char* data, std::size_t size) {
    send(id, data, static_cast<int>(size), 0);
}
#else
using SocketId = int;
constexpr SocketId kNoSocket = -1;

inline bool StartSockets() {
    return true;
}
inline void CloseSocket(SocketId id) {
    close(id);
}
inline bool WaitReadable(SocketId id, int timeoutMs) {
    pollfd entry{id, POLLIN, 0};
    return poll(&entry, 1, timeoutMs) > 0;
}
inline SocketId AcceptOne(SocketId listener) {
    return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}
inline long ReceiveSome(SocketId id, char* buffer, std::size_t size) {
    return static_cast<long>(recv(id, buffer, size, 0));
}
inline void SendAll(SocketId id, const char* data, std::size_t size) {
    send(id, data, size, MSG_NOSIGNAL);
}
#endif

// A TCP listener on a free loopback port; sets `port`. kNoSocket when it cannot listen.
inline SocketId ListenOnLoopback(int backlog, int& port) {
    port = 0;
    if (!StartSockets())
        return kNoSocket;
    SocketId listener = socket(AF_INET, SOCK_STREAM, 0);
    if (listener == kNoSocket)
        return kNoSocket;
    int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one),
               sizeof(one));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, backlog) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(listener);
        return kNoSocket;
    }
    port = ntohs(address.sin_port);
    return listener;
}

inline void SetNoDelay(SocketId id) {
    int one = 1;
    setsockopt(id, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof(one));
}

}  // namespace dorvex::test
