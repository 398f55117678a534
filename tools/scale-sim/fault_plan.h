// Which faults a request meets, decided by its sequence number (counted over the whole run).
#pragma once

#include <cstdint>

#include "sim_options.h"

namespace dorvex::sim {

enum class ReplyKind { Answer, Drop, Error, Unknown };

struct ReplyPlan {
    ReplyKind kind = ReplyKind::Answer;
    int delayMs = 0;
    int pieces = 1;
    int gapMs = 0;
    bool badChecksum = false;
    bool wrongDevice = false;
};

class FaultPlan {
  public:
    explicit FaultPlan(const SimOptions& options) : options_(options) {}
    ReplyPlan For(std::int64_t sequence) const;

  private:
    const SimOptions& options_;
};

}  // namespace dorvex::sim
