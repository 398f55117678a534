// The TCP client link through CommChannel against a scripted scale on loopback.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <future>
#include <string>
#include <vector>

#include "link/comm_channel.h"
#include "link/tcp_message.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "shown_errors.h"
#include "support/tcp_test_peer.h"

namespace dorvex {
namespace {

using test::ReplyPiece;
using test::TcpTestPeer;

Text Descriptor(int port) {
    return u"IPC:" + NumberText(port);
}

std::vector<ReplyPiece> Reply(std::string bytes, int delayMs = 0) {
    return {ReplyPiece{delayMs, std::move(bytes)}};
}

// Requests go out without terminator, in the data code page or, when asked, UTF-16LE.
TEST(TcpClientLink, CarriesTheDataCodePageOrUtf16WithoutTerminator) {
    for (int unicode : {0, 1}) {
        auto encode = [&](TextView text) {
            return unicode ? ToUtf16LeBytes(text) : EncodeData(text);
        };
        TcpTestPeer scale([&](const std::string& request, int) {
            return Reply(request == encode(u"<plu>7") ? encode(u"<nam>Crème brûlée") : "<unt>");
        });
        CommChannel channel(false, 2000);
        ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", unicode));
        EXPECT_EQ(channel.CarriesUtf16(), unicode == 1);
        ASSERT_TRUE(channel.Send(u"<plu>7"));
        EXPECT_EQ(channel.Receive(2000), u"<nam>Crème brûlée") << unicode;
        EXPECT_EQ(scale.Requests().at(0), encode(u"<plu>7"));
    }
}

// The factory takes the kind code in any letter case, and names the codes it knows otherwise.
TEST(TcpClientLink, KindCodeInAnyCaseUnknownCodeNamed) {
    TcpTestPeer scale([](const std::string&, int) { return Reply("<ok>"); });
    CommChannel channel(false, 2000);
    ASSERT_TRUE(channel.Open(u"ipc:" + NumberText(scale.Port()), u"1", u"127.0.0.1", 0));
    ASSERT_TRUE(channel.Send(u"request"));
    EXPECT_EQ(channel.Receive(2000), u"<ok>");
    CommChannel unknown(false, 2000);
    const Result refused = unknown.Open(u"UDP:5", u"1", u"127.0.0.1", 0);
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.Reason(), u"unknown link kind \"UDP:5\" (use IPC, IPS or COM)");
    EXPECT_EQ(unknown.Send(u"request").Reason(), refused.Reason());
}

TEST(TcpClientLink, PiecesWithShortGapsFormOneMessageLongGapsTwo) {
    TcpTestPeer scale([](const std::string& request, int) -> std::vector<ReplyPiece> {
        if (request == "short")
            return {{0, "<a>1"}, {1, "<b>2"}, {1, "<c>3"}};
        return {{0, "first"}, {150, "second"}};
    });
    CommChannel channel(false, 2000);
    ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", 0));
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
    ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", 0));
    ASSERT_TRUE(channel.Send(u"one"));
    EXPECT_EQ(channel.Receive(2000), u"answer");
    ASSERT_TRUE(channel.Send(u"two"));
    std::int64_t start = TickMs();
    EXPECT_EQ(channel.Receive(150), u"");
    EXPECT_GE(TickMs() - start, 140);
    EXPECT_EQ(channel.LastWaitEnd(), WaitEnd::TimedOut);
}

TEST(TcpClientLink, LateReplyIsDroppedBeforeTheNextRequest) {
    TcpTestPeer scale([](const std::string& request, int) {
        return Reply("reply to " + request, request == "slow" ? 200 : 0);
    });
    std::vector<std::string> dropped;
    TrafficTrace::SetHandler(
        [](const char* direction, const char*, const char* line, void* context) {
            if (std::string(direction) == "drop")
                static_cast<std::vector<std::string>*>(context)->push_back(line);
        },
        &dropped);
    CommChannel channel(false, 2000);
    ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", 0));
    ASSERT_TRUE(channel.Send(u"slow"));
    EXPECT_EQ(channel.Receive(50), u"");
    SleepMs(400);
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
    ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", 0));
    ASSERT_TRUE(channel.Send(u"first"));
    EXPECT_EQ(channel.Receive(2000), u"bye");
    SleepMs(100);
    ASSERT_TRUE(channel.Send(u"second"));
    EXPECT_EQ(channel.Receive(2000), u"hello again second");
    EXPECT_EQ(scale.Connections(), 2);
}

// An unknown host fails the open; its text is shown only when the error display is on (a
// refused connect is the exports' test).
TEST(TcpClientLink, UnknownHostShowsItsTextOnlyWhenAsked) {
    test::ShownErrors shown;
    EXPECT_FALSE(CommChannel(false, 500).Open(u"IPC", u"1", u"no-such-host.invalid", 0));
    EXPECT_TRUE(shown.Texts().empty());
    EXPECT_FALSE(CommChannel(true, 500).Open(u"IPC", u"1", u"no-such-host.invalid", 0));
    ASSERT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0].rfind("Unable to get the host name. Error: ", 0), 0u);
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
    SleepMs(100);

    test::ShownErrors shown;
    CommChannel channel(true, 300);
    std::int64_t start = TickMs();
    EXPECT_FALSE(channel.Open(Descriptor(ntohs(sa.sin_port)), u"1", u"127.0.0.1", 0));
    EXPECT_GE(TickMs() - start, 290);
    EXPECT_LT(TickMs() - start, 3000);
    ASSERT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0].rfind("Connecting to the server failed. Error: 10060", 0), 0u);
    for (int fd : fillers)
        close(fd);
    close(listener);
}
#endif

TEST(TcpClientLink, InterruptEndsALongWaitAtOnce) {
    TcpTestPeer scale([](const std::string&, int) { return std::vector<ReplyPiece>{}; });
    CommChannel channel(false, 2000);
    ASSERT_TRUE(channel.Open(Descriptor(scale.Port()), u"1", u"127.0.0.1", 0));
    ASSERT_TRUE(channel.Send(u"anything"));
    std::int64_t start = TickMs();
    auto waiting = std::async(std::launch::async, [&] { return channel.Receive(9000000); });
    SleepMs(100);
    channel.Interrupt();
    EXPECT_EQ(waiting.get(), u"");
    EXPECT_LT(TickMs() - start, 2000);
    EXPECT_EQ(channel.LastWaitEnd(), WaitEnd::Interrupted);
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

std::vector<std::string> TracedLines(std::string_view bytes, bool unicode) {
    std::vector<std::string> lines;
    TrafficTrace::SetHandler(
        [](const char*, const char*, const char* line, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(line);
        },
        &lines);
    TrafficTrace::Message("send", "IPC", bytes, unicode, false);
    TrafficTrace::SetHandler(nullptr, nullptr);
    return lines;
}

// Control characters are shown escaped so that a message stays on one line, and everything
// between them keeps its characters, a pair of surrogates included.
TEST(TrafficTrace, MessagesStayOnOneLineWithTheirCharactersWhole) {
    const Text message = u"<PLU>1<NAME>Caf\u00e9 \U0001F600\r\n\x01";
    const auto lines = TracedLines(ToUtf16LeBytes(message), true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(
        lines[0].find(" send IPC 44 bytes \"<PLU>1<NAME>Caf\xC3\xA9 \xF0\x9F\x98\x80\\r\\n\\x01\""),
        std::string::npos)
        << lines[0];
}

}  // namespace
}  // namespace dorvex
