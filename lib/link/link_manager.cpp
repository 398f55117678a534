#include "link/link_manager.h"

#include <algorithm>
#include <chrono>

#include "link/link_factory.h"
#include "platform/clock.h"
#include "platform/code_page.h"

namespace dorvex {

LinkManager::LinkManager(TextView descriptor, TextView deviceNumber, TextView address, int unicode)
    : descriptor_(descriptor), options_{Text(deviceNumber), Text(address), unicode != 0} {}

LinkManager::~LinkManager() {
    Close();
}

Result LinkManager::Open(TextView address, bool displayErrors, int connectTimeout) {
    link_ = CreateLink(descriptor_);
    if (!link_)
        return LinkFailure(Result::Failure({}));
    link_->SetDisplayErrors(displayErrors);
    link_->SetConnectTimeout(connectTimeout);
    if (Result opened = link_->Open(address); !opened)
        return LinkFailure(opened);
    framing_ = link_->NewFraming(options_);
    readsInWait_.store(link_->HowRepliesAreRead() == RepliesRead::InTheWait);
    StartReceiveThread();
    return {};
}

// The link's reason, with the link named; a link that could not say why did not open.
Result LinkManager::LinkFailure(const Result& failure) const {
    if (!link_)
        return Result::Failure(UnknownLinkKindReason(descriptor_));
    return Result::Failure(
        descriptor_ + u" to " + link_->Endpoint() + u": " +
        (failure.Reason().empty() ? Text(u"the link did not open") : failure.Reason()));
}

void LinkManager::Close() {
    if (running_.load() || thread_.joinable())
        StopReceiveThread();
    if (link_) {
        // The link is released either way; a port that fails to close shows why when error
        // display is on.
        (void)link_->Close();
        link_.reset();
    }
    framing_.reset();
}

void LinkManager::SetDeviceNumber(TextView deviceNumber) {
    options_.deviceNumber = Text(deviceNumber);
    if (framing_)
        framing_->SetDeviceNumber(deviceNumber);
}

void LinkManager::SetDisplayErrors(bool on) {
    if (link_)
        link_->SetDisplayErrors(on);
}

void LinkManager::SetConnectTimeout(int milliseconds) {
    if (link_)
        link_->SetConnectTimeout(milliseconds);
}

Text LinkManager::Payload() const {
    std::lock_guard lock(mutex_);
    return payload_;
}

void LinkManager::Interrupt() {
    interrupted_.store(true);
    // Only a wait that reads for itself is woken through the link. A receive thread must go on
    // reading until the link is closed: raising the link's signal would leave it spinning on a
    // wait that returns at once.
    if (link_ && readsInWait_.load())
        link_->Interrupt();
    std::lock_guard lock(mutex_);
    messageStored_.notify_all();
}

// ---- sending ------------------------------------------------------------------------------

Result LinkManager::Send(TextView text) {
    return SendEncoded(CarriesUtf16() ? ToUtf16LeBytes(text) : EncodeData(text));
}

Result LinkManager::SendEncoded(std::string_view bytes) {
    if (!link_ || !framing_)
        return LinkFailure(Result::Failure({}));
    {
        std::lock_guard lock(mutex_);
        countAtSend_ = messageCount_;
        lostAtSend_ = peersGone_;
    }
    // A reply that came after its wait gave up must not be taken for the next one.
    std::string stale = link_->DiscardPendingInput();
    if (!stale.empty())
        framing_->Trace("drop", stale);
    bool anySent = false;
    Result failed = Result::Failure({});
    for (const std::string& piece : framing_->Frame(bytes)) {
        Result sent = link_->Write(piece.data(), piece.size());
        framing_->Trace(sent ? "send" : "fail", piece);
        anySent = anySent || sent.Ok();
        if (!sent)
            failed = std::move(sent);
    }
    return anySent ? Result() : LinkFailure(failed);
}

// ---- receiving ----------------------------------------------------------------------------

bool LinkManager::WaitReply(int timeoutMs) {
    receiveTimeout_.store(timeoutMs);
    lastWaitEnd_.store(WaitEnd::TimedOut);
    if (!link_ || !framing_)
        return false;
    if (!readsInWait_.load())
        return WaitStoredMessage(timeoutMs);
    running_.store(true);
    return ReadReplyInWait(timeoutMs);
}

// The receive thread stores messages; a peer that left will send no reply, so its departure
// ends the wait as well.
bool LinkManager::WaitStoredMessage(int timeoutMs) {
    std::unique_lock lock(mutex_);
    auto peerLeft = [this] { return peersGone_ != lostAtSend_; };
    messageStored_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return messageCount_ > countAtSend_ || interrupted_.load() || !running_.load() ||
               peerLeft();
    });
    if (messageCount_ > countAtSend_) {
        lastWaitEnd_.store(WaitEnd::Reply);
        return true;
    }
    if (interrupted_.load())
        lastWaitEnd_.store(WaitEnd::Interrupted);
    else if (peerLeft() || !running_.load())
        lastWaitEnd_.store(WaitEnd::LineLost);
    return false;
}

