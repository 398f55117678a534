#include "link/link_manager.h"

#include <algorithm>
#include <chrono>

#include "link/serial_link.h"
#include "link/tcp_client_link.h"
#include "link/tcp_message.h"
#include "link/tcp_server_link.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/code_page.h"

namespace dorvex {

LinkManager::LinkManager(TextView descriptor, TextView address, TextView deviceNumber, int reserved,
                         int unicode)
    : descriptor_(descriptor),
      reserved_(reserved),
      unicode_(unicode),
      station_(address),
      deviceNumber_(deviceNumber) {}

LinkManager::~LinkManager() {
    Close();
}

LinkKind LinkManager::KindOf(TextView descriptor) {
    Text code = ToUpper(descriptor.substr(0, 3));
    if (code == u"COM")
        return LinkKind::Serial;
    if (code == u"IPS")
        return LinkKind::Server;
    if (code == u"IPC")
        return LinkKind::Client;
    return LinkKind::Undefined;
}

std::unique_ptr<Link> LinkManager::CreateLink(TextView descriptor) {
    switch (KindOf(descriptor)) {
        case LinkKind::Serial:
            return std::make_unique<SerialLink>(descriptor);
        case LinkKind::Server:
            return std::make_unique<TcpServerLink>(descriptor);
        case LinkKind::Client:
            return std::make_unique<TcpClientLink>(descriptor);
        default:
            return nullptr;
    }
}

std::string_view LinkManager::KindCode() const {
    switch (kind_) {
        case LinkKind::Serial:
            return "COM";
        case LinkKind::Server:
            return "IPS";
        case LinkKind::Client:
            return "IPC";
        default:
            return "---";
    }
}

bool LinkManager::Open(TextView address, bool displayErrors, int connectTimeout) {
    link_ = CreateLink(descriptor_);
    if (!link_)
        return false;
    link_->SetDisplayErrors(displayErrors);
    link_->SetConnectTimeout(connectTimeout);
    if (link_->Open(address) != 0)
        return false;
    // The kind follows the port name whatever its letter case: a lower-case descriptor that the
    // factory accepted must also carry messages.
    kind_ = KindOf(link_->PortName());
    if (!link_->IsOpen())
        return false;
    if (kind_ == LinkKind::Client)
        return true;
    return StartReceiveThread();
}

Text LinkManager::FailureReason() const {
    if (!link_)
        return u"unknown link kind \"" + descriptor_ + u"\" (use IPC, IPS or COM)";
    Text failure = link_->LastFailure();
    return descriptor_ + u" to " + link_->Endpoint() + u": " +
           (failure.empty() ? Text(u"the link did not open") : failure);
}

void LinkManager::Close() {
    if (running_.load() || thread_.joinable())
        StopReceiveThread();
    if (link_) {
        link_->Close();
        link_.reset();
    }
}

void LinkManager::SetDeviceNumber(TextView deviceNumber) {
    std::lock_guard lock(mutex_);
    deviceNumber_ = Text(deviceNumber);
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

Text LinkManager::LastFrame() const {
    std::lock_guard lock(mutex_);
    return lastFrame_;
}

Text LinkManager::Station() const {
    std::lock_guard lock(mutex_);
    return station_;
}

void LinkManager::Interrupt() {
    interrupted_.store(true);
    // The server and serial kinds wait for their receive thread, which must go on reading until
    // the link is closed: raising the link's signal would leave it spinning on a wait that
    // returns at once.
    if (link_ && kind_ != LinkKind::Serial && kind_ != LinkKind::Server)
        link_->Interrupt();
    std::lock_guard lock(mutex_);
    messageStored_.notify_all();
}

// ---- sending ------------------------------------------------------------------------------

bool LinkManager::Send(TextView text) {
    return SendEncoded(CarriesUtf16() ? ToUtf16LeBytes(text) : EncodeData(text));
}

bool LinkManager::SendEncoded(std::string_view bytes) {
    if (!link_)
        return false;
    {
        std::lock_guard lock(mutex_);
        countAtSend_ = messageCount_;
        lostAtSend_ = peersGone_;
    }
    switch (kind_) {
        case LinkKind::Serial:
            return SendFramed(std::string(bytes));
        case LinkKind::Server:
        case LinkKind::Client:
            return SendPlain(bytes);
        default:
            return false;
    }
}

bool LinkManager::SendPlain(std::string_view bytes) {
    // A reply that came after its wait gave up must not be taken for the next one.
    std::string stale = link_->DiscardPendingInput();
    if (!stale.empty())
        TrafficTrace::Message("drop", KindCode(), stale, unicode_ != 0, false);
    bool sent = link_->Write(bytes.data(), bytes.size()) == 0;
    TrafficTrace::Message(sent ? "send" : "fail", KindCode(), bytes, unicode_ != 0, false);
    return sent;
}

bool LinkManager::SendFramed(const std::string& message) {
    std::uint8_t letter;
    std::uint8_t station;
    {
        std::lock_guard lock(mutex_);
        letter = SerialFrame::DeviceLetter(deviceNumber_);
        station = SerialFrame::StationByte(station_);
    }
    std::vector<std::string> frames = SerialFrame::BuildRequests(message, letter, station);
    {
        std::lock_guard lock(mutex_);
        sentFrames_ = frames;
    }
    bool anySent = false;
    for (const std::string& frame : frames) {
        bool sent = link_->WriteText(frame) == 0;
        TrafficTrace::Message(sent ? "send" : "fail", "COM", frame, false, true);
        anySent = anySent || sent;
    }
    return anySent;
}

// ---- receiving ----------------------------------------------------------------------------

bool LinkManager::WaitReply(int timeoutMs) {
    receiveTimeout_.store(timeoutMs);
    lastWaitEnd_.store(WaitEnd::TimedOut);
    if (!link_)
        return false;
    if (kind_ == LinkKind::Client) {
        running_.store(true);
        return ReceiveClientMessage(timeoutMs);
    }
    if (kind_ == LinkKind::Undefined)
        return false;
    return WaitStoredMessage(timeoutMs);
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

bool LinkManager::ReceiveClientMessage(int timeoutMs) {
    receiving_.store(true);
    TcpMessage message(unicode_ != 0);
    std::vector<char> buffer(kTcpReadSize);
    const std::int64_t replyEndUs = TickUs() + std::int64_t{timeoutMs} * 1000;
    bool stored = false;
    WaitEnd end = WaitEnd::TimedOut;
    while (!interrupted_.load()) {
        // Up to the reply's time limit, even while a reply keeps dripping in without falling
        // quiet; within it, to the exact end of the quiet time after the last byte.
        if (TickUs() >= replyEndUs) {
            DropUnfinished(message);
            break;
        }
        const std::int64_t deadline =
            message.HasPending() ? std::min(message.QuietEndUs(), replyEndUs) : replyEndUs;
        WaitResult waited = link_->WaitForInputUntil(deadline);
        if (waited == WaitResult::Ready) {
            std::int64_t arrivedUs = 0;
            int n = link_->ReadWithArrival(buffer.data(), buffer.size(), arrivedUs);
            if (n > 0) {
                message.Append(std::string_view(buffer.data(), n), arrivedUs);
                continue;
            }
        }
        if (waited == WaitResult::Interrupted) {
            end = WaitEnd::Interrupted;
            break;
        }
        bool quietOver = message.HasPending() && TickUs() >= message.QuietEndUs();
        bool lineGone = waited == WaitResult::Failed;
        if (quietOver || (lineGone && message.HasPending())) {
            StoreTcpMessage(message);
            stored = true;
            end = WaitEnd::Reply;
            break;
        }
        // Nothing more can come from a connection the scale closed.
        if (lineGone) {
            end = WaitEnd::LineLost;
            break;
        }
    }
    if (interrupted_.load() && !stored)
        end = WaitEnd::Interrupted;
    lastWaitEnd_.store(end);
    receiving_.store(false);
    return stored;
}

void LinkManager::DropUnfinished(TcpMessage& message) {
    if (!message.HasPending())
        return;
    Text partial = message.Take();
    if (TrafficTrace::Enabled()) {
        bool wide = unicode_ != 0;
        TrafficTrace::Message("drop", KindCode(),
                              wide ? ToUtf16LeBytes(partial) : EncodeData(partial), wide, false);
    }
}

void LinkManager::StoreTcpMessage(TcpMessage& message) {
    messageEndUs_.store(std::min(message.QuietEndUs(), TickUs()));
    Text payload = message.Take();
    // Encoding the text again for the trace costs a copy: only when someone reads the trace.
    if (TrafficTrace::Enabled()) {
        bool wide = unicode_ != 0;
        TrafficTrace::Message("recv", KindCode(),
                              wide ? ToUtf16LeBytes(payload) : EncodeData(payload), wide, false);
    }
    StoreMessage(std::move(payload));
}

void LinkManager::StoreMessage(Text payload) {
    std::lock_guard lock(mutex_);
    payload_ = std::move(payload);
    ++messageCount_;
    messageStored_.notify_all();
}

bool LinkManager::StartReceiveThread() {
    if (kind_ == LinkKind::Client) {
        running_.store(true);
        return true;
    }
    if (thread_.joinable())
        return true;
    running_.store(true);
    receiving_.store(true);
    thread_ = std::thread([this] { RunReceiveThread(); });
    return true;
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
    receiving_.store(false);
}

void LinkManager::RunReceiveThread() {
    FrameScanner scanner;
    std::vector<char> buffer(kind_ == LinkKind::Serial ? kSerialReadSize : kTcpReadSize);
    TcpMessage message(unicode_ != 0);
    std::uint64_t lostSeen = link_->ConnectionsLost();
    while (running_.load()) {
        receiving_.store(true);
        if (kind_ == LinkKind::Serial) {
            ReceiveSerialPass(scanner, buffer);
            continue;
        }
        if (std::uint64_t lost = link_->ConnectionsLost(); lost != lostSeen) {
            lostSeen = lost;
            // What the departed peer sent before leaving is its last message.
            if (message.HasPending())
                StoreTcpMessage(message);
            std::lock_guard lock(mutex_);
            peersGone_ = lost;
            messageStored_.notify_all();
        }
        WaitResult waited = message.HasPending() ? link_->WaitForInputUntil(message.QuietEndUs())
                                                 : link_->WaitForInput(kSerialReadWaitMs);
        int n = waited == WaitResult::Ready ? link_->Read(buffer.data(), buffer.size()) : 0;
        if (n > 0) {
            message.Append(std::string_view(buffer.data(), n), TickUs());
        } else if (message.HasPending() && TickUs() >= message.QuietEndUs()) {
            StoreTcpMessage(message);
        } else if (waited == WaitResult::Failed) {
            SleepMs(TcpMessage::kQuietMs);
        }
    }
    receiving_.store(false);
    std::lock_guard lock(mutex_);
    messageStored_.notify_all();
}

void LinkManager::ReceiveSerialPass(FrameScanner& scanner, std::vector<char>& buffer) {
    WaitResult waited = link_->WaitForInput(kSerialReadWaitMs);
    int n = waited == WaitResult::Ready ? link_->Read(buffer.data(), buffer.size()) : 0;
    if (n <= 0) {
        // The line fell silent in the middle of a frame: that frame will never be completed.
        if (scanner.HasPending())
            scanner.DiscardPending();
        if (waited == WaitResult::Failed)
            SleepMs(TcpMessage::kQuietMs);
        return;
    }
    for (const std::string& frame : scanner.Feed(std::string_view(buffer.data(), n))) {
        TakeSerialFrame(frame);
    }
}

void LinkManager::TakeSerialFrame(const std::string& frame) {
    std::unique_lock lock(mutex_);
    for (const std::string& sent : sentFrames_) {
        if (frame == sent) {
            lock.unlock();
            TrafficTrace::Message("drop", "COM", frame, false, true);
            return;
        }
    }
    std::optional<std::uint8_t> station =
        SerialFrame::AcceptReply(frame, SerialFrame::DeviceLetter(deviceNumber_));
    if (!station) {
        lock.unlock();
        TrafficTrace::Message("drop", "COM", frame, false, true);
        return;
    }
    messageEndUs_.store(TickUs());
    station_ = NumberText(static_cast<std::int8_t>(*station));
    lastFrame_ = DecodeData(frame);
    payload_ = lastFrame_.size() > 6 ? lastFrame_.substr(3, lastFrame_.size() - 6) : Text();
    ++messageCount_;
    messageStored_.notify_all();
    lock.unlock();
    TrafficTrace::Message("recv", "COM", frame, false, true);
}

}  // namespace dorvex
