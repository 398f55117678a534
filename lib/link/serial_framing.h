// Messages as the serial kind carries them: each one in frames of SerialFrame, addressed to the
// device letter and the station. A reply's station addresses the next request; a frame that
// is our own request echoed by the bus, or that is for another device or damaged, is dropped.
// Requests go out on the worker's thread while replies are taken on the receive thread.
#pragma once

#include <mutex>

#include "link/message_framing.h"
#include "link/serial_frame.h"

namespace dorvex {

class SerialFraming final : public MessageFraming {
  public:
    static constexpr std::size_t kReadSize = 500 - 1;

    SerialFraming(std::string_view kindCode, const MessageOptions& options);

    std::vector<std::string> Frame(std::string_view message) override;
    std::vector<Message> Take(std::string_view bytes, std::int64_t arrivedUs) override;
    // Frames end at their ETX only.
    std::optional<std::int64_t> PendingEndUs() const override { return std::nullopt; }
    // The line fell silent in the middle of a frame: that frame will never be completed.
    std::optional<Message> TakeOnSilence(std::int64_t nowUs) override;
    std::optional<Message> TakePending() override;
    void DropPending() override;
    void SetDeviceNumber(TextView deviceNumber) override;

  private:
    std::optional<Message> Accept(const std::string& frame, std::int64_t arrivedUs);

    FrameScanner scanner_;      // the receive side's only
    mutable std::mutex mutex_;  // guards the texts below
    Text deviceNumber_;
    Text station_;
    std::vector<std::string> sentFrames_;  // to recognise our own request echoed by the bus
};

}  // namespace dorvex