bool LinkManager::ReadReplyInWait(int timeoutMs) {
    std::vector<char> buffer(framing_->ReadSize());
    const std::int64_t replyEndUs = TickUs() + std::int64_t{timeoutMs} * 1000;
    WaitEnd end = WaitEnd::TimedOut;
    while (!interrupted_.load()) {
        // Up to the reply's time limit, even while a reply keeps dripping in without ending;
        // within it, to the exact moment the pending message ends on its own.
        if (TickUs() >= replyEndUs)
            break;
        const std::optional<std::int64_t> pendingEndUs = framing_->PendingEndUs();
        const WaitResult waited = link_->WaitForInputUntil(
            pendingEndUs ? std::min(*pendingEndUs, replyEndUs) : replyEndUs);
        if (waited == WaitResult::Ready) {
            std::int64_t arrivedUs = 0;
            int n = link_->ReadWithArrival(buffer.data(), buffer.size(), arrivedUs);
            if (n > 0) {
                std::vector<MessageFraming::Message> messages =
                    framing_->Take(std::string_view(buffer.data(), n), arrivedUs);
                if (messages.empty())
                    continue;
                Store(std::move(messages.back()));
                end = WaitEnd::Reply;
                break;
            }
        }
        if (waited == WaitResult::Interrupted) {
            end = WaitEnd::Interrupted;
            break;
        }
        // Nothing more can come from a connection the peer closed: what it sent is its reply.
        const bool lineGone = waited == WaitResult::Failed;
        std::optional<MessageFraming::Message> message =
            lineGone ? framing_->TakePending() : framing_->TakeOnSilence(TickUs());
        if (message) {
            Store(std::move(*message));
            end = WaitEnd::Reply;
            break;
        }
        if (lineGone) {
            end = WaitEnd::LineLost;
            break;
        }
    }
    if (end != WaitEnd::Reply) {
        framing_->DropPending();
        if (interrupted_.load())
            end = WaitEnd::Interrupted;
    }
    lastWaitEnd_.store(end);
    return end == WaitEnd::Reply;
}

void LinkManager::Store(MessageFraming::Message message) {
    messageEndUs_.store(message.endUs);
    std::lock_guard lock(mutex_);
    payload_ = std::move(message.payload);
    ++messageCount_;
    messageStored_.notify_all();
}

void LinkManager::StartReceiveThread() {
    running_.store(true);
    if (readsInWait_.load() || thread_.joinable())
        return;
    thread_ = std::thread([this] { RunReceiveThread(); });
}

void LinkManager::StopReceiveThread() {
    running_.store(false);
    if (link_)
        link_->Interrupt();
    {
        std::lock_guard lock(mutex_);
        messageStored_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void LinkManager::RunReceiveThread() {
    std::vector<char> buffer(framing_->ReadSize());
    std::uint64_t lostSeen = link_->ConnectionsLost();
    while (running_.load()) {
        NoteDepartures(lostSeen);
        const std::optional<std::int64_t> pendingEndUs = framing_->PendingEndUs();
        const WaitResult waited = pendingEndUs ? link_->WaitForInputUntil(*pendingEndUs)
                                               : link_->WaitForInput(kIdleWaitMs);
        std::int64_t arrivedUs = 0;
        int n = waited == WaitResult::Ready
                    ? link_->ReadWithArrival(buffer.data(), buffer.size(), arrivedUs)
                    : 0;
        if (n > 0) {
            for (MessageFraming::Message& message :
                 framing_->Take(std::string_view(buffer.data(), n), arrivedUs))
                Store(std::move(message));
        } else if (std::optional<MessageFraming::Message> message =
                       framing_->TakeOnSilence(TickUs())) {
            Store(std::move(*message));
        } else if (waited == WaitResult::Failed) {
            SleepMs(kFailedWaitPauseMs);
        }
    }
    std::lock_guard lock(mutex_);
    messageStored_.notify_all();
}

// A peer that left ends the wait for its reply; what it sent before leaving is its last
// message.
void LinkManager::NoteDepartures(std::uint64_t& lostSeen) {
    const std::uint64_t lost = link_->ConnectionsLost();
    if (lost == lostSeen)
        return;
    lostSeen = lost;
    if (std::optional<MessageFraming::Message> message = framing_->TakePending())
        Store(std::move(*message));
    std::lock_guard lock(mutex_);
    peersGone_ = lost;
    messageStored_.notify_all();
}

}  // namespace dorvex
