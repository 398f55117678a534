// Engines by handle: several scales at once, each engine with its own link, worker and
// directories; the wait call, also from another thread; handles that are stale or were never
// given out.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::Clock;
using dorvex::test::LastError;
using dorvex::test::MillisecondsSince;
using dorvex::test::ScaleSimProcess;

std::string Rows(int count) {
    std::string text = "PLU;NAME;PRICE\r\n";
    for (int i = 1; i <= count; ++i)
        text += std::to_string(i) + ";item " + std::to_string(i) + ";1.00\r\n";
    return text;
}

class EngineHandlesTest : public dorvex::test::ArticleTableTest {
  protected:
    // An engine on the simulator whose results go to out/NAME and err/NAME.
    int OpenOn(const ScaleSimProcess& sim, const std::string& name) {
        EXPECT_TRUE(sim.Started());
        std::string link = "IPC:" + std::to_string(sim.Port());
        int handle = OpenEngine(link.c_str(), "1", "127.0.0.1", 0, TableFile().c_str());
        EXPECT_GT(handle, 0) << LastError();
        fs::create_directories(dir_.Out() / name);
        fs::create_directories(dir_.Err() / name);
        EXPECT_EQ(SetEngineDirectories(handle, dir_.In().c_str(), (dir_.Out() / name).c_str(),
                                       (dir_.Err() / name).c_str()),
                  1);
        return handle;
    }
};

TEST_F(EngineHandlesTest, ScalesRunSideBySideAndOneFaultStaysWithItsScale) {
    ScaleSimProcess good = Sim();
    ScaleSimProcess dropping = Sim({"--drop-nth", "2"});
    EXPECT_EQ(OpenEngine(dorvex::test::kRefusedLink, "1", "127.0.0.1", 0, TableFile().c_str()), -1);
    EXPECT_NE(LastError().find("to 127.0.0.1:9:"), std::string::npos) << LastError();

    dir_.Write("in/article_w.csv", Rows(4));
    const int a = OpenOn(good, "a");
    const int b = OpenOn(dropping, "b");
    EXPECT_NE(a, b);
    ASSERT_EQ(SetEngineTimeouts(b, 0, 500, 0), 1);
    for (int handle : {a, b})
        ASSERT_EQ(SendEngineWriteFile(handle, "article_w.csv"), 1) << LastError();
    EXPECT_EQ(WaitEngineTransfer(a, 60000), 4);
    EXPECT_EQ(WaitEngineTransfer(b, 60000), 5);
    EXPECT_EQ(GetEngineStatus(b), 5);
    EXPECT_TRUE(fs::exists(dir_.Out() / "a" / "article_w_a.csv"));
    EXPECT_EQ(dorvex::test::ReadFileBytes(dir_.Err() / "b" / "article_w_e.csv"),
              "PLU;NAME;PRICE\r\nOK\r\nNo Reply\r\nOK\r\nNo Reply\r\n");
    EXPECT_FALSE(fs::exists(dir_.Err() / "a" / "error.log"));
    EXPECT_EQ(good.Requests().size(), 4u);

    int sent = 0, expected = 0, ok = 0, failed = 0;
    ASSERT_EQ(GetEngineProgress(b, &sent, &expected, &ok, &failed), 1);
    EXPECT_EQ(sent, 4);
    EXPECT_EQ(expected, 4);
    EXPECT_EQ(ok, 2);
    EXPECT_EQ(failed, 2);
    std::vector<char> reason(512);
    EXPECT_GT(GetEngineTransferErrorText(b, reason.data(), 512), 0);
    EXPECT_NE(std::string(reason.data()).find("request 2 of 4 within 500 ms"), std::string::npos);
    EXPECT_EQ(GetEngineTransferErrorText(a, reason.data(), 512), 0);

    for (int handle : {a, b})
        EXPECT_EQ(CloseEngine(handle), 1);
}

TEST_F(EngineHandlesTest, TheWaitReturnsAtTheOutcomeOnTimeoutAndWhenClosed) {
    ScaleSimProcess slow = Sim({"--delay", "150"});
    const int handle = OpenOn(slow, "slow");
    dir_.Write("in/article_w.csv", Rows(3));
    ASSERT_EQ(SendEngineWriteFile(handle, "article_w.csv"), 1);
    int early = WaitEngineTransfer(handle, 10);
    EXPECT_TRUE(early >= 1 && early <= 3) << early;
    EXPECT_EQ(WaitEngineTransfer(handle, 60000), 4);
    EXPECT_EQ(WaitEngineTransfer(handle, 0), 4);
    EXPECT_EQ(WaitEngineTransfer(handle, -1), -1);

    EXPECT_EQ(SendEngineWriteFile(handle, "absent_article_w.csv"), -1);
    EXPECT_EQ(WaitEngineTransfer(handle, 60000), 5);

    // A caller waiting for a long transfer is released when another thread closes the engine.
    dir_.Write("in/article_w.csv", Rows(200));
    ASSERT_EQ(SendEngineWriteFile(handle, "article_w.csv"), 1);
    int released = -2;
    Clock::time_point closedAt;
    std::thread waiter([&] { released = WaitEngineTransfer(handle, 600000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    closedAt = Clock::now();
    EXPECT_EQ(CloseEngine(handle), 1);
    waiter.join();
    EXPECT_LT(MillisecondsSince(closedAt), 5000);
    EXPECT_TRUE(released >= 2 && released <= 5) << released;
}

TEST_F(EngineHandlesTest, StaleAndUnknownHandlesFailWithAReason) {
    ScaleSimProcess sim = Sim();
    const int handle = OpenOn(sim, "x");
    ASSERT_EQ(CloseEngine(handle), 1);
    for (int stale : {handle, 0, -7, INT_MAX}) {
        EXPECT_EQ(CloseEngine(stale), -1);
        EXPECT_EQ(GetEngineStatus(stale), -1);
        EXPECT_EQ(SendEngineWriteFile(stale, "article_w.csv"), -1);
        EXPECT_EQ(WaitEngineTransfer(stale, 10), -1);
        EXPECT_EQ(SetEngineCRChar(stale, "|"), -1);
        EXPECT_EQ(ReceiveEngineData(stale, nullptr), 0);
        EXPECT_EQ(GetEngineProgress(stale, nullptr, nullptr, nullptr, nullptr), -1);
        EXPECT_NE(LastError().find("unknown engine handle " + std::to_string(stale)),
                  std::string::npos);
    }
    const int next = OpenOn(sim, "y");
    EXPECT_NE(next, handle) << "a handle is never given out twice";
    EXPECT_EQ(CloseEngine(next), 1);
}

}  // namespace
