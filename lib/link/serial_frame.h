// The serial frame: STX, two address bytes, the message text, two checksum characters, ETX.
// A request carries (device letter, station byte); a reply carries (station byte, device
// letter). These are pure functions so that both ends of the line, and tests, share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace dorvex {

class SerialFrame {
  public:
    static constexpr char kStx = 0x02;
    static constexpr char kEtx = 0x03;
    // Longest text in one frame, and the frame it makes (text plus six bytes).
    static constexpr std::size_t kMaxText = 65528;
    static constexpr std::size_t kMaxFrame = kMaxText + 6;

    // The low 8 bits of 0x60 + the device number (device 1 gives 'a').
    static std::uint8_t DeviceLetter(TextView deviceNumber);
    // The low 8 bits of the station number; text that is not a number gives 0.
    static std::uint8_t StationByte(TextView station);

    // Two characters 0x30 + high nibble, 0x30 + low nibble of the 8-bit sum of `body`.
    static std::string Checksum(std::string_view body);

    // One frame around `text`. The body (first, second, text) ends at its first zero byte;
    // a body shorter than 4 bytes gives just STX, text, ETX.
    static std::string Build(std::uint8_t first, std::uint8_t second, std::string_view text);

    // The request frames for an 8-bit message: pieces of at most kMaxText bytes, the last one
    // shorter; an empty message is one empty piece. The message ends at its first zero byte.
    static std::vector<std::string> BuildRequests(std::string_view message,
                                                  std::uint8_t deviceLetter, std::uint8_t station);

    // Accepts a closed reply frame addressed to `deviceLetter` (byte at offset 2) whose
    // checksum is right or two spaces. Returns the station byte at offset 1 on success.
    static std::optional<std::uint8_t> AcceptReply(std::string_view frame,
                                                   std::uint8_t deviceLetter);
    // The same check for a request frame seen by the scale: device letter at offset 1.
    static bool AcceptRequest(std::string_view frame, std::uint8_t deviceLetter);
    static bool ChecksumHolds(std::string_view frame);

    // The text of a frame: without its first three and last three bytes, or empty when the
    // frame is 6 bytes or shorter.
    static std::string_view TextOf(std::string_view frame);
};

// Cuts a byte stream into frames: bytes outside a frame are skipped up to STX, a frame runs
// from STX to ETX inclusive, a new STX restarts the frame being collected. An unfinished frame
// stays pending between reads; it is bounded, so a line that never sends ETX cannot grow
// memory without end.
class FrameScanner {
  public:
    // Scans `input` and returns the frames it closes, in order.
    std::vector<std::string> Feed(std::string_view input);
    // Drops an unfinished frame (the line fell silent in the middle of it).
    void DiscardPending() { pending_.clear(), inFrame_ = false; }
    bool HasPending() const { return inFrame_; }

  private:
    std::string pending_;
    bool inFrame_ = false;
};

}  // namespace dorvex
