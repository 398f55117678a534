// Loopback sockets through the platform layer: connect, accept, send and receive, refused
// connects, and waits that a wake signal interrupts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {
namespace {

using Clock = std::chrono::steady_clock;

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
    }
    void TearDown() override { StopNetworking(); }

    TcpSocket listener_;
    std::uint16_t port_ = 0;
};

TEST_F(TcpSocketTest, ConnectAcceptAndExchangeBothWays) {
    TcpSocket client;
    ASSERT_EQ(client.Create(), 0);
    ASSERT_EQ(client.SetNonBlocking(), 0);
    int error = -1;
    ASSERT_EQ(client.Connect(Loopback(), port_, 2000, nullptr, error), WaitResult::Ready);
    EXPECT_EQ(error, 0);

    ASSERT_EQ(listener_.WaitReadable(2000, nullptr), WaitResult::Ready);
    TcpSocket server = listener_.Accept(error);
    ASSERT_TRUE(server.Valid()) << error;
    ASSERT_EQ(server.SetNonBlocking(), 0);

    char buffer[64] = {};
    IoResult nothing = server.Receive(buffer, sizeof(buffer));
    EXPECT_TRUE(nothing.WouldBlock());
    EXPECT_EQ(server.WaitReadable(50, nullptr), WaitResult::TimedOut);

    ASSERT_EQ(client.WaitWritable(2000, nullptr), WaitResult::Ready);
    EXPECT_EQ(client.Send("<idt m=\"r\">", 11).count, 11);
    ASSERT_EQ(server.WaitReadable(2000, nullptr), WaitResult::Ready);
    IoResult got = server.Receive(buffer, sizeof(buffer));
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got.count)), "<idt m=\"r\">");

    EXPECT_EQ(server.Send("ok", 2).count, 2);
    ASSERT_EQ(client.WaitReadable(2000, nullptr), WaitResult::Ready);
    EXPECT_EQ(client.Receive(buffer, sizeof(buffer)).count, 2);

    // The peer's close reads as zero bytes without an error.
    server.Close();
    ASSERT_EQ(client.WaitReadable(2000, nullptr), WaitResult::Ready);
    IoResult closed = client.Receive(buffer, sizeof(buffer));
    EXPECT_EQ(closed.count, 0);
    EXPECT_EQ(closed.error, 0);
}

TEST_F(TcpSocketTest, NobodyWaitingToBeAcceptedIsWouldBlock) {
    int error = 0;
    TcpSocket none = listener_.Accept(error);
    EXPECT_FALSE(none.Valid());
    EXPECT_EQ(error, TcpSocket::kWouldBlock);
}

TEST_F(TcpSocketTest, ARefusedConnectCompletesWithAnError) {
    listener_.Close();  // nothing listens on the port any more
    TcpSocket client;
    ASSERT_EQ(client.Create(), 0);
    ASSERT_EQ(client.SetNonBlocking(), 0);
    int error = 0;
    WaitResult waited = client.Connect(Loopback(), port_, 5000, nullptr, error);
    EXPECT_EQ(waited, WaitResult::Ready);
    EXPECT_NE(error, 0);
}

TEST_F(TcpSocketTest, ARaisedWakeSignalEndsAWaitAtOnce) {
    WakeSignal wake;
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        wake.Raise();
    });
    auto start = Clock::now();
    EXPECT_EQ(listener_.WaitReadable(10000, &wake), WaitResult::Interrupted);
    raiser.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    // Raised stays raised until reset; after a reset waits time out again.
    EXPECT_EQ(listener_.WaitReadable(10000, &wake), WaitResult::Interrupted);
    wake.Reset();
    EXPECT_FALSE(wake.IsRaised());
    EXPECT_EQ(listener_.WaitReadable(30, &wake), WaitResult::TimedOut);
}

}  // namespace
}  // namespace dorvex
