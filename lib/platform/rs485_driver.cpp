#include "platform/rs485_driver.h"

#include <thread>

namespace dorvex {
namespace {

void HoldFor(std::chrono::microseconds hold) {
    const auto until = std::chrono::steady_clock::now() + hold;
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}

}  // namespace

int TransmitOnBus(Rs485Driver& driver, std::string_view bytes, std::chrono::microseconds hold) {
    driver.SetRts(true);
    int error = driver.WriteAll(bytes.data(), bytes.size());
    if (error == 0) {
        driver.Drain();
        HoldFor(hold);
    }
    driver.SetRts(false);
    return error;
}

}  // namespace dorvex
