// Milliseconds of a steady clock and pauses that are part of the system's behaviour.
#pragma once

#include <cstdint>

namespace dorvex {

// Milliseconds since an arbitrary start, never going backwards.
std::int64_t TickMs();
void SleepMs(std::int64_t milliseconds);

}  // namespace dorvex
