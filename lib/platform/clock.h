// A steady clock in milliseconds and microseconds, and pauses that are part of the system's
// behaviour. Pauses end at their deadline as exactly as the system allows: a 10 ms pause is
// 10.0 ms, not 10 ms plus a rounding or a timer's slack.
#pragma once

#include <cstdint>

namespace dorvex {

// Milliseconds since an arbitrary start, never going backwards.
std::int64_t TickMs();
// Microseconds of the same clock.
std::int64_t TickUs();
void SleepMs(std::int64_t milliseconds);
// Returns once TickUs() has reached deadlineUs (at once when it has already).
void SleepUntilUs(std::int64_t deadlineUs);

}  // namespace dorvex
