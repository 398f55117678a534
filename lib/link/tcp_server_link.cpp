#include "link/tcp_server_link.h"

#include "link/tcp_framing.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/file_write.h"

namespace dorvex {
namespace {

// After an accept that failed for want of resources, before the next try.
constexpr int kAcceptRetryPauseMs = 20;

// "IPS:5000" listens on 5000: the parameter read as a decimal number, its low 16 bits.
std::uint16_t PortFromParameters(TextView parameters) {
    if (parameters.empty())
        return TcpServerLink::kDefaultPort;
    return static_cast<std::uint16_t>(ParseLeadingInteger(parameters) & 0xFFFF);
}

}  // namespace

TcpServerLink::TcpServerLink(TextView descriptor)
    : Link(descriptor), port_(PortFromParameters(Parameters())) {}

TcpServerLink::~TcpServerLink() = default;

std::unique_ptr<MessageFraming> TcpServerLink::NewFraming(const MessageOptions& options) const {
    return std::make_unique<TcpFraming>(kKindCode, options.unicode);
}

Result TcpServerLink::Open(TextView) {
    ClearInterrupt();
    if (StartNetworking() != 0)
        return Failure(0, NetworkStartFailedText());
    if (int error = listener_.Create(); error != 0)
        return Failure(error, u"Unable allocating socket");
    auto fail = [this](int error, const char16_t* text) {
        Result failure = Failure(error, text);
        listener_.Close();
        return failure;
    };
    if (int error = listener_.Bind(port_); error != 0)
        return fail(error, u"Unable binding socket");
    if (int error = listener_.Listen(); error != 0)
        return fail(error, u"Unable listening to the client");
    if (int error = listener_.SetNonBlocking(); error != 0)
        return fail(error, u"Unable to set socket non blocking");
    if (int error = listener_.SetNoDelay(); error != 0)
        return fail(error, u"Unable to set socket option");
    port_ = listener_.LocalPort();
    awaitingClient_.store(true);
    SetOpen(true);
    return {};
}

std::shared_ptr<TcpSocket> TcpServerLink::Client() const {
    std::lock_guard lock(clientMutex_);
    return client_;
}

bool TcpServerLink::AcceptClient() {
    int error = 0;
    TcpSocket accepted = listener_.Accept(error);
    if (error == TcpSocket::kWouldBlock) {
        // Nobody waiting after all: wait for a client here, the next Read accepts it.
        listener_.WaitReadable(kAcceptWaitMs, &Wake());
        return false;
    }
    if (!accepted.Valid() || accepted.SetNonBlocking() != 0) {
        SleepMs(kAcceptRetryPauseMs);
        return false;
    }
    // Each request leaves at once, whatever the accepted socket inherited.
    accepted.SetNoDelay();
    {
        std::lock_guard lock(clientMutex_);
        client_ = std::make_shared<TcpSocket>(std::move(accepted));
    }
    awaitingClient_.store(false);
    TrafficTrace::Event(kKindCode, u"a client connected");
    return true;
}

void TcpServerLink::DropClient() {
    {
        std::lock_guard lock(clientMutex_);
        client_.reset();
    }
    awaitingClient_.store(true);
    clientsLost_.fetch_add(1);
    TrafficTrace::Event(kKindCode, u"the client left; waiting for the next one");
}

WaitResult TcpServerLink::WaitForInput(int timeoutMs) const {
    if (awaitingClient_.load())
        return listener_.WaitReadable(timeoutMs, &Wake());
    std::shared_ptr<TcpSocket> client = Client();
    return client ? client->WaitReadable(timeoutMs, &Wake()) : WaitResult::Failed;
}

WaitResult TcpServerLink::WaitForInputUntil(std::int64_t deadlineUs) const {
    if (awaitingClient_.load())
        return Link::WaitForInputUntil(deadlineUs);
    std::shared_ptr<TcpSocket> client = Client();
    return client ? client->WaitReadableUntil(deadlineUs, &Wake()) : WaitResult::Failed;
}

int TcpServerLink::Read(char* buffer, std::size_t size) {
    if (!listener_.Valid() || size == 0)
        return 0;
    if (awaitingClient_.load() && !AcceptClient())
        return 0;
    std::shared_ptr<TcpSocket> client = Client();
    if (!client)
        return 0;
    IoResult result = client->Receive(buffer, size);
    if (result.count > 0)
        return static_cast<int>(result.count);
    // The client closed the connection, or it failed: either way it cannot be served again.
    if (!result.WouldBlock())
        DropClient();
    return 0;
}

Result TcpServerLink::Write(const char* data, std::size_t length) {
    if (length == 0)
        return {};
    std::shared_ptr<TcpSocket> client = Client();
    if (!client)
        return Result::Failure(u"no scale is connected to " + Endpoint());
    std::size_t sent = 0;
    while (sent < length) {
        if (client->WaitWritable(kWriteWaitMs, &Wake()) != WaitResult::Ready)
            return Result::Failure(u"the scale took no data for " + NumberText(kWriteWaitMs) +
                                   u" ms");
        IoResult result = client->Send(data + sent, length - sent);
        if (result.error != 0 && !result.WouldBlock())
            return Result::Failure(u"sending failed (" + SystemErrorText(result.error) + u")");
        sent += static_cast<std::size_t>(result.count);
    }
    return {};
}

Result TcpServerLink::Close() {
    listener_.Close();
    {
        std::lock_guard lock(clientMutex_);
        client_.reset();
    }
    awaitingClient_.store(false);
    SetOpen(false);
    StopNetworking();
    return {};
}

}  // namespace dorvex
