#include "platform/clock.h"

#include <chrono>

namespace dorvex {

std::int64_t TickMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t TickUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepMs(std::int64_t milliseconds) {
    if (milliseconds > 0)
        SleepUntilUs(TickUs() + milliseconds * 1000);
}

}  // namespace dorvex
