// What a caller learns when things go wrong, and how long it waits: reasons for refused starts
// and failed transfers, settable reply timeouts, waits that end when the scale goes away or
// drips its reply, result files on a full disk, read values that hold ";".
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"
#include "support/file_size_limit.h"
#include "support/raw_client.h"
#include "support/tcp_test_peer.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::Clock;
using dorvex::test::LastError;
using dorvex::test::MillisecondsSince;
using dorvex::test::ReplyPiece;
using dorvex::test::ScaleSimProcess;
using dorvex::test::TcpTestPeer;
using dorvex::test::TransferError;
using dorvex::test::WaitForEnd;

class RobustnessTest : public dorvex::test::ArticleTableTest {
  protected:
    void SetUp() override {
        ArticleTableTest::SetUp();
        SetReplyTimeout(kDefaultRowMs, kDefaultTableMs);
    }
    void TearDown() override {
        ArticleTableTest::TearDown();
        SetReplyTimeout(kDefaultRowMs, kDefaultTableMs);
    }

    static constexpr int kDefaultRowMs = 5000;
    static constexpr int kDefaultTableMs = 9000000;
};

TEST_F(RobustnessTest, ARefusedStartSaysWhyToItsOwnThread) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim);
    dir_.Write("in/ARTICLE_W.CSV", "PLU\r\n1\r\n");
    EXPECT_EQ(SendWriteFile("ARTICLE_W.CSV"), -1);
    EXPECT_NE(LastError().find("rename it to \"ARTICLE_W.csv\""), std::string::npos) << LastError();
    EXPECT_EQ(TransferError(), LastError());

    // Each thread reads its own reason.
    const std::string mine = LastError();
    std::string theirs;
    std::thread([&] {
        SetConnectionTimeout(-3);
        theirs = LastError();
    }).join();
    EXPECT_NE(theirs.find("not -3"), std::string::npos) << theirs;
    EXPECT_EQ(LastError(), mine);
}

TEST_F(RobustnessTest, ReplyTimeoutsAreSettableAndTheWaitIsVisible) {
    EXPECT_EQ(SetReplyTimeout(-1, 0), -1);
    // The count request of a whole-table read gets no reply: without a settable timeout this
    // wait lasts 9,000,000 ms.
    ScaleSimProcess sim = Sim({"--drop-nth", "1"});
    ASSERT_EQ(SetReplyTimeout(300, 1500), 1);
    OpenDefault(sim);
    dir_.Write("in/article_r.csv", "PLU;NAME\r\n");
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);

    int waited = 0;
    int limit = 0;
    auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (GetReplyWait(&waited, &limit) != 1 && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(limit, 1500);
    EXPECT_GE(waited, 0);
    EXPECT_LE(waited, 1500);

    EXPECT_EQ(WaitForEnd(), 5);
    EXPECT_EQ(GetReplyWait(&waited, &limit), 0);
    EXPECT_EQ(limit, 0);
    EXPECT_NE(TransferError().find("no reply from the scale to request 1 of 2 within 1500 ms"),
              std::string::npos)
        << TransferError();
}

// The scale closes the connection instead of answering a whole-table request: the wait (9 000
// 000 ms by default) ends at once.
TEST_F(RobustnessTest, AScaleThatHangsUpEndsAWholeTableWaitAtOnce) {
    TcpTestPeer peer([](const std::string&, int) {
        return std::vector<ReplyPiece>{{0, "<close>"}};
    });
    OpenDefault("IPC:" + std::to_string(peer.Port()));
    dir_.Write("in/article_r.csv", "PLU;NAME\r\n");
    auto start = Clock::now();
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);
    EXPECT_EQ(WaitForEnd(60), 5);
    EXPECT_LT(MillisecondsSince(start), 30000);
    EXPECT_NE(TransferError().find("closed the connection"), std::string::npos) << TransferError();
}

TEST_F(RobustnessTest, AClientThatLeavesEndsTheWaitOfAServerLink) {
    const int port = dorvex::test::OpenServerLink(TableFile());
    ASSERT_NE(port, 0);
    SetDirectories();

    // A scale that connects, takes one request and hangs up without a reply.
    std::thread scale([port] { dorvex::test::RawClient(port).Receive(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    dir_.Write("in/article_d.csv", "PLU\r\n");
    auto start = Clock::now();
    EXPECT_EQ(SendDeleteFile("article_d.csv"), 1);  // no assertion: the thread must be joined
    EXPECT_EQ(WaitForEnd(60), 5);
    EXPECT_LT(MillisecondsSince(start), 30000);
    scale.join();
    EXPECT_NE(TransferError().find("closed the connection"), std::string::npos) << TransferError();
}

// One byte every 5 ms never leaves the 20 ms of quiet that ends a message: the reply timeout
// bounds the wait all the same. On a loaded machine the peer itself may pause longer than the
// quiet time, which ends a shorter message early: a bounded wait as well.
TEST_F(RobustnessTest, AReplyThatDripsEndsAtTheReplyTimeout) {
    TcpTestPeer peer([](const std::string&, int) {
        return std::vector<ReplyPiece>(1000, {5, "x"});
    });
    SetReplyTimeout(300, 300);
    OpenDefault("IPC:" + std::to_string(peer.Port()));
    ASSERT_EQ(SendData("<idt m=\"r\"><dvn>1<dpn>1"), 1);
    std::vector<char> reply(DORVEX_REPLY_MAX);
    auto start = Clock::now();
    const int received = ReceiveData(reply.data());
    EXPECT_LT(MillisecondsSince(start), 3000);
    const std::string text = reply.data();
    if (received == 0)
        EXPECT_EQ(text, "");
    else
        EXPECT_EQ(text.find_first_not_of('x'), std::string::npos) << text;
}

TEST_F(RobustnessTest, AFullDiskGivesStatus5AndNoResultFile) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim);
    dir_.Write("in/article_w.csv", "PLU;NAME\r\n1;a\r\n2;b\r\n");
    {
        dorvex::test::FileSizeLimit limit(8);
        ASSERT_EQ(SendWriteFile("article_w.csv"), 1);
        EXPECT_EQ(WaitForEnd(), 5);
    }
    EXPECT_TRUE(fs::is_empty(dir_.Out()));
    EXPECT_NE(TransferError().find("result file not written"), std::string::npos)
        << TransferError();
}

TEST_F(RobustnessTest, ReadValuesKeepTheirSemicolonsAsDataFilesWriteThem) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim);
    const std::string row = "12;Lot 2 saucissons &| 1 offert;12.00";
    dir_.Write("in/article_w.csv", "PLU;NAME;PRICE\r\n" + row + "\r\n");
    ASSERT_EQ(SendWriteFile("article_w.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(sim.Requests().at(0).text,
              "<art m=\"w\"><dvn>1<plu>12<nam>Lot 2 saucissons ; 1 offert<pri>12.00");

    dir_.Write("in/article_r.csv", "PLU\r\n12\r\n");
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(dorvex::test::ReadFileBytes(dir_.Out() / "article_r_a.csv"),
              "PLU;NAME;PRICE\r\n" + row + "\r\n");
}

}  // namespace
