// The TCP client link through CommChannel against a scripted scale on loopback.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "link/comm_channel.h"
#include "link/tcp_message.h"
#include "link/traffic_trace.h"
#include "platform/code_page.h"
#include "platform/error_display.h"
#include "support/tcp_test_peer.h"

namespace dorvex {
namespace {

using test::ReplyPiece;
using test::TcpTestPeer;
using Clock = std::chrono::steady_clock;

Text Descriptor(int port) {
    return u"IPC:" + NumberText(port);
}

std::vector<ReplyPiece> Reply(std::string bytes, int delayMs = 0) {
    return {ReplyPiece{delayMs, std::move(bytes)}};
}

long long MillisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct ShownErrors {
    std::vector<std::string> texts;
    static void Handler(const char*, const char* text, void* context) {
        static_cast<ShownErrors*>(context)->texts.push_back(text);
    }
    ShownErrors() { SetErrorDisplayHandler(&Handler, this); }
    ~ShownErrors() { SetErrorDisplayHandler(nullptr, nullptr); }
};

TEST(TcpClientLink, ExchangesDataCodePageTextWithoutTerminator) {
    TcpTestPeer scale([](const std::string& request, int) {
        return Reply(request == "<art m=\"r\"><dvn>1<plu>7"
                         ? "<art m=\"r\"><nam>Cr\xE8me br\xFBl\xE9"
                           "e"
                         : "<unt>");
    });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"<art m=\"r\"><dvn>1<plu>7"));
    EXPECT_EQ(channel.Receive(2000), u"<art m=\"r\"><nam>Crème brûlée");
    EXPECT_EQ(scale.Requests().at(0), "<art m=\"r\"><dvn>1<plu>7");
    channel.Close();
}

TEST(TcpClientLink, UnicodeModeCarriesUtf16LittleEndian) {
    TcpTestPeer scale([](const std::string& request, int) {
        return Reply(ToUtf16LeBytes(u"got " + FromUtf16LeBytes(request)));
    });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 1), 0);
    ASSERT_TRUE(channel.Send(u"Ωmega €"));
    EXPECT_EQ(channel.Receive(2000), u"got Ωmega €");
    EXPECT_EQ(scale.Requests().at(0), ToUtf16LeBytes(u"Ωmega €"));
}

TEST(TcpClientLink, PiecesWithShortGapsFormOneMessageLongGapsTwo) {
    TcpTestPeer scale([](const std::string& request, int) -> std::vector<ReplyPiece> {
        if (request == "short")
            return {{0, "<a>1"}, {1, "<b>2"}, {1, "<c>3"}};
        return {{0, "first"}, {150, "second"}};
    });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"short"));
    EXPECT_EQ(channel.Receive(2000), u"<a>1<b>2<c>3");
    ASSERT_TRUE(channel.Send(u"long"));
    EXPECT_EQ(channel.Receive(2000), u"first");
}

TEST(TcpClientLink, TimedOutWaitIsEmptyNeverTheEarlierReply) {
    TcpTestPeer scale([](const std::string&, int sequence) {
        return sequence == 1 ? Reply("answer") : std::vector<ReplyPiece>{};
    });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"one"));
    EXPECT_EQ(channel.Receive(2000), u"answer");
    ASSERT_TRUE(channel.Send(u"two"));
    auto start = Clock::now();
    EXPECT_EQ(channel.Receive(150), u"");
    EXPECT_GE(MillisSince(start), 140);
}

TEST(TcpClientLink, LateReplyIsDroppedBeforeTheNextRequest) {
    TcpTestPeer scale([](const std::string& request, int) {
        return Reply("reply to " + request, request == "slow" ? 200 : 0);
    });
    std::vector<std::string> dropped;
    TrafficTrace::SetHandler(
        [](const char* direction, const char*, const char* line, void* context) {
            if (std::string(direction) == "drop") {
                static_cast<std::vector<std::string>*>(context)->push_back(line);
            }
        },
        &dropped);
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"slow"));
    EXPECT_EQ(channel.Receive(50), u"");
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    ASSERT_TRUE(channel.Send(u"fast"));
    EXPECT_EQ(channel.Receive(2000), u"reply to fast");
    TrafficTrace::SetHandler(nullptr, nullptr);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find("reply to slow"), std::string::npos);
}

