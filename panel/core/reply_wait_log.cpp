#include "reply_wait_log.h"

namespace dorvex::panel {

std::optional<int> ReplyWaitLog::Observe(bool waiting, int waitedMilliseconds) {
    if (!waiting || waitedMilliseconds < lastWaited_) {
        // No wait, or the next request's wait has begun.
        loggedIntervals_ = 0;
    }
    lastWaited_ = waiting ? waitedMilliseconds : 0;
    if (!waiting) {
        return std::nullopt;
    }
    const int intervals = waitedMilliseconds / kIntervalMilliseconds;
    if (intervals <= loggedIntervals_) {
        return std::nullopt;
    }
    loggedIntervals_ = intervals;
    return waitedMilliseconds;
}

}  // namespace dorvex::panel
