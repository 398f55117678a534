// A signal that wakes a thread blocked in a socket or port wait, so that every wait can be
// interrupted when a link is closed or a transfer stopped.
#pragma once

#include <atomic>

namespace dorvex {

class WakeSignal {
  public:
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Raises the signal: current and later waits return at once until Reset.
    void Raise();
    void Reset();
    bool IsRaised() const { return raised_.load(); }
    // The descriptor a poll watches for reading; -1 where the platform has none.
    int PollHandle() const { return fd_; }

  private:
    int fd_ = -1;
    std::atomic<bool> raised_{false};
};

}  // namespace dorvex
