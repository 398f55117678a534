#include "platform/serial_port.h"

#include <windows.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/windows/windows_handles.h"

namespace dorvex {
namespace {

// The modem lines SetModemLine switches, through the port settings' control modes.
constexpr int kRtsLine = 1;
constexpr int kDtrLine = 2;
// How long a drain waits for the transmitter before it gives up.
constexpr std::int64_t kDrainLimitMs = 2000;
// A write may take twice its time on the line (ten bits a byte) plus this, then it has failed.
constexpr DWORD kWriteSlackMs = 2000;

std::wstring WideName(const std::string& device) {
    int size =
        MultiByteToWideChar(CP_ACP, 0, device.data(), static_cast<int>(device.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, device.data(), static_cast<int>(device.size()), out.data(),
                        size);
    return out;
}

int LastError() {
    return static_cast<int>(GetLastError());
}

}  // namespace

SerialPort::~SerialPort() {
    Close();
}

// COM1 to COM9 have names of their own; from COM10 on only the device namespace reaches them.
std::string SerialPort::DeviceFor(int number) {
    std::string variable = "DORVEX_COM" + std::to_string(number);
    if (const char* device = std::getenv(variable.c_str()); device != nullptr && *device != '\0')
        return device;
    std::string name = "COM" + std::to_string(number);
    return number >= 10 ? "\\\\.\\" + name : name;
}

int SerialPort::Open(const std::string& device) {
    Close();
    // No sharing: a port another program holds is refused, and nobody opens ours meanwhile.
    HANDLE handle = CreateFileW(WideName(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastError();
    PortHandle opened(HandleToInt(handle));
    if (GetFileType(handle) != FILE_TYPE_CHAR)
        return ERROR_BAD_DEVICE;
    handle_ = std::move(opened);
    exclusive_ = true;
    return 0;
}

int SerialPort::Close() {
    exclusive_ = false;
    return handle_.Close();
}

int SerialPort::ApplyLineSettings(int baud) {
    const HANDLE handle = IntToHandle(handle_.Native());
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    if (!GetCommState(handle, &settings))
        return LastError();
    const DWORD previousBaud = settings.BaudRate;
    settings.BaudRate = static_cast<DWORD>(baud);
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = FALSE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fNull = FALSE;
    settings.fAbortOnError = FALSE;
    settings.fRtsControl = RTS_CONTROL_DISABLE;
    if (SetCommState(handle, &settings))
        return 0;
    // A speed the port refuses: the other settings still apply, at the speed it had.
    int error = LastError();
    settings.BaudRate = previousBaud;
    SetCommState(handle, &settings);
    return error != 0 ? error : ERROR_INVALID_PARAMETER;
}

// Reads return at once with what has arrived; a write that the line cannot take in twice its
// own time fails instead of blocking the sender for good.
int SerialPort::ApplyReadTiming() {
    const HANDLE handle = IntToHandle(handle_.Native());
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    COMMTIMEOUTS timeouts{};
    if (!GetCommState(handle, &settings) || !GetCommTimeouts(handle, &timeouts))
        return LastError();
    const DWORD baud = settings.BaudRate > 0 ? settings.BaudRate : 9600;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 1 + 20000 / baud;
    timeouts.WriteTotalTimeoutConstant = kWriteSlackMs;
    if (!SetCommTimeouts(handle, &timeouts))
        return LastError();
    // Waits for input watch for received characters.
    if (!SetCommMask(handle, EV_RXCHAR))
        return LastError();
    return 0;
}

// RS485 here is switched around each write through the port's RTS control mode.
bool SerialPort::EnableKernelRs485(int) {
    return false;
}

int SerialPort::SetModemLine(int line, bool on) {
    const HANDLE handle = IntToHandle(handle_.Native());
    DCB settings{};
    settings.DCBlength = sizeof(settings);
    if (!GetCommState(handle, &settings))
        return LastError();
    if (line == kRtsLine)
        settings.fRtsControl = on ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    else
        settings.fDtrControl = on ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    return SetCommState(handle, &settings) ? 0 : LastError();
}

int SerialPort::SetRts(bool on) {
    return SetModemLine(kRtsLine, on);
}

int SerialPort::SetDtr(bool on) {
    return SetModemLine(kDtrLine, on);
}

int SerialPort::WriteAll(const char* data, std::size_t length) {
    return handle_.WriteAll(data, length);
}

// The driver's buffers first, then its output queue: the last byte has left when both are
// empty. (A wait for EV_TXEMPTY would collide with the receive thread's wait for input.)
int SerialPort::Drain() {
    const HANDLE handle = IntToHandle(handle_.Native());
    if (!FlushFileBuffers(handle))
        return LastError();
    const std::int64_t limit = TickMs() + kDrainLimitMs;
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle, &errors, &status))
            return LastError();
        if (status.cbOutQue == 0)
            return 0;
        if (TickMs() >= limit)
            return ERROR_TIMEOUT;
        SleepMs(1);
    }
}

}  // namespace dorvex
