// The line driver of a two-wire RS485 bus. The transceiver transmits while RTS is on, so a
// sender switches RTS on, writes, waits until the last bit has left the transmitter, holds a
// moment and switches RTS off before the far end starts to answer. The steps sit behind this
// interface so that their order can be checked without a real port.
#pragma once

#include <chrono>
#include <cstddef>
#include <string_view>

namespace dorvex {

class Rs485Driver {
  public:
    virtual ~Rs485Driver() = default;

    // Each returns 0 or the error code.
    virtual int SetRts(bool on) = 0;
    virtual int WriteAll(const char* data, std::size_t length) = 0;
    // Waits until every written byte has left the transmitter.
    virtual int Drain() = 0;
};

// RTS on, write, drain, hold, RTS off; RTS is released at once when the write fails. The hold
// is a busy wait: a sleep may overshoot it by several times and the far end may answer by then.
// RTS switching that the port refuses (a pseudo-terminal has no modem lines) is not an error.
// Returns 0 or the write's error code.
int TransmitOnBus(Rs485Driver& driver, std::string_view bytes, std::chrono::microseconds hold);

}  // namespace dorvex
