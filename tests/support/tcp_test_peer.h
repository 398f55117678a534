// A scripted scale for link tests: listens on a free loopback port, accepts connections one
// after another, cuts requests by 20 ms of quiet and answers each through a callback. The
// callback returns the pieces of the reply and the pause before each piece. Stops and joins
// its thread on destruction.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dorvex::test {

struct ReplyPiece {
    int delayMs = 0;
    std::string bytes;
};

class TcpTestPeer {
  public:
    // Gets the request bytes and its sequence number (from 1); returns the reply pieces.
    // An empty list sends nothing; a piece with bytes "<close>" closes the connection.
    using Script = std::function<std::vector<ReplyPiece>(const std::string&, int)>;

    explicit TcpTestPeer(Script script, int backlog = 8) : script_(std::move(script)) {
        listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
        listen(listenFd_, backlog);
        socklen_t len = sizeof(sa);
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~TcpTestPeer() {
        stop_.store(true);
        thread_.join();
        if (listenFd_ >= 0)
            close(listenFd_);
    }

    int Port() const { return port_; }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int Connections() const { return connections_.load(); }

  private:
    bool WaitReadable(int fd, int timeoutMs) {
        pollfd pfd{fd, POLLIN, 0};
        return poll(&pfd, 1, timeoutMs) > 0;
    }

    void Serve() {
        while (!stop_.load()) {
            if (!WaitReadable(listenFd_, 20))
                continue;
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            connections_.fetch_add(1);
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
            ServeConnection(fd);
            close(fd);
        }
    }

    void ServeConnection(int fd) {
        std::string pending;
        while (!stop_.load()) {
            if (WaitReadable(fd, pending.empty() ? 20 : 20)) {
                char buffer[65536];
                ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
                if (n <= 0)
                    return;
                pending.append(buffer, n);
                continue;
            }
            if (pending.empty())
                continue;
            int sequence;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(pending);
                sequence = static_cast<int>(requests_.size());
            }
            std::vector<ReplyPiece> pieces = script_(pending, sequence);
            pending.clear();
            for (const ReplyPiece& piece : pieces) {
                if (stop_.load())
                    return;
                if (piece.delayMs > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
                }
                if (piece.bytes == "<close>")
                    return;
                send(fd, piece.bytes.data(), piece.bytes.size(), MSG_NOSIGNAL);
            }
        }
    }

    Script script_;
    int listenFd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace dorvex::test
