// One request through the scale: numbered, logged, checked against the fault plan, executed,
// and turned into the reply text to send (if any) with its timing.
#pragma once

#include <cstdint>
#include <optional>

#include "fault_plan.h"
#include "request_interpreter.h"
#include "request_log.h"
#include "sim_options.h"

namespace dorvex::sim {

struct ServiceReply {
    std::int64_t sequence = 0;
    ReplyPlan plan;
    std::optional<Text> text;  // nothing: no reply
};

class ScaleService {
  public:
    ScaleService(const SimOptions& options, RequestInterpreter& interpreter, RequestLog& log);
    ServiceReply Handle(TextView request);

  private:
    const SimOptions& options_;
    RequestInterpreter& interpreter_;
    RequestLog& log_;
    FaultPlan faults_;
    std::int64_t sequence_ = 0;
};

}  // namespace dorvex::sim
