#include "platform/calendar.h"

namespace dorvex {

std::tm UtcCalendar(std::time_t when) {
    std::tm utc{};
    gmtime_s(&utc, &when);
    return utc;
}

}  // namespace dorvex
