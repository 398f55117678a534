// A bare TCP client for talking to the simulator byte for byte, a listening port for the
// simulator to connect to, and a temporary table.csv.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <utility>

#include "support/test_directory.h"

namespace dorvex::test {

using Ms = std::chrono::milliseconds;

inline std::int64_t NowMs() {
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline sockaddr_in Loopback(int port = 0) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

class RawClient {
  public:
    explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address = Loopback(port);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    // Takes over a connection accepted from the simulator.
    static RawClient Adopt(int fd) { return RawClient(fd, true); }
    RawClient(RawClient&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {
        connected_ = other.connected_;
    }
    ~RawClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }

    bool Send(std::string_view bytes) {
        return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }

    // The bytes that arrive until `quiet` passes without a new one; empty when nothing comes
    // within `timeout`. Closed() tells whether the peer closed the connection meanwhile.
    std::string Receive(Ms timeout = Ms(3000), Ms quiet = Ms(60)) {
        std::string received;
        std::int64_t wait = timeout.count();
        while (true) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(wait)) <= 0)
                return received;
            char buffer[65536];
            ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0) {
                closed_ = true;
                return received;
            }
            received.append(buffer, static_cast<std::size_t>(count));
            wait = quiet.count();
        }
    }

    std::string Exchange(std::string_view request) {
        return Send(request) ? Receive() : std::string();
    }

    bool Closed() const { return closed_; }

  private:
    RawClient(int fd, bool connected) : fd_(fd), connected_(connected && fd >= 0) {}

    int fd_;
    bool connected_ = false;
    bool closed_ = false;
};

// A listening socket on a free loopback port, as the library's server link would be.
class Listener {
  public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address = Loopback();
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 4);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int Port() const { return port_; }
    // The next connection; not Connected() when nobody connects within `timeout`.
    RawClient Accept(Ms timeout) {
        pollfd fd{fd_, POLLIN, 0};
        const bool ready = ::poll(&fd, 1, static_cast<int>(timeout.count())) > 0;
        return RawClient::Adopt(ready ? ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC) : -1);
    }

  private:
    int fd_;
    int port_ = 0;
};

// A temporary directory with a table.csv, removed with everything in it at the end.
class TempTables : public TestDirectory {
  public:
    static constexpr const char* kDefault =
        "TABLE;F1;F2;F3\n"
        "Article;PLU;NAME;PRICE\n"
        "art;plu;nam;pri\n"
        "' messages\n"
        "Message;CODE;TEXT\n"
        "msg;cod;txt\n";

    explicit TempTables(std::string_view content = kDefault) : TestDirectory("dorvex-sim") {
        Write("table.csv", std::string(content));
    }

    std::string TablesPath() const { return PathOf("table.csv"); }
    std::string PathOf(std::string_view name) const { return (Root() / name).string(); }
};

}  // namespace dorvex::test
