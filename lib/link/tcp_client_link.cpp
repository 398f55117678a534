#include "link/tcp_client_link.h"

#include "link/tcp_framing.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_write.h"

namespace dorvex {
namespace {

Text ErrorText(const char16_t* prefix, int code) {
    return Text(prefix) + NumberText(code);
}

// "IPC:5120" selects port 5120; no parameter, or one that is not a port, keeps 1120.
std::uint16_t PortFromParameters(TextView parameters, std::uint16_t fallback) {
    std::int64_t port = ParseLeadingInteger(parameters);
    return (port > 0 && port <= 65535) ? static_cast<std::uint16_t>(port) : fallback;
}

}  // namespace

TcpClientLink::TcpClientLink(TextView descriptor)
    : Link(descriptor), port_(PortFromParameters(Parameters(), kScalePort)) {}

TcpClientLink::~TcpClientLink() {
    socket_.Close();
}

std::unique_ptr<MessageFraming> TcpClientLink::NewFraming(const MessageOptions& options) const {
    return std::make_unique<TcpFraming>(kKindCode, options.unicode);
}

Result TcpClientLink::Open(TextView address) {
    SplitHostAndPort(address);
    if (StartNetworking() != 0)
        return Failure(0, NetworkStartFailedText());
    ClearInterrupt();
    if (Result connected = Connect(); !connected)
        return connected;
    SetOpen(true);
    return {};
}

Result TcpClientLink::Connect() {
    connected_.store(false);
    if (int error = socket_.Create(); error != 0)
        return Failure(error, u"Unable allocating socket");
    auto fail = [this](Result failure) {
        socket_.Close();
        return failure;
    };
    std::uint32_t address = 0;
    if (int error = TcpSocket::Resolve(ToUtf8(host_), address); error != 0)
        return fail(Failure(error, ErrorText(u"Unable to get the host name. Error: ", error)));
    if (int error = socket_.SetNonBlocking(); error != 0)
        return fail(Failure(error, u"Unable to set socket non blocking"));
    int error = 0;
    WaitResult waited = socket_.Connect(address, port_, ConnectTimeout(), &Wake(), error);
    if (waited == WaitResult::TimedOut) {
        ShowError(TcpSocket::kTimedOut, ConnectTimedOutText());
        return fail(Result::Failure(u"connecting timed out after " + NumberText(ConnectTimeout()) +
                                    u" ms"));
    }
    if (waited == WaitResult::Ready && error != 0)
        return fail(Failure(error, ErrorText(u"Connecting to the server failed. Error: ", error)));
    // Interrupted, or the wait itself failed: the caller words it.
    if (waited != WaitResult::Ready)
        return fail(Result::Failure({}));
    // Requests and replies are small: send each at once.
    socket_.SetNoDelay();
    socket_.RecordArrivalTimes();  // without it, the time of each read stands for the arrival
    connected_.store(true);
    return {};
}

// "host:port" selects the port as well (IPv4 hosts only, so a colon is never part of a host).
void TcpClientLink::SplitHostAndPort(TextView address) {
    std::size_t colon = address.rfind(u':');
    host_ = Text(address.substr(0, colon));
    if (colon != TextView::npos)
        port_ = PortFromParameters(address.substr(colon + 1), port_);
}

Result TcpClientLink::Reconnect() {
    TrafficTrace::Event(kKindCode, u"the scale closed the connection; connecting again");
    Result connected = Connect();
    TrafficTrace::Event(kKindCode, connected ? u"connected again" : u"connecting again failed");
    return connected;
}

int TcpClientLink::Read(char* buffer, std::size_t size) {
    std::int64_t arrivedUs = 0;
    return ReadWithArrival(buffer, size, arrivedUs);
}

// The quiet time that ends a message counts from when its last byte arrived, not from when a
// busy thread got round to reading it.
int TcpClientLink::ReadWithArrival(char* buffer, std::size_t size, std::int64_t& arrivedUs) {
    arrivedUs = TickUs();
    if (!socket_.Valid() || size == 0)
        return 0;
    IoResult result = socket_.Receive(buffer, size, arrivedUs);
    if (result.count > 0)
        return static_cast<int>(result.count);
    if (result.error == 0) {
        MarkClosedByPeer();
        return 0;
    }
    if (result.WouldBlock())
        return 0;
    MarkClosedByPeer();
    ShowError(result.error, ErrorText(u"No data is received, recv failed. Error: ", result.error));
    return 0;
}

WaitResult TcpClientLink::WaitForInput(int timeoutMs) const {
    if (!socket_.Valid() || !connected_.load())
        return WaitResult::Failed;
    return socket_.WaitReadable(timeoutMs, &Wake());
}

WaitResult TcpClientLink::WaitForInputUntil(std::int64_t deadlineUs) const {
    if (!socket_.Valid() || !connected_.load())
        return WaitResult::Failed;
    return socket_.WaitReadableUntil(deadlineUs, &Wake());
}

std::string TcpClientLink::DiscardPendingInput() {
    std::string dropped;
    char buffer[4096];
    while (socket_.Valid() && connected_.load()) {
        IoResult result = socket_.Receive(buffer, sizeof(buffer));
        if (result.count > 0) {
            dropped.append(buffer, static_cast<std::size_t>(result.count));
        } else {
            if (!result.WouldBlock())
                MarkClosedByPeer();
            break;
        }
    }
    return dropped;
}

Result TcpClientLink::Write(const char* data, std::size_t length) {
    if (length == 0)
        return {};
    if (!IsOpen())
        return Result::Failure({});
    if (!connected_.load()) {
        if (Result connected = Reconnect(); !connected)
            return connected;
    }
    Result sent = SendAll(data, length);
    // The scale may have closed the connection after our last look: one new connect, then
    // the whole message once more, provided no byte of it left.
    if (sent || connected_.load())
        return sent;
    if (Result connected = Reconnect(); !connected)
        return connected.Reason().empty() ? sent : connected;
    return SendAll(data, length);
}

Result TcpClientLink::SendAll(const char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        if (socket_.WaitWritable(kWriteWaitMs, &Wake()) != WaitResult::Ready)
            return Result::Failure(u"the scale took no data for " + NumberText(kWriteWaitMs) +
                                   u" ms");
        IoResult result = socket_.Send(data + sent, length - sent);
        if (result.error != 0 && !result.WouldBlock()) {
            if (sent == 0)
                MarkClosedByPeer();
            return Result::Failure(u"sending failed (" + SystemErrorText(result.error) + u")");
        }
        sent += static_cast<std::size_t>(result.count);
    }
    return {};
}

Result TcpClientLink::Close() {
    socket_.Close();
    connected_.store(false);
    SetOpen(false);
    StopNetworking();
    return {};
}

}  // namespace dorvex
