#include "tcp_server_role.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "stop_signal.h"
#include "tcp_session.h"

namespace dorvex::sim {
namespace {

UniqueFd Listen(int port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return fd;
    int on = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.Get(), 16) != 0)
        fd.Reset();
    return fd;
}

int BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

int TcpServerRole::Run() {
    UniqueFd listener = Listen(options_.port);
    if (!listener.Valid()) {
        std::fprintf(stderr, "dorvex-scale-sim: cannot listen on 127.0.0.1:%d: %s\n", options_.port,
                     std::strerror(errno));
        return 1;
    }
    std::printf("listening on 127.0.0.1:%d\n", BoundPort(listener.Get()));
    std::fflush(stdout);

    TcpSessions sessions;
    int accepted = 0;
    while (!StopSignal::Raised()) {
        if (!ServeSessions(sessions, listener.Get(), 1000))
            continue;
        UniqueFd client(::accept4(listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!client.Valid())
            continue;
        int on = 1;
        ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sessions.push_back(std::make_unique<TcpSession>(std::move(client), service_, options_));
        std::printf("accepted connection %d\n", ++accepted);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace dorvex::sim
