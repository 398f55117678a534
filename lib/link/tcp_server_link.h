// The link of kind "IPS": this computer listens on a TCP port (1120, or the descriptor's
// "IPS:port") on all interfaces and the scale connects to it. One client is served at a time;
// when it leaves, the link waits for the next one. Accepting happens inside Read, on the
// receive thread; writes go to the client of the moment.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/link.h"
#include "platform/tcp_socket.h"

namespace dorvex {

class TcpServerLink final : public Link {
  public:
    static constexpr std::string_view kKindCode = "IPS";
    static constexpr std::uint16_t kDefaultPort = 1120;
    static constexpr int kWriteWaitMs = 2000;
    static constexpr int kAcceptWaitMs = 2000;

    explicit TcpServerLink(TextView descriptor);
    ~TcpServerLink() override;

    Result Open(TextView address) override;
    // Accepts a waiting client first when there is none; 0 while there is no client or data.
    int Read(char* buffer, std::size_t size) override;
    // 0 when every byte reached the client, 6 otherwise (also when no client is connected).
    Result Write(const char* data, std::size_t length) override;
    Result Close() override;
    // Waits on the listening socket while awaiting a client, else on the client's socket.
    WaitResult WaitForInput(int timeoutMs) const override;
    WaitResult WaitForInputUntil(std::int64_t deadlineUs) const override;

    bool IsAwaitingClient() const { return awaitingClient_.load(); }
    // The port listened on (the system's choice when the descriptor asked for port 0).
    std::uint16_t Port() const { return port_; }
    Text Endpoint() const override { return u"port " + NumberText(port_); }
    std::uint64_t ConnectionsLost() const override { return clientsLost_.load(); }

    std::string_view KindCode() const override { return kKindCode; }
    std::unique_ptr<MessageFraming> NewFraming(const MessageOptions& options) const override;
    // Clients are accepted, and may speak, at any time: a receive thread serves the port.
    RepliesRead HowRepliesAreRead() const override { return RepliesRead::OnReceiveThread; }

  private:
    bool AcceptClient();
    void DropClient();
    std::shared_ptr<TcpSocket> Client() const;

    TcpSocket listener_;
    std::uint16_t port_;
    // Shared so that a write in progress keeps its socket while the receive thread lets a
    // departed client go.
    mutable std::mutex clientMutex_;
    std::shared_ptr<TcpSocket> client_;
    std::atomic<bool> awaitingClient_{false};
    std::atomic<std::uint64_t> clientsLost_{0};
};

}  // namespace dorvex
