// The members of TcpSocket that every platform shares; the system calls are in the platform's
// own directory.
#include "platform/tcp_socket.h"

namespace dorvex {

TcpSocket::~TcpSocket() {
    Close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

TextView NetworkStartFailedText() {
    return u"Unable to initialize Winsock";
}

TextView ConnectTimedOutText() {
    return u"Connecting to the server failed. Error: 10060";
}

}  // namespace dorvex
