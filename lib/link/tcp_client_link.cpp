#include "link/tcp_client_link.h"

#include "link/tcp_framing.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/file_write.h"

namespace dorvex {
namespace {

constexpr int kFailure = 6;

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

int TcpClientLink::Open(TextView address) {
    SplitHostAndPort(address);
    if (StartNetworking() != 0) {
        ShowError(0, NetworkStartFailedText());
        return kFailure;
    }
    ClearInterrupt();
    if (Connect() != 0)
        return kFailure;
    SetOpen(true);
    return 0;
}

int TcpClientLink::Connect() {
    connected_.store(false);
    if (int error = socket_.Create(); error != 0) {
        ShowError(error, u"Unable allocating socket");
        return kFailure;
    }
    std::uint32_t address = 0;
    if (int error = TcpSocket::Resolve(ToUtf8(host_), address); error != 0) {
        ShowError(error, ErrorText(u"Unable to get the host name. Error: ", error));
        socket_.Close();
        return kFailure;
    }
    if (int error = socket_.SetNonBlocking(); error != 0) {
        ShowError(error, u"Unable to set socket non blocking");
        socket_.Close();
        return kFailure;
    }
    int error = 0;
    WaitResult waited = socket_.Connect(address, port_, ConnectTimeout(), &Wake(), error);
    if (waited == WaitResult::TimedOut) {
        ShowError(TcpSocket::kTimedOut, ConnectTimedOutText());
        NoteFailure(u"connecting timed out after " + NumberText(ConnectTimeout()) + u" ms");
    } else if (waited == WaitResult::Ready && error != 0) {
        ShowError(error, ErrorText(u"Connecting to the server failed. Error: ", error));
    }
    if (waited != WaitResult::Ready || error != 0) {
        socket_.Close();
        return kFailure;
    }
    // Requests and replies are small: send each at once.
    socket_.SetNoDelay();
    socket_.RecordArrivalTimes();  // without it, the time of each read stands for the arrival
    connected_.store(true);
    return 0;
}

// "host:port" selects the port as well (IPv4 hosts only, so a colon is never part of a host).
void TcpClientLink::SplitHostAndPort(TextView address) {
    std::size_t colon = address.rfind(u':');
    host_ = Text(address.substr(0, colon));
    if (colon != TextView::npos)
        port_ = PortFromParameters(address.substr(colon + 1), port_);
}

bool TcpClientLink::Reconnect() {
    TrafficTrace::Event(kKindCode, u"the scale closed the connection; connecting again");
    bool ok = Connect() == 0;
    TrafficTrace::Event(kKindCode, ok ? u"connected again" : u"connecting again failed");
    return ok;
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

int TcpClientLink::Write(const char* data, std::size_t length) {
    if (length == 0)
        return 0;
    if (!IsOpen())
        return kFailure;
    if (!connected_.load() && !Reconnect())
        return kFailure;
    if (SendAll(data, length) == 0)
        return 0;
    // The scale may have closed the connection after our last look: one new connect, then
    // the whole message once more, provided no byte of it left.
    if (connected_.load() || !Reconnect())
        return kFailure;
    return SendAll(data, length);
}

int TcpClientLink::SendAll(const char* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        if (socket_.WaitWritable(kWriteWaitMs, &Wake()) != WaitResult::Ready) {
            NoteFailure(u"the scale took no data for " + NumberText(kWriteWaitMs) + u" ms");
            return kFailure;
        }
        IoResult result = socket_.Send(data + sent, length - sent);
        if (result.error != 0 && !result.WouldBlock()) {
            if (sent == 0)
                MarkClosedByPeer();
            NoteFailure(u"sending failed (" + SystemErrorText(result.error) + u")");
            return kFailure;
        }
        sent += static_cast<std::size_t>(result.count);
    }
    return 0;
}

int TcpClientLink::Close() {
    socket_.Close();
    connected_.store(false);
    SetOpen(false);
    StopNetworking();
    return 0;
}

}  // namespace dorvex
