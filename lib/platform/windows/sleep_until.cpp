#include <windows.h>

#include "platform/clock.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace dorvex {
namespace {

// A high-resolution waitable timer of the calling thread where Windows has one (10 and later);
// elsewhere Sleep, in whole milliseconds of the system tick.
class ThreadTimer {
  public:
    ThreadTimer()
        : handle_(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS)) {}
    ~ThreadTimer() {
        if (handle_ != nullptr)
            CloseHandle(handle_);
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    bool WaitFor(std::int64_t microseconds) {
        if (handle_ == nullptr)
            return false;
        LARGE_INTEGER due;
        due.QuadPart = -microseconds * 10;  // relative, in 100 ns
        return SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE) &&
               WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
    }

  private:
    HANDLE handle_;
};

}  // namespace

void SleepUntilUs(std::int64_t deadlineUs) {
    thread_local ThreadTimer timer;
    for (std::int64_t left = deadlineUs - TickUs(); left > 0; left = deadlineUs - TickUs()) {
        if (!timer.WaitFor(left))
            Sleep(static_cast<DWORD>((left + 999) / 1000));
    }
}

}  // namespace dorvex
