#include "platform/tcp_socket.h"

#include "platform/clock.h"
#include "platform/posix/descriptor_wait.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace dorvex {

namespace {

// Arrival stamps older than this are not trusted (the real-time clock was set meanwhile).
constexpr std::int64_t kMaxArrivalAgeUs = 1000000;

}  // namespace

const int TcpSocket::kWouldBlock = EWOULDBLOCK;
const int TcpSocket::kTimedOut = ETIMEDOUT;

bool IoResult::WouldBlock() const {
    return error == EAGAIN || error == EWOULDBLOCK;
}

namespace {

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = address;
    return sa;
}

}  // namespace

int TcpSocket::Create() {
    Close();
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd_ < 0 ? errno : 0;
}

void TcpSocket::Close() {
    if (fd_ >= 0) {
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        fd_ = -1;
    }
}

int TcpSocket::SetNonBlocking() {
    int flags = fcntl(fd_, F_GETFL, 0);
    if (flags < 0 || fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0)
        return errno;
    return 0;
}

int TcpSocket::SetNoDelay() {
    int one = 1;
    return setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one)) < 0 ? errno : 0;
}

int TcpSocket::Resolve(const std::string& host, std::uint32_t& addressOut) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        return rc != 0 ? rc : EAI_NONAME;
    addressOut = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 0;
}

WaitResult TcpSocket::Connect(std::uint32_t address, std::uint16_t port, int timeoutMs,
                              const WakeSignal* wake, int& error) {
    sockaddr_in sa = MakeAddress(address, port);
    error = 0;
    if (connect(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) == 0)
        return WaitResult::Ready;
    if (errno != EINPROGRESS) {
        error = errno;
        return WaitResult::Ready;
    }
    WaitResult waited = WaitWritable(timeoutMs, wake);
    if (waited != WaitResult::Ready)
        return waited;
    socklen_t length = sizeof(error);
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) < 0)
        error = errno;
    return WaitResult::Ready;
}

int TcpSocket::Bind(std::uint16_t port, bool loopbackOnly) {
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in sa = MakeAddress(htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY), port);
    return bind(fd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)) < 0 ? errno : 0;
}

int TcpSocket::Listen() {
    return listen(fd_, SOMAXCONN) < 0 ? errno : 0;
}

std::uint16_t TcpSocket::LocalPort() const {
    sockaddr_in sa{};
    socklen_t length = sizeof(sa);
    if (getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &length) < 0)
        return 0;
    return ntohs(sa.sin_port);
}

TcpSocket TcpSocket::Accept(int& error) {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    error = fd < 0 ? errno : 0;
    return TcpSocket(fd);
}

IoResult TcpSocket::Send(const char* data, std::size_t length) {
    ssize_t n = send(fd_, data, length, MSG_NOSIGNAL);
    if (n < 0)
        return {0, errno};
    return {n, 0};
}

IoResult TcpSocket::Receive(char* buffer, std::size_t size) {
    ssize_t n = recv(fd_, buffer, size, 0);
    if (n < 0)
        return {0, errno};
    return {n, 0};
}

int TcpSocket::RecordArrivalTimes() {
    int one = 1;
    return setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &one, sizeof(one)) < 0 ? errno : 0;
}

// The system stamps arriving data with the real-time clock: the stamp is moved onto the steady
// clock by the distance between the two clocks now, and never later than now.
IoResult TcpSocket::Receive(char* buffer, std::size_t size, std::int64_t& arrivedUs) {
    iovec data{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t n = recvmsg(fd_, &message, 0);
    const std::int64_t now = TickUs();
    arrivedUs = now;
    if (n < 0)
        return {0, errno};
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS)
            continue;
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(c), sizeof(stamp));
        timespec realNow{};
        clock_gettime(CLOCK_REALTIME, &realNow);
        const std::int64_t ageUs =
            (static_cast<std::int64_t>(realNow.tv_sec) - stamp.tv_sec) * 1000000 +
            (realNow.tv_nsec - stamp.tv_nsec) / 1000;
        // A clock set meanwhile cannot make the arrival later than now or absurdly old.
        if (ageUs > 0 && ageUs < kMaxArrivalAgeUs)
            arrivedUs = now - ageUs;
    }
    return {n, 0};
}

WaitResult TcpSocket::WaitReadable(int timeoutMs, const WakeSignal* wake) const {
    return WaitForDescriptor(fd_, POLLIN, timeoutMs, wake);
}

WaitResult TcpSocket::WaitReadableUntil(std::int64_t deadlineUs, const WakeSignal* wake) const {
    return WaitForDescriptorUntil(fd_, POLLIN, deadlineUs, wake);
}

WaitResult TcpSocket::WaitWritable(int timeoutMs, const WakeSignal* wake) const {
    return WaitForDescriptor(fd_, POLLOUT, timeoutMs, wake);
}

int StartNetworking() {
    return 0;
}
void StopNetworking() {}

}  // namespace dorvex
