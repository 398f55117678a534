#include "link/serial_framing.h"

#include "platform/code_page.h"

namespace dorvex {

SerialFraming::SerialFraming(std::string_view kindCode, const MessageOptions& options)
    : MessageFraming(kindCode, false, true, kReadSize),
      deviceNumber_(options.deviceNumber),
      station_(options.station) {}

void SerialFraming::SetDeviceNumber(TextView deviceNumber) {
    std::lock_guard lock(mutex_);
    deviceNumber_ = Text(deviceNumber);
}

std::vector<std::string> SerialFraming::Frame(std::string_view message) {
    std::lock_guard lock(mutex_);
    sentFrames_ = SerialFrame::BuildRequests(message, SerialFrame::DeviceLetter(deviceNumber_),
                                             SerialFrame::StationByte(station_));
    return sentFrames_;
}

std::vector<MessageFraming::Message> SerialFraming::Take(std::string_view bytes,
                                                         std::int64_t arrivedUs) {
    std::vector<Message> messages;
    for (const std::string& frame : scanner_.Feed(bytes)) {
        if (std::optional<Message> message = Accept(frame, arrivedUs))
            messages.push_back(std::move(*message));
    }
    return messages;
}

std::optional<MessageFraming::Message> SerialFraming::Accept(const std::string& frame,
                                                             std::int64_t arrivedUs) {
    std::unique_lock lock(mutex_);
    bool echo = false;
    for (const std::string& sent : sentFrames_)
        echo = echo || frame == sent;
    std::optional<std::uint8_t> station =
        echo ? std::nullopt
             : SerialFrame::AcceptReply(frame, SerialFrame::DeviceLetter(deviceNumber_));
    if (station)
        station_ = NumberText(static_cast<std::int8_t>(*station));
    lock.unlock();
    Trace(station ? "recv" : "drop", frame);
    if (!station)
        return std::nullopt;
    return Message{DecodeData(SerialFrame::TextOf(frame)), arrivedUs};
}

std::optional<MessageFraming::Message> SerialFraming::TakeOnSilence(std::int64_t) {
    scanner_.DiscardPending();
    return std::nullopt;
}

// An unfinished frame is no message, whoever left.
std::optional<MessageFraming::Message> SerialFraming::TakePending() {
    scanner_.DiscardPending();
    return std::nullopt;
}

void SerialFraming::DropPending() {
    scanner_.DiscardPending();
}

}  // namespace dorvex
