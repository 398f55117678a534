// A scripted scale for link tests: listens on a free loopback port, accepts connections one
// after another, cuts requests by 20 ms of quiet and answers each through a callback. The
// callback returns the pieces of the reply and the pause before each piece. Stops and joins
// its thread on destruction.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/test_sockets.h"

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
        listener_ = ListenOnLoopback(backlog, port_);
        thread_ = std::thread([this] { Serve(); });
    }

    ~TcpTestPeer() {
        stop_.store(true);
        thread_.join();
        if (listener_ != kNoSocket)
            CloseSocket(listener_);
    }

    int Port() const { return port_; }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    int Connections() const { return connections_.load(); }

  private:
    void Serve() {
        while (!stop_.load()) {
            if (listener_ == kNoSocket || !WaitReadable(listener_, 20))
                continue;
            SocketId connection = AcceptOne(listener_);
            if (connection == kNoSocket)
                continue;
            connections_.fetch_add(1);
            SetNoDelay(connection);
            ServeConnection(connection);
            CloseSocket(connection);
        }
    }

    void ServeConnection(SocketId fd) {
        std::string pending;
        while (!stop_.load()) {
            if (WaitReadable(fd, 20)) {
                char buffer[65536];
                long n = ReceiveSome(fd, buffer, sizeof(buffer));
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
                SendAll(fd, piece.bytes.data(), piece.bytes.size());
            }
        }
    }

    Script script_;
    SocketId listener_ = kNoSocket;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace dorvex::test
