// How one link kind carries messages on its byte stream: what goes on the wire for a message,
// how incoming bytes are cut into messages, and when an unfinished one ends or is given up.
// The link manager runs the same send and receive loops for every kind and leaves these
// decisions to the framing its link chose (see Link::NewFraming).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace dorvex {

// What the caller opened the link with, for the framings that need it.
struct MessageOptions {
    Text deviceNumber;
    Text station;  // the address argument: the serial station number, a host for TCP
    bool unicode = false;
};

class MessageFraming {
  public:
    struct Message {
        Text payload;
        std::int64_t endUs = 0;  // when it was complete, in microseconds of TickUs()
    };

    virtual ~MessageFraming() = default;
    MessageFraming(const MessageFraming&) = delete;
    MessageFraming& operator=(const MessageFraming&) = delete;

    // The pieces to write, one write each, for a message already in the link's encoding.
    virtual std::vector<std::string> Frame(std::string_view message) = 0;
    // Bytes read from the link, arrived at arrivedUs: the messages they complete.
    virtual std::vector<Message> Take(std::string_view bytes, std::int64_t arrivedUs) = 0;
    // When the message being collected ends without further bytes; none when nothing is
    // pending or when only the bytes themselves can end it.
    virtual std::optional<std::int64_t> PendingEndUs() const = 0;
    // A wait for input brought nothing: the pending message if that ends it by nowUs.
    virtual std::optional<Message> TakeOnSilence(std::int64_t nowUs) = 0;
    // The peer is gone: whatever it sent that can still stand as a message.
    virtual std::optional<Message> TakePending() = 0;
    // Gives up an unfinished message (the wait for it is over), noting it in the trace.
    virtual void DropPending() = 0;
    // A new device number for the messages to come, for framings that carry it.
    virtual void SetDeviceNumber(TextView) {}

    // True when messages travel as UTF-16LE, false for the data code page.
    bool CarriesUtf16() const { return wide_; }
    // How many bytes one read may bring.
    std::size_t ReadSize() const { return readSize_; }
    // A line of the traffic trace about bytes of this link ("send", "recv", "drop", ...).
    void Trace(std::string_view direction, std::string_view bytes) const;

  protected:
    MessageFraming(std::string_view kindCode, bool wide, bool showsFrames, std::size_t readSize)
        : kindCode_(kindCode), wide_(wide), showsFrames_(showsFrames), readSize_(readSize) {}
    // The trace line of a message already decoded, encoded back only when the trace is on.
    void TraceText(std::string_view direction, const Text& text) const;

  private:
    std::string kindCode_;
    bool wide_;
    bool showsFrames_;
    std::size_t readSize_;
};

}  // namespace dorvex
