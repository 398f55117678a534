#include "tcp_server_role.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "scale_list_files.h"
#include "stop_signal.h"

namespace dorvex::sim {
namespace {

// Without a deadline the loop still wakes now and then; the stop signal wakes it at once.
constexpr std::int64_t kIdleWaitMs = 1000;
// A listener stays readable while accepting fails (no descriptor left): it rests this long
// instead of waking the loop again at once.
constexpr std::int64_t kAcceptPauseMs = 200;

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

// Many scales hold many descriptors (listeners, connections, logs, database files). When the
// limit cannot be raised, a listen that runs out says so.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

TcpServerRole::TcpServerRole(const SimOptions& options,
                             const std::vector<std::unique_ptr<SimulatedScale>>& scales)
    : options_(options) {
    for (std::size_t i = 0; i < scales.size(); ++i) {
        Endpoint endpoint;
        endpoint.scale = scales[i].get();
        endpoint.name = SimOptions::ScaleName(static_cast<int>(i));
        endpoints_.push_back(std::move(endpoint));
    }
}

int TcpServerRole::Run() {
    // A reader waiting for the files must never take the last run's for this one's.
    RemoveListFiles();
    if (options_.scales > 0)
        RaiseDescriptorLimit();
    if (!ListenAll() || !WriteListFiles())
        return 1;
    Announce();
    bool served = ServeUntilStopped();
    RemoveListFiles();
    return served ? 0 : 1;
}

bool TcpServerRole::ListenAll() {
    for (Endpoint& endpoint : endpoints_) {
        int port = endpoint.scale->Options().port;
        endpoint.listener = Listen(port);
        if (!endpoint.listener.Valid()) {
            std::fprintf(stderr, "dorvex-scale-sim: cannot listen on 127.0.0.1:%d%s: %s\n", port,
                         Suffix(" for", endpoint).c_str(), std::strerror(errno));
            return false;
        }
        endpoint.port = BoundPort(endpoint.listener.Get());
    }
    return true;
}

bool TcpServerRole::WriteListFiles() const {
    std::vector<ListedScale> listed;
    for (const Endpoint& endpoint : endpoints_)
        listed.push_back({endpoint.name, endpoint.port, options_.device.value_or(1)});
    std::string error;
    if ((!options_.portsFile.empty() && !WritePortsFile(options_.portsFile, listed, error)) ||
        (!options_.scalesFile.empty() && !WriteScalesFile(options_.scalesFile, listed, error))) {
        std::fprintf(stderr, "dorvex-scale-sim: %s\n", error.c_str());
        RemoveListFiles();
        return false;
    }
    return true;
}

void TcpServerRole::RemoveListFiles() const {
    for (const std::string& path : {options_.portsFile, options_.scalesFile}) {
        if (!path.empty())
            std::remove(path.c_str());
    }
}

void TcpServerRole::Announce() const {
    for (const Endpoint& endpoint : endpoints_)
        std::printf("listening on 127.0.0.1:%d%s\n", endpoint.port,
                    Suffix(" as", endpoint).c_str());
    std::fflush(stdout);
}

bool TcpServerRole::ServeUntilStopped() {
    std::vector<pollfd> fds;
    while (!StopSignal::Raised()) {
        fds.clear();
        fds.push_back({StopSignal::Fd(), POLLIN, 0});
        std::int64_t waitMs = kIdleWaitMs;
        std::int64_t now = TickMs();
        for (const Endpoint& endpoint : endpoints_) {
            fds.push_back({ListenerToPoll(endpoint, now, waitMs), POLLIN, 0});
            AddSessionsToPoll(endpoint.sessions, fds, now, waitMs);
        }
        if (::poll(fds.data(), fds.size(), static_cast<int>(waitMs)) < 0 && errno != EINTR) {
            std::fprintf(stderr, "dorvex-scale-sim: poll: %s\n", std::strerror(errno));
            return false;
        }
        if (StopSignal::Raised())
            break;
        now = TickMs();
        const pollfd* results = fds.data() + 1;
        for (Endpoint& endpoint : endpoints_) {
            bool acceptable = (results->revents & POLLIN) != 0;
            std::size_t served = endpoint.sessions.size();
            ServePolledSessions(endpoint.sessions, results + 1, now);
            results += 1 + served;
            if (acceptable)
                Accept(endpoint, now);
        }
    }
    return true;
}

int TcpServerRole::ListenerToPoll(const Endpoint& endpoint, std::int64_t nowMs,
                                  std::int64_t& waitMs) const {
    if (nowMs >= endpoint.acceptPausedUntilMs)
        return endpoint.listener.Get();
    waitMs = std::min(waitMs, endpoint.acceptPausedUntilMs - nowMs);
    return -1;
}

void TcpServerRole::Accept(Endpoint& endpoint, std::int64_t nowMs) {
    UniqueFd client(
        ::accept4(endpoint.listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!client.Valid()) {
        // A peer that gave up before being accepted is no failure of ours.
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
            return;
        std::fprintf(stderr, "dorvex-scale-sim: cannot accept a connection%s: %s\n",
                     Suffix(" for", endpoint).c_str(), std::strerror(errno));
        endpoint.acceptPausedUntilMs = nowMs + kAcceptPauseMs;
        return;
    }
    int on = 1;
    ::setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    endpoint.sessions.push_back(std::make_unique<TcpSession>(
        std::move(client), endpoint.scale->Service(), endpoint.scale->Options()));
    std::printf("accepted connection %d%s\n", ++endpoint.accepted, Suffix(" on", endpoint).c_str());
    std::fflush(stdout);
}

std::string TcpServerRole::Suffix(const char* word, const Endpoint& endpoint) const {
    return options_.scales > 0 ? word + (" " + endpoint.name) : std::string();
}

}  // namespace dorvex::sim
