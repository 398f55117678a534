#include "link/serial_frame.h"

#include <algorithm>

namespace dorvex {
namespace {

std::uint8_t Byte(std::string_view bytes, std::size_t i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

std::string_view UpToZero(std::string_view bytes) {
    return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

}  // namespace

std::uint8_t SerialFrame::DeviceLetter(TextView deviceNumber) {
    return static_cast<std::uint8_t>(0x60 + ParseLeadingInteger(deviceNumber));
}

std::uint8_t SerialFrame::StationByte(TextView station) {
    // Read with its sign: a reply's station byte 0x9C is kept as "-100" and must give 0x9C back.
    return static_cast<std::uint8_t>(ParseLeadingInteger(station) & 0xFF);
}

std::string SerialFrame::Checksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (char c : body)
        sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
    return {static_cast<char>(0x30 + (sum >> 4)), static_cast<char>(0x30 + (sum & 0x0F))};
}

std::string SerialFrame::Build(std::uint8_t first, std::uint8_t second, std::string_view text) {
    std::string body;
    body.reserve(text.size() + 2);
    body.push_back(static_cast<char>(first));
    body.push_back(static_cast<char>(second));
    body.append(text);
    body.resize(UpToZero(body).size());
    std::string frame;
    frame.reserve(text.size() + 6);
    frame.push_back(kStx);
    if (body.size() < 4) {
        frame.append(UpToZero(text));
    } else {
        frame.append(body);
        frame.append(Checksum(body));
    }
    frame.push_back(kEtx);
    return frame;
}

std::vector<std::string> SerialFrame::BuildRequests(std::string_view message,
                                                    std::uint8_t deviceLetter,
                                                    std::uint8_t station) {
    message = UpToZero(message);
    std::vector<std::string> frames;
    std::size_t offset = 0;
    do {
        std::string_view piece = message.substr(offset, kMaxText);
        frames.push_back(Build(deviceLetter, station, piece));
        offset += piece.size();
    } while (offset < message.size());
    return frames;
}

bool SerialFrame::ChecksumHolds(std::string_view frame) {
    if (frame.size() < 4)
        return false;
    std::string_view body = frame.substr(1, frame.size() - 4);
    char high = frame[frame.size() - 3];
    char low = frame[frame.size() - 2];
    if (high == ' ' && low == ' ')
        return true;
    std::string expected = Checksum(body);
    return high == expected[0] && low == expected[1];
}

std::optional<std::uint8_t> SerialFrame::AcceptReply(std::string_view frame,
                                                     std::uint8_t deviceLetter) {
    if (frame.size() < 3 || Byte(frame, 2) != deviceLetter)
        return std::nullopt;
    if (!ChecksumHolds(frame))
        return std::nullopt;
    return Byte(frame, 1);
}

bool SerialFrame::AcceptRequest(std::string_view frame, std::uint8_t deviceLetter) {
    return frame.size() >= 2 && Byte(frame, 1) == deviceLetter && ChecksumHolds(frame);
}

std::string_view SerialFrame::TextOf(std::string_view frame) {
    if (frame.size() <= 6)
        return {};
    return frame.substr(3, frame.size() - 6);
}

std::vector<std::string> FrameScanner::Feed(std::string_view input) {
    std::vector<std::string> frames;
    for (char c : input) {
        if (c == SerialFrame::kStx) {
            pending_.assign(1, c);
            inFrame_ = true;
        } else if (inFrame_) {
            pending_.push_back(c);
            if (c == SerialFrame::kEtx) {
                frames.push_back(std::move(pending_));
                pending_.clear();
                inFrame_ = false;
            } else if (pending_.size() > SerialFrame::kMaxFrame) {
                DiscardPending();
            }
        }
    }
    return frames;
}

}  // namespace dorvex
