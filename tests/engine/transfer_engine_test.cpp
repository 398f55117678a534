// The engine's own rules against a scripted scale: when the outcome is published, counts that
// come from the scale, and a start while the previous worker is still busy.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "engine/transfer_engine.h"
#include "platform/clock.h"
#include "support/tcp_test_peer.h"
#include "support/test_directory.h"

namespace dorvex {
namespace {

namespace fs = std::filesystem;
using test::ReplyPiece;
using test::TcpTestPeer;

class TransferEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(root_ / "table.csv", std::ios::binary)
            << "TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n";
    }

    std::unique_ptr<TransferEngine> OpenEngine(const TcpTestPeer& scale) {
        auto engine = std::make_unique<TransferEngine>(FromUtf8((root_ / "table.csv").string()));
        EXPECT_TRUE(engine->Open(u"IPC:" + NumberText(scale.Port()), u"1", u"127.0.0.1", 0));
        engine->SetInputDirectory(FromUtf8((root_ / "in").string()));
        engine->SetOutputDirectory(FromUtf8((root_ / "out").string()));
        engine->SetErrorDirectory(FromUtf8((root_ / "err").string()));
        return engine;
    }

    void Input(const std::string& name, const std::string& bytes) const {
        std::ofstream(root_ / "in" / name, std::ios::binary) << bytes;
    }

    test::TestDirectory dir_{"dorvex-engine"};
    const fs::path& root_ = dir_.Root();
};

TEST_F(TransferEngineTest, OutcomeIsPublishedOnlyOnceTheResultFileExists) {
    TcpTestPeer scale([](const std::string&, int) {
        return std::vector<ReplyPiece>{{0, "<art m=\"w\"><res>OK"}};
    });
    auto engine = OpenEngine(scale);
    for (int round = 0; round < 5; ++round) {
        Input("article_w.csv", "PLU;NAME\r\n1;a\r\n2;b\r\n");
        fs::remove(root_ / "out" / "article_w_a.csv");
        ASSERT_TRUE(engine->StartTransfer(u"article_w.csv", TransferMode::Write));
        // Watch as closely as possible: the first 4 seen must find the file complete.
        std::int64_t end = TickMs() + 10000;
        while (engine->Status() != TransferStatus::Terminated && TickMs() < end) {
        }
        ASSERT_EQ(engine->Status(), TransferStatus::Terminated);
        EXPECT_EQ(test::ReadFileBytes(root_ / "out" / "article_w_a.csv"),
                  "PLU;NAME\r\nOK\r\nOK\r\n");
    }
    engine->Close();
}

TEST_F(TransferEngineTest, NegativeRecordCountIsAnErrorAndReadsNothing) {
    TcpTestPeer scale([](const std::string&, int) {
        return std::vector<ReplyPiece>{{0, "<sql m=\"r\"><fld>COUNT(*)<val>-5"}};
    });
    auto engine = OpenEngine(scale);
    Input("article_r.csv", "PLU;NAME\r\n");
    ASSERT_TRUE(engine->StartTransfer(u"article_r.csv", TransferMode::Read));
    EXPECT_EQ(engine->WaitForOutcome(10000), TransferStatus::TerminatedWithError);
    EXPECT_EQ(scale.Requests().size(), 1u);
    EXPECT_NE(test::ReadFileBytes(root_ / "err" / "error.log").find("Database error : "),
              std::string::npos);
    engine->Close();
}

TEST_F(TransferEngineTest, HugeRecordCountIsHeldToTheCounterAndCanBeStopped) {
    TcpTestPeer scale([](const std::string& request, int) {
        if (request.find("COUNT(*)") != std::string::npos) {
            return std::vector<ReplyPiece>{{0, "<sql m=\"r\"><fld>COUNT(*)<val>99999999999999"}};
        }
        return std::vector<ReplyPiece>{{0, "<sql m=\"r+\"><fld>PLU<val>1<#>"}};
    });
    auto engine = OpenEngine(scale);
    Input("article_r.csv", "PLU\r\n");
    ASSERT_TRUE(engine->StartTransfer(u"article_r.csv", TransferMode::Read));
    std::int64_t end = TickMs() + 5000;
    while (engine->SentCount() < 3 && TickMs() < end)
        SleepMs(5);
    EXPECT_EQ(engine->RequestTotal(), INT_MAX);
    std::int64_t start = TickMs();
    engine->Close();
    EXPECT_LT(TickMs() - start, 1000);
}

TEST_F(TransferEngineTest, StartWaitsForThePreviousWorkerInsteadOfTouchingItsLists) {
    TcpTestPeer scale([](const std::string&, int) {
        return std::vector<ReplyPiece>{{150, "<art m=\"w\"><res>OK"}};
    });
    auto engine = OpenEngine(scale);
    Input("article_w.csv", "PLU;NAME\r\n1;a\r\n2;b\r\n3;c\r\n");
    Input("article2_w.csv", "PLU;NAME\r\n4;d\r\n");
    ASSERT_TRUE(engine->StartTransfer(u"article_w.csv", TransferMode::Write));
    // A caller that does not wait for the end: the second start waits for the first worker.
    ASSERT_TRUE(engine->StartTransfer(u"article2_w.csv", TransferMode::Write));
    EXPECT_EQ(test::ReadFileBytes(root_ / "out" / "article_w_a.csv"),
              "PLU;NAME\r\nOK\r\nOK\r\nOK\r\n");
    EXPECT_EQ(engine->WaitForOutcome(10000), TransferStatus::Terminated);
    EXPECT_EQ(test::ReadFileBytes(root_ / "out" / "article2_w_a.csv"), "PLU;NAME\r\nOK\r\n");
    EXPECT_EQ(scale.Requests().size(), 4u);
    engine->Close();
}

TEST_F(TransferEngineTest, UnwritableResultPlaceFailsTheTransferButKeepsTheReplies) {
    TcpTestPeer scale([](const std::string&, int) {
        return std::vector<ReplyPiece>{{0, "<art m=\"w\"><res>OK"}};
    });
    auto engine = OpenEngine(scale);
    // An output "directory" that is a regular file: no result file can be created there.
    std::ofstream(root_ / "blocked") << "x";
    engine->SetOutputDirectory(FromUtf8((root_ / "blocked").string()));
    Input("article_w.csv", "PLU;NAME\r\n1;a\r\n");
    ASSERT_TRUE(engine->StartTransfer(u"article_w.csv", TransferMode::Write));
    EXPECT_EQ(engine->WaitForOutcome(10000), TransferStatus::TerminatedWithError);
    EXPECT_EQ(test::ReadFileBytes(root_ / "err" / "article_w_e.csv"), "PLU;NAME\r\nOK\r\n");
    EXPECT_NE(test::ReadFileBytes(root_ / "err" / "error.log").find("Result file not written: "),
              std::string::npos);
    engine->Close();
}

}  // namespace
}  // namespace dorvex