TEST(TcpClientLink, ReconnectsOnceWhenTheScaleClosedTheConnection) {
    TcpTestPeer scale([](const std::string& request, int sequence) -> std::vector<ReplyPiece> {
        if (sequence == 1)
            return {{0, "bye"}, {30, "<close>"}};
        return Reply("hello again " + request);
    });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"first"));
    EXPECT_EQ(channel.Receive(2000), u"bye");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(channel.Send(u"second"));
    EXPECT_EQ(channel.Receive(2000), u"hello again second");
    EXPECT_EQ(scale.Connections(), 2);
}

TEST(TcpClientLink, RefusedConnectionFailsTheOpenWithItsCode) {
    int port;
    {
        TcpTestPeer closedSoon([](const std::string&, int) { return std::vector<ReplyPiece>{}; });
        port = closedSoon.Port();
    }
    ShownErrors shown;
    CommChannel channel(true, 2000);
    EXPECT_EQ(channel.Open(Descriptor(port), u"127.0.0.1", u"1", 0, 0), 6);
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_EQ(shown.texts[0].rfind("Connecting to the server failed. Error: ", 0), 0u)
        << shown.texts[0];
    EXPECT_NE(shown.texts[0].find("(error code "), std::string::npos);
}

TEST(TcpClientLink, UnknownHostAndSilentDisplay) {
    ShownErrors shown;
    CommChannel quiet(false, 500);
    EXPECT_EQ(quiet.Open(u"IPC", u"no-such-host.invalid", u"1", 0, 0), 6);
    EXPECT_TRUE(shown.texts.empty());
    CommChannel loud(true, 500);
    EXPECT_EQ(loud.Open(u"IPC", u"no-such-host.invalid", u"1", 0, 0), 6);
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_EQ(shown.texts[0].rfind("Unable to get the host name. Error: ", 0), 0u);
}

#ifndef _WIN32
// A listener whose queue is full drops new connection attempts: the connect never completes.
// (Linux behaviour: a Windows listener refuses them instead.)
TEST(TcpClientLink, ConnectTimesOutAgainstAFullBacklog) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof(sa)), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    socklen_t len = sizeof(sa);
    getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof(sa));
        fillers.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    ShownErrors shown;
    CommChannel channel(true, 300);
    auto start = Clock::now();
    EXPECT_EQ(channel.Open(Descriptor(ntohs(sa.sin_port)), u"127.0.0.1", u"1", 0, 0), 6);
    EXPECT_GE(MillisSince(start), 290);
    EXPECT_LT(MillisSince(start), 3000);
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_EQ(shown.texts[0].rfind("Connecting to the server failed. Error: 10060", 0), 0u);
    for (int fd : fillers)
        close(fd);
    close(listener);
}
#endif

TEST(TcpClientLink, InterruptEndsALongWaitAtOnce) {
    TcpTestPeer scale([](const std::string&, int) { return std::vector<ReplyPiece>{}; });
    CommChannel channel(false, 2000);
    ASSERT_EQ(channel.Open(Descriptor(scale.Port()), u"127.0.0.1", u"1", 0, 0), 0);
    ASSERT_TRUE(channel.Send(u"anything"));
    auto start = Clock::now();
    auto waiting = std::async(std::launch::async, [&] { return channel.Receive(9000000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    channel.Interrupt();
    EXPECT_EQ(waiting.get(), u"");
    EXPECT_LT(MillisSince(start), 2000);
}

TEST(TcpMessage, OverlongMessageBecomesAnErrorReply) {
    TcpMessage message(false);
    std::string chunk(1 << 20, 'x');
    for (int i = 0; i < 17; ++i)
        message.Append(chunk, i);
    Text text = message.Take();
    EXPECT_NE(text.find(u" m=\"e\">"), Text::npos);
    EXPECT_LT(text.size(), 200u);
    message.Append("<ok>", 100);
    EXPECT_EQ(message.Take(), u"<ok>");
}

TEST(TcpMessage, ZeroEndsTheTextAndQuietTimeCountsFromTheLastByte) {
    TcpMessage message(false);
    message.Append("ab", 1000);
    message.Append(std::string("c\0def", 5), 5250);
    EXPECT_EQ(message.QuietEndUs(), 25250);
    EXPECT_EQ(message.Take(), u"abc");
    EXPECT_FALSE(message.HasPending());
}

}  // namespace
}  // namespace dorvex
