// The scale on a serial line: answers the frames addressed to its device letter with frames
// that carry its station byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/serial_frame.h"
#include "outgoing_queue.h"
#include "scale_service.h"
#include "sim_options.h"
#include "unique_fd.h"

namespace dorvex::sim {

class SerialRole {
  public:
    SerialRole(const SimOptions& options, ScaleService& service);
    int Run();

  private:
    bool OpenLine();
    bool OpenPseudoTerminal();
    void HandleFrame(std::string_view frame, std::int64_t nowMs);
    std::string ReplyFrame(const Text& text, const ReplyPlan& plan) const;
    void QueueReply(const std::string& frame, const ReplyPlan& plan, std::int64_t dueMs);

    const SimOptions& options_;
    ScaleService& service_;
    std::uint8_t deviceLetter_;
    UniqueFd line_;
    // The far side of a pseudo-terminal we created, held open so that the line does not hang
    // up while the library has not opened it yet or between its opens.
    UniqueFd farSide_;
    std::string linePath_;
    FrameScanner scanner_;
    OutgoingQueue output_;
};

}  // namespace dorvex::sim
