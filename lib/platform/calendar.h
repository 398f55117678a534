// Calendar fields of a moment, in UTC, safe to call from any thread.
#pragma once

#include <ctime>

namespace dorvex {

std::tm UtcCalendar(std::time_t when);

}  // namespace dorvex
