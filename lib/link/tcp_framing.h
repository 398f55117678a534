// Messages as the TCP kinds carry them: plain text without terminator, in the data code page
// or UTF-16LE. A message is complete once the line has been quiet for the quiet time after its
// last byte (see TcpMessage).
#pragma once

#include "link/message_framing.h"
#include "link/tcp_message.h"

namespace dorvex {

class TcpFraming final : public MessageFraming {
  public:
    static constexpr std::size_t kReadSize = 50000 - 1;

    TcpFraming(std::string_view kindCode, bool unicode);

    std::vector<std::string> Frame(std::string_view message) override;
    std::vector<Message> Take(std::string_view bytes, std::int64_t arrivedUs) override;
    std::optional<std::int64_t> PendingEndUs() const override;
    std::optional<Message> TakeOnSilence(std::int64_t nowUs) override;
    std::optional<Message> TakePending() override;
    void DropPending() override;

  private:
    Message Complete();

    TcpMessage message_;
};

}  // namespace dorvex
