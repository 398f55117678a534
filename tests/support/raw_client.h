// A bare TCP client for talking to a scale or a listening link byte for byte, a listening
// port for the simulator to connect to, and a temporary table.csv. Loopback, POSIX only.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/test_directory.h"
#include "support/test_sockets.h"

namespace dorvex::test {

using Ms = std::chrono::milliseconds;

// The article requests for device 1 that the simulator tests send, and two of its replies.
inline std::string ArticleWrite(std::string_view fields) {
    return "<art m=\"w\"><dvn>1" + std::string(fields);
}
inline std::string ArticleRead(std::string_view key) {
    return "<art m=\"r\"><dvn>1<plu>" + std::string(key);
}
inline const std::string kWritten = "<art m=\"w\"><res>OK";
inline const std::string kNotFound = "<art m=\"e\"><err>record not found";

class RawClient {
  public:
    explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        SetNoDelay(fd_);
    }
    // Takes over a connection accepted from the simulator.
    static RawClient Adopt(int fd) { return RawClient(fd, fd >= 0); }
    RawClient(RawClient&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), connected_(other.connected_) {}
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
    // within `timeout`.
    std::string Receive(Ms timeout = Ms(3000), Ms quiet = Ms(60)) {
        std::string received;
        for (Ms wait = timeout; WaitReadable(fd_, static_cast<int>(wait.count())); wait = quiet) {
            char buffer[65536];
            const long count = ReceiveSome(fd_, buffer, sizeof buffer);
            if (count <= 0)
                break;
            received.append(buffer, static_cast<std::size_t>(count));
        }
        return received;
    }

    std::string Exchange(std::string_view request) {
        return Send(request) ? Receive() : std::string();
    }

  private:
    RawClient(int fd, bool connected) : fd_(fd), connected_(connected) {}

    int fd_;
    bool connected_ = false;
};

// A listening socket on a free loopback port, as the library's server link would be.
class Listener {
  public:
    Listener() : fd_(ListenOnLoopback(4, port_)) {}
    ~Listener() {
        if (fd_ != kNoSocket)
            CloseSocket(fd_);
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int Port() const { return port_; }
    // The next connection; not Connected() when nobody connects within `timeout`.
    RawClient Accept(Ms timeout) {
        const bool ready = WaitReadable(fd_, static_cast<int>(timeout.count()));
        return RawClient::Adopt(ready ? AcceptOne(fd_) : -1);
    }

  private:
    int port_ = 0;  // set by the listener's creation, so declared before it
    SocketId fd_;
};

// A temporary directory with a table.csv, removed with everything in it at the end.
class TempTables : public TestDirectory {
  public:
    TempTables() : TestDirectory("dorvex-sim") {
        Write("table.csv",
              "TABLE;F1;F2;F3\nArticle;PLU;NAME;PRICE\nart;plu;nam;pri\n"
              "' messages\nMessage;CODE;TEXT\nmsg;cod;txt\n");
    }

    std::string PathOf(std::string_view name) const { return (Root() / name).string(); }
    // The simulator's arguments: these tables, then `extra`.
    std::vector<std::string> SimArgs(std::vector<std::string> extra = {}) const {
        extra.insert(extra.begin(), {"--tables", PathOf("table.csv")});
        return extra;
    }
};

}  // namespace dorvex::test
