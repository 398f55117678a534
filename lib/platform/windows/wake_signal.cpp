#include "platform/wake_signal.h"

#include <winsock2.h>

#include "platform/tcp_socket.h"
#include "platform/windows/windows_handles.h"

namespace dorvex {
namespace {

// A loopback datagram socket connected to itself: a raise sends it a byte, so that a select
// on a link's socket and on this one returns at once, as the POSIX side's eventfd does.
int OpenSelfSocket() {
    if (StartNetworking() != 0)
        return -1;
    SOCKET s = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET)
        return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    u_long nonBlocking = 1;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == SOCKET_ERROR ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == SOCKET_ERROR ||
        connect(s, reinterpret_cast<sockaddr*>(&address), length) == SOCKET_ERROR ||
        ioctlsocket(s, FIONBIO, &nonBlocking) == SOCKET_ERROR) {
        closesocket(s);
        return -1;
    }
    return SocketToInt(s);
}

}  // namespace

WakeSignal::WakeSignal() : fd_(OpenSelfSocket()) {}

WakeSignal::~WakeSignal() {
    if (fd_ >= 0)
        closesocket(IntToSocket(fd_));
}

void WakeSignal::Raise() {
    raised_.store(true);
    const char one = 1;
    if (fd_ >= 0)
        send(IntToSocket(fd_), &one, 1, 0);
}

void WakeSignal::Reset() {
    raised_.store(false);
    char drained[64];
    while (fd_ >= 0 && recv(IntToSocket(fd_), drained, sizeof(drained), 0) > 0) {
    }
}

}  // namespace dorvex
