#include "link/serial_link.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "link/serial_framing.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"

namespace dorvex {
namespace {

// A port that fails at once (an adapter pulled out) must not spin the receive loop.
constexpr int kFailedReadPauseMs = 20;

}  // namespace

SerialLink::SerialLink(TextView descriptor) : Link(descriptor) {
    ReadParameters(Parameters());
}

SerialLink::~SerialLink() = default;

// "baud|mode": the baud text is trimmed when a mode follows; a missing or empty baud keeps
// 9600; only "RS485", with this letter case, selects the bus.
void SerialLink::ReadParameters(TextView parameters) {
    if (parameters.empty())
        return;
    std::size_t bar = parameters.find(u'|');
    TextView baudText = parameters;
    TextView modeText;
    if (bar != TextView::npos) {
        baudText = TrimView(parameters.substr(0, bar));
        modeText = parameters.substr(bar + 1);
    }
    if (!baudText.empty())
        baud_ = static_cast<int>(std::clamp<std::int64_t>(ParseLeadingInteger(baudText), 0,
                                                          std::numeric_limits<int>::max()));
    mode_ = modeText == u"RS485" ? LineMode::Rs485 : LineMode::Normal;
}

int SerialLink::PortNumber(TextView portName) {
    TextView name = TrimView(portName);
    if (!name.empty() && name.back() == u':')
        name = TrimView(name.substr(0, name.size() - 1));
    if (name.size() < 4 || !EqualsNoCase(name.substr(0, 3), u"COM"))
        return 0;
    int number = 0;
    for (char16_t c : name.substr(3)) {
        if (c < u'0' || c > u'9' || number > 9999)
            return 0;
        number = number * 10 + (c - u'0');
    }
    return number;
}

bool SerialLink::KernelRs485Wanted() const {
    // Some USB adapters misbehave once asked for RS485 mode: DORVEX_RS485_IOCTL=0 keeps to RTS
    // switching by hand.
    const char* setting = std::getenv("DORVEX_RS485_IOCTL");
    return setting == nullptr || std::string_view(setting) != "0";
}

Result SerialLink::Open(TextView) {
    ClearInterrupt();
    int number = PortNumber(PortName());
    if (number <= 0 || port_.Open(SerialPort::DeviceFor(number)) != 0)
        return Result::Failure({});
    // A speed the port refuses leaves it at its own, as the line settings were never
    // reported; the trace says so for whoever looks into a silent line.
    if (port_.ApplyLineSettings(baud_) != 0)
        TrafficTrace::Event(kKindCode, u"the port refused the line settings");
    // The line rests with RTS off (listening) and DTR off; a port without modem lines has
    // nothing to switch.
    port_.SetDtr(false);
    port_.SetRts(false);
    if (int error = port_.ApplyReadTiming(); error != 0) {
        Result failure = Failure(error, u"Unable to set the time-out parameters");
        port_.Close();
        return failure;
    }
    if (mode_ == LineMode::Rs485)
        kernelRs485_ =
            KernelRs485Wanted() && port_.EnableKernelRs485(static_cast<int>(kRtsHold.count()));
    readFailing_ = false;
    SetOpen(true);
    return {};
}

std::unique_ptr<MessageFraming> SerialLink::NewFraming(const MessageOptions& options) const {
    return std::make_unique<SerialFraming>(kKindCode, options);
}

WaitResult SerialLink::WaitForInput(int timeoutMs) const {
    return port_.WaitReadable(timeoutMs, &Wake());
}

int SerialLink::Read(char* buffer, std::size_t size) {
    if (!port_.Valid() || size == 0)
        return 0;
    if (port_.WaitReadable(kReadWaitMs, &Wake()) != WaitResult::Ready)
        return 0;
    IoResult result = port_.Read(buffer, size);
    if (result.count > 0) {
        readFailing_ = false;
        return static_cast<int>(result.count);
    }
    if (result.WouldBlock())
        return 0;
    // Readable with nothing to read, or an error: the line is gone. Shown once per spell.
    if (!readFailing_ && result.error != 0)
        ShowError(result.error, u"Unable to read from the port");
    readFailing_ = true;
    SleepMs(kFailedReadPauseMs);
    return 0;
}

Result SerialLink::Write(const char* data, std::size_t length) {
    std::string_view bytes(data, length);
    return mode_ == LineMode::Rs485 ? WriteOnBus(bytes) : WriteOnLine(bytes);
}

Result SerialLink::WriteOnLine(std::string_view bytes) {
    if (!port_.Valid())
        return Result::Failure({});
    int error;
    {
        std::lock_guard lock(writeMutex_);
        error = port_.WriteAll(bytes.data(), bytes.size());
    }
    if (error != 0)
        return Failure(error, u"Unable to write to the port");
    return {};
}

// A failed write is reported as a failure, not as success: the engine then logs the message
// as not sent instead of waiting for a reply that cannot come.
Result SerialLink::WriteOnBus(std::string_view bytes) {
    if (!port_.Valid())
        return Result::Failure({});
    int error;
    {
        std::lock_guard lock(writeMutex_);
        error = kernelRs485_ ? port_.WriteAll(bytes.data(), bytes.size())
                             : TransmitOnBus(port_, bytes, kRtsHold);
    }
    if (error != 0)
        return Failure(error, u"Unable to write to the port");
    if (bytes.size() >= kFullFrame)
        SleepMs(kFullFramePauseMs);
    return {};
}

Result SerialLink::Close() {
    int error = port_.Close();
    SetOpen(false);
    if (error != 0)
        return Failure(error, u"Unable to close the port");
    return {};
}

}  // namespace dorvex
