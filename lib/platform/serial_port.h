// A serial port on the system's terminal interface: opened for this process alone, raw 8 data
// bits, no parity, one stop bit, no flow control, non-blocking, with the modem lines and the
// kernel's RS485 mode at hand.
#pragma once

#include <cstddef>
#include <string>

#include "platform/port_handle.h"
#include "platform/rs485_driver.h"
#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {

class SerialPort final : public Rs485Driver {
  public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The device that the port COM`number` stands for: the environment variable
    // DORVEX_COM`number` when set, else the platform's device for that port.
    static std::string DeviceFor(int number);

    // Opens `device`; a port that another opener holds is refused. 0 or the error code.
    int Open(const std::string& device);
    bool Valid() const { return handle_.Valid(); }
    // 0, or the error code of a failed close (the port is released either way).
    int Close();

    // Raw 8N1 without flow control. A speed the port does not know keeps the speed it had and
    // gives EINVAL after the other settings are applied. 0 or the error code.
    int ApplyLineSettings(int baud);
    // Reads return at once with what has arrived; waiting is WaitReadable's. 0 or the error code.
    int ApplyReadTiming();
    // The kernel's RS485 mode: RTS on while sending, off `delayAfterMs` after the last byte.
    // True only when the driver, read back, reports exactly that; otherwise the mode is off.
    bool EnableKernelRs485(int delayAfterMs);

    int SetRts(bool on) override;
    int SetDtr(bool on);
    int WriteAll(const char* data, std::size_t length) override;
    int Drain() override;

    IoResult Read(char* buffer, std::size_t size) { return handle_.Read(buffer, size); }
    WaitResult WaitReadable(int timeoutMs, const WakeSignal* wake) const {
        return handle_.WaitReadable(timeoutMs, wake);
    }

  private:
    int SetModemLine(int line, bool on);

    PortHandle handle_;
    bool exclusive_ = false;
};

}  // namespace dorvex
