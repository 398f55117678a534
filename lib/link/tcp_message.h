// Collects the pieces of one TCP message. The scale sends no terminator: a message is complete
// when the line has been quiet for kQuietMs after its last byte. A scale that sends without end
// must not exhaust memory, so a message is capped; an overflowing one is replaced by an error
// reply that the transfer reports like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace dorvex {

class TcpMessage {
  public:
    static constexpr int kQuietMs = 20;
    static constexpr std::int64_t kQuietUs = std::int64_t{kQuietMs} * 1000;
    static constexpr std::size_t kMaxBytes = 16u << 20;

    explicit TcpMessage(bool unicode) : unicode_(unicode) {}

    // `nowUs`: when the bytes arrived, in microseconds of TickUs().
    void Append(std::string_view bytes, std::int64_t nowUs);
    bool HasPending() const { return received_ > 0; }
    // When the quiet time after the last byte ends, to the microsecond.
    std::int64_t QuietEndUs() const { return lastByteUs_ + kQuietUs; }
    // The joined text: UTF-16LE or data code page; a zero character ends it. Resets.
    Text Take();

  private:
    bool unicode_;
    std::string bytes_;
    std::size_t received_ = 0;
    bool overflowed_ = false;
    std::int64_t lastByteUs_ = 0;
};

}  // namespace dorvex
