// Owns the current link, frames outgoing messages for the serial kind, cuts the incoming byte
// stream into messages and hands the latest one to the engine. For the TCP client kind the
// receive loop runs inside each wait for a reply; for the server and serial kinds it runs in a
// receive thread from open to close.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/link.h"
#include "link/serial_frame.h"
#include "platform/text.h"

namespace dorvex {

class TcpMessage;

enum class LinkKind { Undefined = -1, Serial = 0, Server = 1, Client = 2 };

// How the latest wait for a reply ended.
enum class WaitEnd { Reply, TimedOut, LineLost, Interrupted };

class LinkManager {
  public:
    static constexpr std::size_t kSerialReadSize = 500 - 1;
    static constexpr std::size_t kTcpReadSize = 50000 - 1;
    static constexpr int kSerialReadWaitMs = 200;

    LinkManager(TextView descriptor, TextView address, TextView deviceNumber, int reserved,
                int unicode);
    ~LinkManager();
    LinkManager(const LinkManager&) = delete;
    LinkManager& operator=(const LinkManager&) = delete;

    // The link class for the descriptor's first three characters (any letter case), or null.
    static std::unique_ptr<Link> CreateLink(TextView descriptor);
    static LinkKind KindOf(TextView descriptor);

    bool Open(TextView address, bool displayErrors, int connectTimeout);
    // Stops the receive thread and closes and releases the link.
    void Close();

    bool Send(TextView text);
    // The same with the text already encoded the way this link carries it.
    bool SendEncoded(std::string_view bytes);
    // TCP links opened with unicode carry UTF-16LE; the others the data code page.
    bool CarriesUtf16() const { return kind_ != LinkKind::Serial && unicode_ != 0; }
    // Waits up to timeoutMs for the reply to the latest Send; true when one was stored.
    bool WaitReply(int timeoutMs);
    WaitEnd LastWaitEnd() const { return lastWaitEnd_.load(); }
    // Why the open or the latest send failed, in words for the caller.
    Text FailureReason() const;
    Text Payload() const;
    // When the latest message was complete, in microseconds of TickUs(): for a TCP message the
    // end of its quiet time, not the moment a busy thread noticed it.
    std::int64_t MessageEndUs() const { return messageEndUs_.load(); }
    Text LastFrame() const;
    Text Station() const;

    void SetReceiveTimeout(int milliseconds) { receiveTimeout_.store(milliseconds); }
    int ReceiveTimeout() const { return receiveTimeout_.load(); }
    void SetDeviceNumber(TextView deviceNumber);
    void SetDisplayErrors(bool on);
    void SetConnectTimeout(int milliseconds);

    bool StartReceiveThread();
    void StopReceiveThread();
    bool IsRunning() const { return running_.load(); }
    bool IsReceiving() const { return receiving_.load(); }

    // Makes a running wait return at once, and keeps later waits from blocking.
    void Interrupt();
    LinkKind Kind() const { return kind_; }
    Link* CurrentLink() const { return link_.get(); }

  private:
    bool ReceiveClientMessage(int timeoutMs);
    bool WaitStoredMessage(int timeoutMs);
    void DropUnfinished(TcpMessage& message);
    void RunReceiveThread();
    void ReceiveSerialPass(FrameScanner& scanner, std::vector<char>& buffer);
    void TakeSerialFrame(const std::string& frame);
    void StoreTcpMessage(TcpMessage& message);
    void StoreMessage(Text payload);
    bool SendFramed(const std::string& message);
    bool SendPlain(std::string_view bytes);
    std::string_view KindCode() const;

    std::unique_ptr<Link> link_;
    Text descriptor_;
    int reserved_;
    int unicode_;
    LinkKind kind_ = LinkKind::Undefined;
    std::atomic<int> receiveTimeout_{5000};

    mutable std::mutex mutex_;  // guards the texts below and the message count
    std::condition_variable messageStored_;
    Text payload_;
    Text lastFrame_;
    Text station_;
    Text deviceNumber_;
    std::uint64_t messageCount_ = 0;
    std::atomic<std::int64_t> messageEndUs_{0};
    std::uint64_t countAtSend_ = 0;
    std::uint64_t peersGone_ = 0;  // departures of the peer seen by the receive thread
    std::uint64_t lostAtSend_ = 0;
    std::vector<std::string> sentFrames_;  // to recognise our own request echoed by the bus

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> receiving_{false};
    std::atomic<bool> interrupted_{false};
    std::atomic<WaitEnd> lastWaitEnd_{WaitEnd::Reply};
};

}  // namespace dorvex
