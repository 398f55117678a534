// Waits and pauses that end at a deadline of the microsecond clock: never before it, and a
// wait whose deadline has passed still reports what is ready.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"
#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {
namespace {

// Wide upper bounds only: the machine may be busy.
constexpr std::int64_t kLateUs = 1000000;

TEST(DeadlineWait, TheMicrosecondClockAgreesWithTheMillisecondOne) {
    const std::int64_t ms = TickMs();
    const std::int64_t us = TickUs();
    EXPECT_GE(us / 1000, ms);
    EXPECT_LT(us / 1000 - ms, 1000);
}

TEST(DeadlineWait, PausesEndAtTheirDeadlineNeverBefore) {
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

class SocketDeadline : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(StartNetworking(), 0);
        TcpSocket listener;
        ASSERT_EQ(listener.Create(), 0);
        ASSERT_EQ(listener.Bind(0, true), 0);
        ASSERT_EQ(listener.Listen(), 0);
        ASSERT_EQ(client_.Create(), 0);
        ASSERT_EQ(client_.SetNonBlocking(), 0);
        std::uint32_t loopback = 0;
        ASSERT_EQ(TcpSocket::Resolve("127.0.0.1", loopback), 0);
        int error = -1;
        ASSERT_EQ(client_.Connect(loopback, listener.LocalPort(), 2000, nullptr, error),
                  WaitResult::Ready);
        ASSERT_EQ(listener.WaitReadable(2000, nullptr), WaitResult::Ready);
        server_ = listener.Accept(error);
        ASSERT_TRUE(server_.Valid()) << error;
    }
    void TearDown() override {
        client_.Close();
        server_.Close();
        StopNetworking();
    }

    TcpSocket client_;
    TcpSocket server_;
};

TEST_F(SocketDeadline, AQuietSocketTimesOutAtTheDeadline) {
    const std::int64_t deadline = TickUs() + 20000;
    EXPECT_EQ(server_.WaitReadableUntil(deadline, nullptr), WaitResult::TimedOut);
    EXPECT_GE(TickUs(), deadline);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() - 1000, nullptr), WaitResult::TimedOut);
}

TEST_F(SocketDeadline, InputIsReportedAlsoPastTheDeadlineAndAWakeInterrupts) {
    ASSERT_EQ(client_.Send("x", 1).count, 1);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() + kLateUs, nullptr), WaitResult::Ready);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() - 1000, nullptr), WaitResult::Ready);

    char byte = 0;
    ASSERT_EQ(server_.Receive(&byte, 1).count, 1);
    WakeSignal wake;
    wake.Raise();
    const std::int64_t start = TickUs();
    EXPECT_EQ(server_.WaitReadableUntil(start + 10 * kLateUs, &wake), WaitResult::Interrupted);
    EXPECT_LT(TickUs() - start, kLateUs);
}

// Bytes read late still tell when they arrived, where the system keeps that time. The system
// may start noting arrivals a moment after it is asked to: a few tries are allowed.
TEST_F(SocketDeadline, ReadsTellWhenTheBytesArrived) {
    if (server_.RecordArrivalTimes() != 0)
        GTEST_SKIP() << "no arrival times on this system";
    int noted = 0;
    for (int attempt = 0; attempt < 5 && noted == 0; ++attempt) {
        ASSERT_EQ(client_.Send("ab", 2).count, 2);
        const std::int64_t sent = TickUs();
        SleepMs(30);
        char bytes[4] = {};
        std::int64_t arrived = 0;
        ASSERT_EQ(server_.Receive(bytes, sizeof(bytes), arrived).count, 2);
        const std::int64_t read = TickUs();
        EXPECT_LE(arrived, read);
        if (read - arrived >= 20000) {
            ++noted;
            EXPECT_LT(std::abs(arrived - sent), 10000);
        }
    }
    EXPECT_EQ(noted, 1) << "no read told when its bytes arrived";
}

}  // namespace
}  // namespace dorvex
