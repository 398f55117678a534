#include "tcp_client_role.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "stop_signal.h"
#include "tcp_session.h"

namespace dorvex::sim {
namespace {

constexpr int kConnectWaitMs = 2000;

// Waits until the stop signal or `timeoutMs`; true when stopped.
bool WaitOrStop(int timeoutMs) {
    pollfd fd{StopSignal::Fd(), POLLIN, 0};
    ::poll(&fd, 1, timeoutMs);
    return StopSignal::Raised();
}

bool ConnectWithin(int fd, const addrinfo& address) {
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    pollfd fds[2] = {{fd, POLLOUT, 0}, {StopSignal::Fd(), POLLIN, 0}};
    if (::poll(fds, 2, kConnectWaitMs) <= 0 || !(fds[0].revents & (POLLOUT | POLLERR | POLLHUP)))
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

UniqueFd TcpClientRole::Connect() const {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(options_.connectPort);
    if (::getaddrinfo(options_.connectHost.c_str(), port.c_str(), &hints, &found) != 0)
        return UniqueFd();
    UniqueFd connected;
    for (addrinfo* address = found; address != nullptr && !connected.Valid();
         address = address->ai_next) {
        UniqueFd fd(::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (fd.Valid() && ConnectWithin(fd.Get(), *address))
            connected = std::move(fd);
    }
    ::freeaddrinfo(found);
    if (connected.Valid()) {
        int on = 1;
        ::setsockopt(connected.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return connected;
}

int TcpClientRole::Run() {
    std::printf("connecting to %s:%d\n", options_.connectHost.c_str(), options_.connectPort);
    std::fflush(stdout);
    while (!StopSignal::Raised()) {
        UniqueFd fd = Connect();
        if (fd.Valid()) {
            std::printf("connected\n");
            std::fflush(stdout);
            TcpSessions sessions;
            sessions.push_back(std::make_unique<TcpSession>(std::move(fd), service_, options_));
            while (!sessions.empty() && !StopSignal::Raised())
                ServeSessions(sessions, -1, 1000);
        }
        if (WaitOrStop(options_.reconnectMs))
            break;
    }
    return 0;
}

}  // namespace dorvex::sim
