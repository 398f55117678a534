// The link of kind "IPC": this computer connects as a TCP client to the scale, which listens
// on port 1120 ("IPC:port", or an address "host:port", selects another port). Reads never wait for
// data; writes wait at most 2 s for the socket to take data.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "link/link.h"
#include "platform/tcp_socket.h"

namespace dorvex {

class TcpClientLink final : public Link {
  public:
    static constexpr std::string_view kKindCode = "IPC";
    static constexpr std::uint16_t kScalePort = 1120;
    static constexpr int kWriteWaitMs = 2000;

    explicit TcpClientLink(TextView descriptor);
    ~TcpClientLink() override;

    Result Open(TextView address) override;
    int Read(char* buffer, std::size_t size) override;
    int ReadWithArrival(char* buffer, std::size_t size, std::int64_t& arrivedUs) override;
    Result Write(const char* data, std::size_t length) override;
    Result Close() override;
    std::string DiscardPendingInput() override;

    // Waits up to timeoutMs for input (or for the scale closing the connection).
    WaitResult WaitForInput(int timeoutMs) const override;
    WaitResult WaitForInputUntil(std::int64_t deadlineUs) const override;
    // False once a read found that the scale closed the connection.
    bool IsConnected() const { return connected_.load(); }
    std::uint16_t Port() const { return port_; }
    Text Endpoint() const override { return host_ + u":" + NumberText(port_); }

    std::string_view KindCode() const override { return kKindCode; }
    std::unique_ptr<MessageFraming> NewFraming(const MessageOptions& options) const override;
    // The scale speaks only when asked: each wait for a reply reads it.
    RepliesRead HowRepliesAreRead() const override { return RepliesRead::InTheWait; }

  private:
    void SplitHostAndPort(TextView address);
    // Creates, resolves and connects the socket, showing what fails; 0 or 6.
    Result Connect();
    // After the scale closed the connection: one new connect within the connect timeout.
    Result Reconnect();
    Result SendAll(const char* data, std::size_t length);
    void MarkClosedByPeer() { connected_.store(false); }

    TcpSocket socket_;
    Text host_;
    std::uint16_t port_ = kScalePort;
    std::atomic<bool> connected_{false};
};

}  // namespace dorvex
