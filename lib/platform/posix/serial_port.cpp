#include "platform/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace dorvex {
namespace {

bool SpeedFor(int baud, speed_t& speed) {
    struct Rate {
        int baud;
        speed_t speed;
    };
    static constexpr Rate kRates[] = {
        {50, B50},         {75, B75},         {110, B110},        {134, B134},
        {150, B150},       {200, B200},       {300, B300},        {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},      {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},    {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800},  {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}};
    for (const Rate& rate : kRates) {
        if (rate.baud == baud) {
            speed = rate.speed;
            return true;
        }
    }
    return false;
}

int Ioctl(int fd, unsigned long request, void* argument) {
    int rc;
    do {
        rc = ioctl(fd, request, argument);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

}  // namespace

SerialPort::~SerialPort() {
    Close();
}

std::string SerialPort::DeviceFor(int number) {
    std::string variable = "DORVEX_COM" + std::to_string(number);
    if (const char* device = std::getenv(variable.c_str()); device != nullptr && *device != '\0')
        return device;
    return "/dev/ttyS" + std::to_string(number - 1);
}

int SerialPort::Open(const std::string& device) {
    Close();
    PortHandle handle(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!handle.Valid())
        return errno;
    if (!isatty(handle.Native()))
        return ENOTTY;
    // The advisory lock refuses a second opener even where the exclusive mode does not (for
    // the superuser); the exclusive mode keeps out programs that do not lock.
    if (flock(handle.Native(), LOCK_EX | LOCK_NB) < 0)
        return errno;
    if (int error = Ioctl(handle.Native(), TIOCEXCL, nullptr); error != 0)
        return error;
    handle_ = std::move(handle);
    exclusive_ = true;
    return 0;
}

int SerialPort::Close() {
    if (!handle_.Valid())
        return 0;
    if (exclusive_)
        Ioctl(handle_.Native(), TIOCNXCL, nullptr);
    exclusive_ = false;
    return handle_.Close();
}

int SerialPort::ApplyLineSettings(int baud) {
    termios settings{};
    if (tcgetattr(handle_.Native(), &settings) < 0)
        return errno;
    cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    speed_t speed = B0;
    bool known = SpeedFor(baud, speed);
    if (known)
        cfsetspeed(&settings, speed);
    if (tcsetattr(handle_.Native(), TCSANOW, &settings) < 0)
        return errno;
    return known ? 0 : EINVAL;
}

int SerialPort::ApplyReadTiming() {
    termios settings{};
    if (tcgetattr(handle_.Native(), &settings) < 0)
        return errno;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(handle_.Native(), TCSANOW, &settings) < 0 ? errno : 0;
}

bool SerialPort::EnableKernelRs485(int delayAfterMs) {
    serial_rs485 wanted{};
    if (Ioctl(handle_.Native(), TIOCGRS485, &wanted) != 0)
        return false;
    wanted.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    wanted.flags &= ~SER_RS485_RTS_AFTER_SEND;
    wanted.delay_rts_before_send = 0;
    wanted.delay_rts_after_send = static_cast<__u32>(delayAfterMs);
    if (Ioctl(handle_.Native(), TIOCSRS485, &wanted) != 0)
        return false;
    // The driver clears what it does not support: only the full mode will do.
    serial_rs485 granted{};
    constexpr __u32 kNeeded = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    if (Ioctl(handle_.Native(), TIOCGRS485, &granted) == 0 &&
        (granted.flags & (kNeeded | SER_RS485_RTS_AFTER_SEND)) == kNeeded) {
        return true;
    }
    serial_rs485 off{};
    Ioctl(handle_.Native(), TIOCSRS485, &off);
    return false;
}

int SerialPort::SetModemLine(int line, bool on) {
    return Ioctl(handle_.Native(), on ? TIOCMBIS : TIOCMBIC, &line);
}

int SerialPort::SetRts(bool on) {
    return SetModemLine(TIOCM_RTS, on);
}

int SerialPort::SetDtr(bool on) {
    return SetModemLine(TIOCM_DTR, on);
}

int SerialPort::WriteAll(const char* data, std::size_t length) {
    return handle_.WriteAll(data, length);
}

int SerialPort::Drain() {
    int rc;
    do {
        rc = tcdrain(handle_.Native());
    } while (rc < 0 && errno == EINTR);
    return rc < 0 ? errno : 0;
}

}  // namespace dorvex
