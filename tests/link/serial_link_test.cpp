#include "link/serial_link.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>

#include "platform/clock.h"
#include "pty_scale.h"
#include "shown_errors.h"
#include "support/scoped_environment.h"

namespace dorvex {
namespace {

using Mode = SerialLink::LineMode;

TEST(SerialLinkTest, DescriptorChoosesLineAndSpeed) {
    struct Case {
        const char16_t* descriptor;
        Mode mode;
        int baud;
    };
    const Case cases[] = {
        {u"COM1:9600|RS485", Mode::Rs485, 9600}, {u"COM3:19200", Mode::Normal, 19200},
        {u"COM1:|RS485", Mode::Rs485, 9600},     {u"COM1:9600|rs485", Mode::Normal, 9600},
        {u"COM1", Mode::Normal, 9600},           {u" COM2 : 4800 |RS485", Mode::Rs485, 4800},
    };
    for (const Case& c : cases) {
        SerialLink link(c.descriptor);
        EXPECT_EQ(link.Mode(), c.mode) << ToUtf8(c.descriptor);
        EXPECT_EQ(link.Baud(), c.baud) << ToUtf8(c.descriptor);
    }
    EXPECT_EQ(SerialLink::PortNumber(u"COM1:"), 1);
    EXPECT_EQ(SerialLink::PortNumber(u"com12:"), 12);
    EXPECT_EQ(SerialLink::PortNumber(u"COM:"), 0);
    EXPECT_EQ(SerialLink::PortNumber(u"COMA:"), 0);
}

TEST(SerialLinkTest, OpenSetsRawLineAtTheGivenSpeed) {
    test::PtyScale scale(41);
    ASSERT_TRUE(scale.Valid());
    SerialLink link(u"COM41:19200");
    ASSERT_TRUE(link.Open(u"1"));
    EXPECT_TRUE(link.IsOpen());
    termios settings{};
    ASSERT_EQ(tcgetattr(scale.SlaveFd(), &settings), 0);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B19200));
    EXPECT_TRUE(link.Close());
}

TEST(SerialLinkTest, PortThatCannotBeOpenedOrIsHeldFailsSilently) {
    test::ShownErrors shown;
    {
        test::ScopedEnvironment port("DORVEX_COM42", "/nonexistent/tty");
        SerialLink missing(u"COM42:9600");
        missing.SetDisplayErrors(true);
        EXPECT_FALSE(missing.Open(u"1"));
        EXPECT_TRUE(missing.Close());
    }

    test::PtyScale scale(43);
    ASSERT_TRUE(scale.Valid());
    SerialLink first(u"COM43:9600");
    SerialLink second(u"COM43:9600");
    second.SetDisplayErrors(true);
    ASSERT_TRUE(first.Open(u"1"));
    EXPECT_FALSE(second.Open(u"1"));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(first.Close());
    EXPECT_TRUE(second.Open(u"1")) << "the port is free again once closed";
    EXPECT_TRUE(shown.Texts().empty());
}

TEST(SerialLinkTest, ReadReturnsWhatArrivedOrNothingAfterItsWait) {
    test::PtyScale scale(44);
    ASSERT_TRUE(scale.Valid());
    SerialLink link(u"COM44:9600");
    ASSERT_TRUE(link.Open(u"1"));
    char buffer[500];
    std::int64_t start = TickMs();
    EXPECT_EQ(link.Read(buffer, sizeof(buffer)), 0);
    std::int64_t waited = TickMs() - start;
    EXPECT_GE(waited, SerialLink::kReadWaitMs - 20);
    EXPECT_LT(waited, 2000);

    scale.Send(std::string("\x02\x01\x61\x80\xFF\r\n", 7));
    SleepMs(50);
    ASSERT_EQ(link.Read(buffer, sizeof(buffer)), 7);
    EXPECT_EQ(std::string(buffer, 7), std::string("\x02\x01\x61\x80\xFF\r\n", 7));
}

TEST(SerialLinkTest, WritesReachTheLineUnchangedOnBothLineModes) {
    test::PtyScale scale(45);
    ASSERT_TRUE(scale.Valid());
    const std::string bytes("\x02\x61\x01\x80\xFE\n\r\x03", 8);
    for (const char16_t* descriptor : {u"COM45:9600", u"COM45:9600|RS485"}) {
        SerialLink link(descriptor);
        ASSERT_TRUE(link.Open(u"1"));
        // A pseudo-terminal has no RS485 mode: RTS is switched by hand (and has no effect).
        EXPECT_FALSE(link.KernelRs485());
        EXPECT_TRUE(link.Write(bytes.data(), bytes.size()));
        EXPECT_EQ(scale.Receive(2000), bytes) << ToUtf8(descriptor);
        EXPECT_TRUE(link.Close());
    }
}

TEST(SerialLinkTest, FullSizeFrameOnTheBusIsFollowedByAPause) {
    test::PtyScale scale(46);
    ASSERT_TRUE(scale.Valid());
    SerialLink link(u"COM46:115200|RS485");
    ASSERT_TRUE(link.Open(u"1"));
    std::string received;
    std::thread reader([&] { received = scale.Receive(5000, 300); });
    std::int64_t start = TickMs();
    const std::string frame(SerialLink::kFullFrame, 'x');
    EXPECT_TRUE(link.Write(frame.data(), frame.size()));
    EXPECT_GE(TickMs() - start, SerialLink::kFullFramePauseMs);
    reader.join();
    EXPECT_EQ(received.size(), SerialLink::kFullFrame);
}

TEST(SerialLinkTest, FailedWriteOnTheBusIsReportedAsFailure) {
    test::ShownErrors shown;
    test::PtyScale scale(47);
    ASSERT_TRUE(scale.Valid());
    SerialLink link(u"COM47:9600|RS485");
    link.SetDisplayErrors(true);
    ASSERT_TRUE(link.Open(u"1"));
    scale.CloseMaster();
    EXPECT_EQ(link.Write("\x02request\x03", 9).Reason().rfind(u"Unable to write to the port (", 0),
              0u);
    ASSERT_FALSE(shown.Texts().empty());
    EXPECT_EQ(shown.Texts().front().rfind("Unable to write to the port\n(error code ", 0), 0u);
}

}  // namespace
}  // namespace dorvex
