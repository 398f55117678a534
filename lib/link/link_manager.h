// Owns the current link and the framing it chose, sends each message in that framing, cuts
// the incoming bytes into messages and hands the latest one to the engine. The same loops
// serve every kind: a link whose replies are read in the wait runs the receive loop inside
// each WaitReply; the others run it on a receive thread from open to close.
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
#include "link/message_framing.h"
#include "platform/text.h"

namespace dorvex {

// How the latest wait for a reply ended.
enum class WaitEnd { Reply, TimedOut, LineLost, Interrupted };

class LinkManager {
  public:
    // How long the receive thread waits for input before it looks at its running flag again.
    static constexpr int kIdleWaitMs = 200;
    // A link that cannot deliver input is looked at again after this pause, not at once.
    static constexpr int kFailedWaitPauseMs = 20;

    LinkManager(TextView descriptor, TextView deviceNumber, TextView address, int unicode);
    ~LinkManager();
    LinkManager(const LinkManager&) = delete;
    LinkManager& operator=(const LinkManager&) = delete;

    // On failure the reason names the link and where it reaches.
    Result Open(TextView address, bool displayErrors, int connectTimeout);
    // Stops the receive thread and closes and releases the link.
    void Close();

    // Succeeds when any piece of the message left.
    Result Send(TextView text);
    // The same with the text already encoded the way this link carries it.
    Result SendEncoded(std::string_view bytes);
    // True when the open link carries UTF-16LE, false for the data code page.
    bool CarriesUtf16() const { return framing_ && framing_->CarriesUtf16(); }
    // Waits up to timeoutMs for the reply to the latest Send; true when one was stored.
    bool WaitReply(int timeoutMs);
    WaitEnd LastWaitEnd() const { return lastWaitEnd_.load(); }
    Text Payload() const;
    // When the latest message was complete, in microseconds of TickUs(): for a TCP message the
    // end of its quiet time, not the moment a busy thread noticed it.
    std::int64_t MessageEndUs() const { return messageEndUs_.load(); }

    void SetReceiveTimeout(int milliseconds) { receiveTimeout_.store(milliseconds); }
    int ReceiveTimeout() const { return receiveTimeout_.load(); }
    void SetDeviceNumber(TextView deviceNumber);
    void SetDisplayErrors(bool on);
    void SetConnectTimeout(int milliseconds);

    void StartReceiveThread();
    void StopReceiveThread();
    bool IsRunning() const { return running_.load(); }

    // Makes a running wait return at once, and keeps later waits from blocking.
    void Interrupt();
    Link* CurrentLink() const { return link_.get(); }

  private:
    Result LinkFailure(const Result& failure) const;
    bool ReadReplyInWait(int timeoutMs);
    bool WaitStoredMessage(int timeoutMs);
    void RunReceiveThread();
    void NoteDepartures(std::uint64_t& lostSeen);
    void Store(MessageFraming::Message message);

    std::unique_ptr<Link> link_;
    std::unique_ptr<MessageFraming> framing_;
    Text descriptor_;
    MessageOptions options_;
    std::atomic<bool> readsInWait_{false};
    std::atomic<int> receiveTimeout_{5000};

    mutable std::mutex mutex_;  // guards the payload and the counts below
    std::condition_variable messageStored_;
    Text payload_;
    std::uint64_t messageCount_ = 0;
    std::atomic<std::int64_t> messageEndUs_{0};
    std::uint64_t countAtSend_ = 0;
    std::uint64_t peersGone_ = 0;  // departures of the peer seen by the receive thread
    std::uint64_t lostAtSend_ = 0;

    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> interrupted_{false};
    std::atomic<WaitEnd> lastWaitEnd_{WaitEnd::Reply};
};

}  // namespace dorvex
