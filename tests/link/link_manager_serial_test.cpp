// The link manager's serial side through a pseudo-terminal: framing of requests, the receive
// thread's frame scanning and checks, and the reply wait.
#include <gtest/gtest.h>

#include <thread>

#include "link/link_manager.h"
#include "link/serial_frame.h"
#include "link/serial_link.h"
#include "platform/clock.h"
#include "pty_scale.h"

namespace dorvex {
namespace {

constexpr std::uint8_t kLetterA = 0x61;  // device 1

std::string Reply(std::uint8_t station, std::uint8_t letter, std::string_view text) {
    return SerialFrame::Build(station, letter, text);
}

class LinkManagerSerialTest : public ::testing::Test {
  protected:
    static constexpr int kPort = 51;

    void SetUp() override { ASSERT_TRUE(scale_.Valid()); }

    void Open(const char16_t* station = u"1") {
        manager_ = std::make_unique<LinkManager>(u"COM51:9600|RS485", u"1", station, 0);
        ASSERT_TRUE(manager_->Open(station, false, 5000));
        ASSERT_TRUE(manager_->IsRunning());
    }

    // Declared first, so the manager closes before the scale stops.
    test::PtyScale scale_{kPort};
    std::unique_ptr<LinkManager> manager_;
};

// The device letter and the station of the latest reply address every request.
TEST_F(LinkManagerSerialTest, RequestsAreFramedForTheDeviceAndTheLatestStation) {
    scale_.Answer([](const std::string& frame) {
        return Reply(SerialFrame::TextOf(frame) == "OK" ? 0x9C : 5, frame[1], "OK");
    });
    Open();
    ASSERT_TRUE(manager_->Send(u"OK"));
    ASSERT_TRUE(manager_->WaitReply(3000));
    EXPECT_EQ(manager_->Payload(), u"OK");
    ASSERT_TRUE(manager_->Send(u"two"));
    ASSERT_TRUE(manager_->WaitReply(3000));
    manager_->SetDeviceNumber(u"2");
    ASSERT_TRUE(manager_->Send(u"three"));
    ASSERT_TRUE(manager_->WaitReply(3000)) << "the reply to device 2 is taken";
    const std::vector<std::string> requests = scale_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0], std::string("\x02\x61\x01\x4F\x4B\x3F\x3C\x03", 8));
    EXPECT_EQ(static_cast<std::uint8_t>(requests[1][2]), 0x9C);
    EXPECT_EQ(requests[2].substr(0, 3), "\x02\x62\x05");
}

TEST_F(LinkManagerSerialTest, TwoFramesInOneReadAreBothTaken) {
    scale_.Answer([](const std::string&) {
        return "noise" + Reply(3, kLetterA, "first") + Reply(4, kLetterA, "second");
    });
    Open();
    ASSERT_TRUE(manager_->Send(u"request"));
    ASSERT_TRUE(manager_->WaitReply(3000));
    // Both frames come from one read; the latest one stands once the pass is over.
    SleepMs(100);
    EXPECT_EQ(manager_->Payload(), u"second");
}

// Station 97 is the byte of the device letter: our own request echoed by the bus is
// addressed like a reply, and must still never be taken for one.
TEST_F(LinkManagerSerialTest, EchoOtherDeviceAndBadChecksumAreDroppedTwoSpacesAccepted) {
    scale_.Answer([](const std::string& frame) {
        const std::string text(SerialFrame::TextOf(frame));
        std::string reply = Reply(97, text == "other" ? kLetterA + 1 : kLetterA, "re " + text);
        if (text == "corrupt")
            reply[reply.size() - 2] ^= 1;
        if (text == "blank")
            reply.replace(reply.size() - 3, 2, "  ");
        return text == "echo" ? frame : frame + reply;
    });
    Open(u"97");
    for (const char16_t* dropped : {u"echo", u"other", u"corrupt"}) {
        ASSERT_TRUE(manager_->Send(dropped));
        EXPECT_FALSE(manager_->WaitReply(400)) << ToUtf8(dropped);
    }
    ASSERT_TRUE(manager_->Send(u"blank"));
    ASSERT_TRUE(manager_->WaitReply(3000));
    SleepMs(100);
    EXPECT_EQ(manager_->Payload(), u"re blank");
}

TEST_F(LinkManagerSerialTest, EndlessUnfinishedFrameIsDroppedAndLaterFramesTaken) {
    scale_.Answer([](const std::string&) {
        return "\x02" + std::string(3 * SerialFrame::kMaxFrame, 'x') + Reply(1, kLetterA, "OK");
    });
    Open();
    ASSERT_TRUE(manager_->Send(u"request"));
    ASSERT_TRUE(manager_->WaitReply(5000));
    EXPECT_EQ(manager_->Payload(), u"OK");
}

TEST_F(LinkManagerSerialTest, ReplyThatCameBeforeTheRequestIsNotItsReply) {
    scale_.Answer([](const std::string&) { return std::string(); });
    Open();
    scale_.Send(Reply(1, kLetterA, "unasked"));
    SleepMs(300);
    EXPECT_EQ(manager_->Payload(), u"unasked");
    ASSERT_TRUE(manager_->Send(u"request"));
    EXPECT_FALSE(manager_->WaitReply(400));
}

TEST_F(LinkManagerSerialTest, InterruptEndsTheWaitButNotTheReceiving) {
    scale_.Answer([](const std::string&) { return std::string(); });
    Open();
    ASSERT_TRUE(manager_->Send(u"request"));
    std::thread stopper([this] {
        SleepMs(100);
        manager_->Interrupt();
    });
    std::int64_t start = TickMs();
    EXPECT_FALSE(manager_->WaitReply(20000));
    EXPECT_LT(TickMs() - start, 5000);
    stopper.join();
    scale_.Send(Reply(1, kLetterA, "late"));
    for (int i = 0; i < 300 && manager_->Payload() != u"late"; ++i)
        SleepMs(10);
    EXPECT_EQ(manager_->Payload(), u"late");
}

TEST_F(LinkManagerSerialTest, FailedWriteMakesTheSendFail) {
    Open();
    scale_.CloseMaster();
    EXPECT_FALSE(manager_->Send(u"request"));
}

}  // namespace
}  // namespace dorvex
