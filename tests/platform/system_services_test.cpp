// Paths, the module's own place, UTC calendar fields, the process number and the error
// display, as each platform provides them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/calendar.h"
#include "platform/error_display.h"
#include "platform/module_path.h"
#include "platform/path.h"
#include "platform/process_id.h"
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

TEST(ModulePath, NamesThisProgramAndItsDirectory) {
    // The internals are linked into the test program, so the module is the program itself.
    const Text path = ModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_NE(path.find(u"dorvex_platform_tests"), Text::npos);
    const Text directory = ModuleDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_TRUE(IsPathSeparator(directory.back()));
    EXPECT_EQ(directory + BaseName(path), path);
}

TEST(Calendar, UtcFieldsWhateverTheLocalZone) {
    // 2024-02-29 23:05:09 UTC was a Thursday.
    std::tm utc = UtcCalendar(1709247909);
    EXPECT_EQ(utc.tm_year + 1900, 2024);
    EXPECT_EQ(utc.tm_mon + 1, 2);
    EXPECT_EQ(utc.tm_mday, 29);
    EXPECT_EQ(utc.tm_hour, 23);
    EXPECT_EQ(utc.tm_min, 5);
    EXPECT_EQ(utc.tm_sec, 9);
    EXPECT_EQ(utc.tm_wday, 4);
}

TEST(ProcessId, IsPositiveAndStable) {
    EXPECT_GT(ProcessId(), 0);
    EXPECT_EQ(ProcessId(), ProcessId());
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
