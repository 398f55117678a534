#include "platform/calendar.h"

namespace dorvex {

std::tm UtcCalendar(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    return utc;
}

}  // namespace dorvex
