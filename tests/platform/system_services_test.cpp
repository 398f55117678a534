// Paths, the clocks and pauses, serial port names and the error display, as each platform
// provides them (the module's own place is where the exports' tests find error.log).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/error_display.h"
#include "platform/path.h"
#include "platform/serial_port.h"

namespace dorvex {
namespace {

bool WindowsPaths() {
    return kPathSeparator == u'\\';
}

TEST(Paths, JoinAndSplitWithThePlatformSeparators) {
    EXPECT_TRUE(IsPathSeparator(u'/'));
    EXPECT_EQ(IsPathSeparator(u'\\'), WindowsPaths());
    EXPECT_EQ(JoinPath(u"in", u"a_w.csv"), Text(u"in") + kPathSeparator + u"a_w.csv");
    EXPECT_EQ(JoinPath(u"in/", u"a_w.csv"), u"in/a_w.csv");
    EXPECT_EQ(BaseName(u"x/y/prices_w.csv"), u"prices_w.csv");
    EXPECT_EQ(DirectoryWithSeparator(u"x/y/prices_w.csv"), u"x/y/");
    if (WindowsPaths()) {
        EXPECT_EQ(BaseName(u"C:\\data\\in/prices_w.csv"), u"prices_w.csv");
        EXPECT_EQ(BaseName(u"C:\\data\\prices_w.csv"), u"prices_w.csv");
        EXPECT_EQ(DirectoryWithSeparator(u"C:\\data\\prices_w.csv"), u"C:\\data\\");
        EXPECT_EQ(JoinPath(u"C:\\data\\", u"a.csv"), u"C:\\data\\a.csv");
    }
    EXPECT_EQ(FileSystemPath(u"dir/plain.csv"), "dir/plain.csv");
}

// Wide upper bounds only: the machine may be busy.
constexpr std::int64_t kLateUs = 1000000;

TEST(Clock, PausesEndAtTheirDeadlineNeverBefore) {
    for (std::int64_t pauseUs : {0, 1500, 10000, 20250}) {
        const std::int64_t deadline = TickUs() + pauseUs;
        SleepUntilUs(deadline);
        const std::int64_t now = TickUs();
        EXPECT_GE(now, deadline) << pauseUs;
        EXPECT_LT(now - deadline, kLateUs) << pauseUs;
    }
    const std::int64_t start = TickUs();
    SleepMs(10);
    EXPECT_GE(TickUs() - start, 10000);
    SleepUntilUs(start - 5000);  // a deadline in the past returns at once
    SleepMs(-3);
    EXPECT_LT(TickUs() - start, kLateUs);
}

TEST(SerialPortNames, PortsFromTenOnUseTheDeviceNamespaceOnWindows) {
    if (WindowsPaths()) {
        EXPECT_EQ(SerialPort::DeviceFor(3), "COM3");
        EXPECT_EQ(SerialPort::DeviceFor(10), "\\\\.\\COM10");
        EXPECT_EQ(SerialPort::DeviceFor(27), "\\\\.\\COM27");
    } else {
        EXPECT_EQ(SerialPort::DeviceFor(10), "/dev/ttyS9");
    }
}

TEST(SerialPortNames, APortThatDoesNotExistIsRefused) {
    SerialPort port;
    EXPECT_NE(port.Open(SerialPort::DeviceFor(250)), 0);
    EXPECT_FALSE(port.Valid());
    EXPECT_EQ(port.Close(), 0);
}

struct Shown {
    std::vector<std::string> lines;
    static void Collect(const char* title, const char* text, void* context) {
        static_cast<Shown*>(context)->lines.push_back(std::string(title) + "|" + text);
    }
};

TEST(ErrorDisplay, AnInstalledHandlerGetsTitleAndTextInUtf8) {
    Shown shown;
    SetErrorDisplayHandler(&Shown::Collect, &shown);
    ShowErrorMessage(u"Error", u"Unable to read from the port\n(error code 5) \u00E9");
    SetErrorDisplayHandler(nullptr, nullptr);
    ASSERT_EQ(shown.lines.size(), 1u);
    EXPECT_EQ(shown.lines[0], "Error|Unable to read from the port\n(error code 5) \xC3\xA9");
}

}  // namespace
}  // namespace dorvex
