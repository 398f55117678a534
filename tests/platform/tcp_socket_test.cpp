// Loopback sockets through the platform layer: connect, accept, send and receive, refused
// connects, waits that a wake signal interrupts and waits that end at a deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {
namespace {

// Wide upper bounds only: the machine may be busy.
constexpr std::int64_t kLateUs = 1000000;

std::uint32_t Loopback() {
    std::uint32_t address = 0;
    EXPECT_EQ(TcpSocket::Resolve("127.0.0.1", address), 0);
    return address;
}

class TcpSocketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(StartNetworking(), 0);
        ASSERT_EQ(listener_.Create(), 0);
        ASSERT_EQ(listener_.Bind(0, true), 0);
        ASSERT_EQ(listener_.Listen(), 0);
        ASSERT_EQ(listener_.SetNonBlocking(), 0);
        port_ = listener_.LocalPort();
        ASSERT_NE(port_, 0);
        ASSERT_EQ(client_.Create(), 0);
        ASSERT_EQ(client_.SetNonBlocking(), 0);
    }
    void TearDown() override {
        client_.Close();
        server_.Close();
        StopNetworking();
    }

    // Connects the client and accepts it as the server end.
    void Connect() {
        int error = -1;
        ASSERT_EQ(client_.Connect(Loopback(), port_, 2000, nullptr, error), WaitResult::Ready);
        EXPECT_EQ(error, 0);
        ASSERT_EQ(listener_.WaitReadable(2000, nullptr), WaitResult::Ready);
        server_ = listener_.Accept(error);
        ASSERT_TRUE(server_.Valid()) << error;
        ASSERT_EQ(server_.SetNonBlocking(), 0);
    }

    TcpSocket listener_;
    TcpSocket client_;
    TcpSocket server_;
    std::uint16_t port_ = 0;
};

TEST_F(TcpSocketTest, ConnectAcceptAndExchangeBothWays) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    char buffer[64] = {};
    EXPECT_TRUE(server_.Receive(buffer, sizeof(buffer)).WouldBlock());
    EXPECT_EQ(server_.WaitReadable(50, nullptr), WaitResult::TimedOut);

    ASSERT_EQ(client_.WaitWritable(2000, nullptr), WaitResult::Ready);
    EXPECT_EQ(client_.Send("<idt m=\"r\">", 11).count, 11);
    ASSERT_EQ(server_.WaitReadable(2000, nullptr), WaitResult::Ready);
    IoResult got = server_.Receive(buffer, sizeof(buffer));
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got.count)), "<idt m=\"r\">");

    EXPECT_EQ(server_.Send("ok", 2).count, 2);
    ASSERT_EQ(client_.WaitReadable(2000, nullptr), WaitResult::Ready);
    EXPECT_EQ(client_.Receive(buffer, sizeof(buffer)).count, 2);

    // The peer's close reads as zero bytes without an error.
    server_.Close();
    ASSERT_EQ(client_.WaitReadable(2000, nullptr), WaitResult::Ready);
    IoResult closed = client_.Receive(buffer, sizeof(buffer));
    EXPECT_EQ(closed.count, 0);
    EXPECT_EQ(closed.error, 0);
}

TEST_F(TcpSocketTest, NobodyToAcceptIsWouldBlockAndARefusedConnectCompletesWithAnError) {
    int error = 0;
    EXPECT_FALSE(listener_.Accept(error).Valid());
    EXPECT_EQ(error, TcpSocket::kWouldBlock);
    listener_.Close();  // nothing listens on the port any more
    EXPECT_EQ(client_.Connect(Loopback(), port_, 5000, nullptr, error), WaitResult::Ready);
    EXPECT_NE(error, 0);
}

TEST_F(TcpSocketTest, ARaisedWakeSignalEndsAWaitAtOnceUntilReset) {
    WakeSignal wake;
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        wake.Raise();
    });
    const std::int64_t start = TickUs();
    EXPECT_EQ(listener_.WaitReadable(10000, &wake), WaitResult::Interrupted);
    raiser.join();
    EXPECT_LT(TickUs() - start, 5 * kLateUs);
    EXPECT_EQ(listener_.WaitReadable(10000, &wake), WaitResult::Interrupted);
    EXPECT_EQ(listener_.WaitReadableUntil(TickUs() + 10 * kLateUs, &wake), WaitResult::Interrupted);
    wake.Reset();
    EXPECT_FALSE(wake.IsRaised());
    EXPECT_EQ(listener_.WaitReadable(30, &wake), WaitResult::TimedOut);
}

// A wait whose deadline has passed still reports what is ready; a quiet one ends at it.
TEST_F(TcpSocketTest, DeadlineWaitsEndAtTheDeadlineAndReportInputAlsoPastIt) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    const std::int64_t deadline = TickUs() + 20000;
    EXPECT_EQ(server_.WaitReadableUntil(deadline, nullptr), WaitResult::TimedOut);
    EXPECT_GE(TickUs(), deadline);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() - 1000, nullptr), WaitResult::TimedOut);

    ASSERT_EQ(client_.Send("x", 1).count, 1);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() + kLateUs, nullptr), WaitResult::Ready);
    EXPECT_EQ(server_.WaitReadableUntil(TickUs() - 1000, nullptr), WaitResult::Ready);
}

// Bytes read late still tell when they arrived, where the system keeps that time. The system
// may start noting arrivals a moment after it is asked to: a few tries are allowed.
TEST_F(TcpSocketTest, ReadsTellWhenTheBytesArrived) {
    ASSERT_NO_FATAL_FAILURE(Connect());
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
