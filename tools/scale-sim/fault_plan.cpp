#include "fault_plan.h"

namespace dorvex::sim {
namespace {

bool Hits(std::int64_t sequence, int nth) {
    return nth > 0 && sequence % nth == 0;
}

}  // namespace

ReplyPlan FaultPlan::For(std::int64_t sequence) const {
    ReplyPlan plan;
    // A dropped request needs no other fault; an unknown reply wins over an error reply.
    if (Hits(sequence, options_.dropNth))
        plan.kind = ReplyKind::Drop;
    else if (Hits(sequence, options_.unknownNth))
        plan.kind = ReplyKind::Unknown;
    else if (Hits(sequence, options_.errorNth))
        plan.kind = ReplyKind::Error;
    plan.delayMs = options_.delayMs + (Hits(sequence, options_.lateNth) ? options_.lateMs : 0);
    if (options_.splitPieces > 1 && Hits(sequence, options_.splitNth)) {
        plan.pieces = options_.splitPieces;
        plan.gapMs = options_.splitGapMs;
    }
    plan.badChecksum = Hits(sequence, options_.badChecksumNth);
    plan.wrongDevice = Hits(sequence, options_.wrongDeviceNth);
    return plan;
}

}  // namespace dorvex::sim
