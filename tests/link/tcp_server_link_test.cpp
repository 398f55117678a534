#include "link/tcp_server_link.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/link_manager.h"
#include "platform/clock.h"
#include "shown_errors.h"

namespace dorvex {
namespace {

std::uint16_t FreePort() {
    TcpSocket probe;
    probe.Create();
    probe.Bind(0, true);
    return probe.LocalPort();
}

Text Descriptor(std::uint16_t port) {
    return u"IPS:" + NumberText(port);
}

// The scale's side: a client that connects to the library's listening port.
class ClientScale {
  public:
    bool Connect(std::uint16_t port) {
        std::uint32_t address = 0;
        int error = 0;
        return socket_.Create() == 0 && TcpSocket::Resolve("127.0.0.1", address) == 0 &&
               socket_.Connect(address, port, 2000, nullptr, error) == WaitResult::Ready &&
               error == 0;
    }
    void Send(const std::string& bytes) { socket_.Send(bytes.data(), bytes.size()); }
    // Bytes until 50 ms pass without more, or empty after timeoutMs.
    std::string Receive(int timeoutMs) {
        std::string bytes;
        char buffer[4096];
        while (socket_.WaitReadable(bytes.empty() ? timeoutMs : 50, nullptr) == WaitResult::Ready) {
            IoResult result = socket_.Receive(buffer, sizeof(buffer));
            if (result.count <= 0)
                break;
            bytes.append(buffer, static_cast<std::size_t>(result.count));
        }
        return bytes;
    }
    void Close() { socket_.Close(); }

  private:
    TcpSocket socket_;
};

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    std::int64_t end = TickMs() + timeoutMs;
    while (!condition()) {
        if (TickMs() > end)
            return false;
        SleepMs(5);
    }
    return true;
}

TEST(TcpServerLinkTest, DescriptorChoosesThePort) {
    EXPECT_EQ(TcpServerLink(u"IPS").Port(), 1120);
    EXPECT_EQ(TcpServerLink(u"IPS:").Port(), 1120);
    EXPECT_EQ(TcpServerLink(u"IPS:5000").Port(), 5000);
    EXPECT_EQ(TcpServerLink(u"IPS:70000").Port(), 70000 & 0xFFFF);
}

TEST(TcpServerLinkTest, BoundPortAndMissingClientFail) {
    test::ShownErrors shown;
    std::uint16_t port = FreePort();
    TcpServerLink first(Descriptor(port));
    first.SetDisplayErrors(true);
    ASSERT_TRUE(first.Open(u""));
    EXPECT_EQ(first.Port(), port);
    EXPECT_EQ(first.Write("request", 7).Reason(), u"no scale is connected to " + first.Endpoint());
    EXPECT_TRUE(shown.Texts().empty());

    TcpServerLink second(Descriptor(port));
    second.SetDisplayErrors(true);
    EXPECT_FALSE(second.Open(u""));
    EXPECT_FALSE(second.IsOpen());
    ASSERT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0].rfind("Unable binding socket\n(error code ", 0), 0u);
    EXPECT_TRUE(second.Close());
    EXPECT_TRUE(first.Close());
}

TEST(TcpServerLinkTest, ServesOneClientAfterAnother) {
    std::uint16_t port = FreePort();
    LinkManager manager(Descriptor(port), u"1", u"", 0);
    ASSERT_TRUE(manager.Open(u"", false, 5000));
    auto* link = static_cast<TcpServerLink*>(manager.CurrentLink());

    for (const char* name : {"first", "second"}) {
        ClientScale scale;
        ASSERT_TRUE(scale.Connect(port));
        ASSERT_TRUE(WaitUntil([&] { return !link->IsAwaitingClient(); })) << name;
        ASSERT_TRUE(manager.Send(u"request"));
        EXPECT_EQ(scale.Receive(2000), "request") << name;
        scale.Send(std::string("OK ") + name);
        ASSERT_TRUE(manager.WaitReply(3000)) << name;
        EXPECT_EQ(manager.Payload(), u"OK " + FromUtf8(name));
        scale.Close();
        ASSERT_TRUE(WaitUntil([&] { return link->IsAwaitingClient(); })) << name;
        const Result unsent = manager.Send(u"nobody listens");
        EXPECT_FALSE(unsent);
        EXPECT_NE(unsent.Reason().find(u": no scale is connected to "), Text::npos) << name;
    }
    std::int64_t start = TickMs();
    manager.Close();
    EXPECT_LT(TickMs() - start, 1000) << "the accept wait is interrupted";
}

}  // namespace
}  // namespace dorvex
