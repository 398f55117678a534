#pragma once

#include <optional>

namespace dorvex::panel {

// Decides when the log mentions a reply that is still awaited: once per whole minute of the
// wait, whatever the status polls' rate, so that a whole-table read waiting for hours says
// so every minute without filling the log.
class ReplyWaitLog {
  public:
    static constexpr int kIntervalMilliseconds = 60000;

    // Fed with every poll; the milliseconds waited when this poll should be logged.
    std::optional<int> Observe(bool waiting, int waitedMilliseconds);

  private:
    int loggedIntervals_ = 0;
    int lastWaited_ = 0;
};

}  // namespace dorvex::panel
