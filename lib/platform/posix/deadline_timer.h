// A timer descriptor of the calling thread that becomes readable at an absolute time of the
// steady clock. Polled together with other descriptors it ends a wait at its deadline without
// the slack that a poll timeout is given, and with microseconds instead of milliseconds.
#pragma once

#include <cstdint>

namespace dorvex {

class DeadlineTimer {
  public:
    // A thread runs some tens of microseconds after its timer fires (more on a virtual
    // machine): waits that must end at their deadline set the timer this much earlier and
    // spend the rest on the processor, looking at the time.
    static constexpr std::int64_t kWakeAheadUs = 100;

    // The calling thread's timer (made at its first use, closed when the thread ends).
    static DeadlineTimer& ForThisThread();

    DeadlineTimer();
    ~DeadlineTimer();
    DeadlineTimer(const DeadlineTimer&) = delete;
    DeadlineTimer& operator=(const DeadlineTimer&) = delete;

    bool Usable() const { return fd_ >= 0; }
    int PollHandle() const { return fd_; }
    // Makes the descriptor readable at deadlineUs of TickUs(); false when it cannot.
    bool Arm(std::int64_t deadlineUs);

  private:
    int fd_ = -1;
};

}  // namespace dorvex
