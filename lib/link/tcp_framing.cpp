#include "link/tcp_framing.h"

#include <algorithm>

#include "platform/clock.h"

namespace dorvex {

TcpFraming::TcpFraming(std::string_view kindCode, bool unicode)
    : MessageFraming(kindCode, unicode, false, kReadSize), message_(unicode) {}

std::vector<std::string> TcpFraming::Frame(std::string_view message) {
    return {std::string(message)};
}

std::vector<MessageFraming::Message> TcpFraming::Take(std::string_view bytes,
                                                      std::int64_t arrivedUs) {
    message_.Append(bytes, arrivedUs);
    return {};
}

std::optional<std::int64_t> TcpFraming::PendingEndUs() const {
    if (!message_.HasPending())
        return std::nullopt;
    return message_.QuietEndUs();
}

std::optional<MessageFraming::Message> TcpFraming::TakeOnSilence(std::int64_t nowUs) {
    if (!message_.HasPending() || nowUs < message_.QuietEndUs())
        return std::nullopt;
    return Complete();
}

std::optional<MessageFraming::Message> TcpFraming::TakePending() {
    if (!message_.HasPending())
        return std::nullopt;
    return Complete();
}

void TcpFraming::DropPending() {
    if (message_.HasPending())
        TraceText("drop", message_.Take());
}

// The end of the quiet time, not the moment a busy thread noticed it.
MessageFraming::Message TcpFraming::Complete() {
    Message message;
    message.endUs = std::min(message_.QuietEndUs(), TickUs());
    message.payload = message_.Take();
    TraceText("recv", message.payload);
    return message;
}

}  // namespace dorvex
