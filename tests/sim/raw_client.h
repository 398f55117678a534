// A bare TCP client for talking to the simulator byte for byte, and a temporary table.csv.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace dorvex::test {

using Ms = std::chrono::milliseconds;

inline std::int64_t NowMs() {
    return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class RawClient {
  public:
    explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~RawClient() { ::close(fd_); }
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
    int fd_;
    bool connected_ = false;
    bool closed_ = false;
};

// A directory under /tmp with a table.csv, removed with everything in it at the end.
class TempTables {
  public:
    static constexpr const char* kDefault =
        "TABLE;F1;F2;F3\n"
        "Article;PLU;NAME;PRICE\n"
        "art;plu;nam;pri\n"
        "' messages\n"
        "Message;CODE;TEXT\n"
        "msg;cod;txt\n";

    explicit TempTables(std::string_view content = kDefault) {
        char name[] = "/tmp/dorvex-sim-test-XXXXXX";
        dir_ = ::mkdtemp(name);
        std::ofstream(TablesPath(), std::ios::binary) << content;
    }
    ~TempTables() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempTables(const TempTables&) = delete;
    TempTables& operator=(const TempTables&) = delete;

    std::string TablesPath() const { return dir_ + "/table.csv"; }
    std::string PathOf(std::string_view name) const { return dir_ + "/" + std::string(name); }

  private:
    std::string dir_;
};

}  // namespace dorvex::test
