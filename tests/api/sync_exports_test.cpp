// Sync and verify through the exports, against the simulator: only what changed goes out, a
// row is taken as sent only when the scale said "OK", a state that lies or is damaged means a
// full send, and verify finds what was changed behind the library's back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::LastError;
using dorvex::test::ScaleSimProcess;

std::string Report(int engine) {
    std::string text(
        static_cast<std::size_t>(std::max(GetEngineSyncReport(engine, nullptr, 0), 0)) + 1, '\0');
    GetEngineSyncReport(engine, text.data(), static_cast<int>(text.size()));
    return text.c_str();
}

struct Summary {
    int unchanged = -1, sent = -1, ok = -1, failed = -1, deleted = -1;
    bool operator==(const Summary&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Summary& s) {
        return out << s.unchanged << " unchanged, " << s.sent << " sent, " << s.ok << " ok, "
                   << s.failed << " failed, " << s.deleted << " deleted";
    }
};

Summary SummaryOf(int engine) {
    Summary s;
    EXPECT_EQ(GetEngineSyncSummary(engine, &s.unchanged, &s.sent, &s.ok, &s.failed, &s.deleted), 1);
    return s;
}

class SyncExportsTest : public dorvex::test::ArticleTableTest {
  protected:
    int Open(const ScaleSimProcess& sim) {
        EXPECT_TRUE(sim.Started());
        const std::string link = "IPC:" + std::to_string(sim.Port());
        int engine = OpenEngine(link.c_str(), "1", "127.0.0.1", 0, TableFile().c_str());
        EXPECT_GT(engine, 0) << LastError();
        SetEngineDirectories(engine, dir_.In().string().c_str(), dir_.Out().string().c_str(),
                             dir_.Err().string().c_str());
        SetEngineTimeouts(engine, 2000, 1000, 5000);
        engines_.push_back(engine);
        return engine;
    }

    void TearDown() override {
        for (int engine : engines_)
            CloseEngine(engine);
        ArticleTableTest::TearDown();
    }

    static std::string FileName() { return "articles_w.csv"; }

    // Rows 1..count at price "P.00", with `changes` replacing some.
    void WriteRows(int first, int last,
                   const std::vector<std::pair<int, std::string>>& changes = {},
                   const std::vector<int>& skipped = {}) {
        std::string text = "PLU;NAME;PRICE\r\n";
        for (int plu = first; plu <= last; ++plu) {
            if (std::find(skipped.begin(), skipped.end(), plu) != skipped.end())
                continue;
            std::string price = std::to_string(plu) + ".00";
            for (const auto& [which, value] : changes) {
                if (which == plu)
                    price = value;
            }
            text += std::to_string(plu) + ";item " + std::to_string(plu) + ";" + price + "\r\n";
        }
        dir_.Write("in/" + FileName(), text);
    }

    int Sync(int engine, int flags = 0, const char* where = "") {
        const std::string state = (dir_.Root() / "state").string();
        return SyncEngineFile(engine, FileName().c_str(), state.c_str(), "", where, flags, 0);
    }

    static int CountSince(const ScaleSimProcess& sim, std::size_t from, const std::string& mark) {
        std::vector<dorvex::test::LoggedRequest> requests = sim.Requests();
        int count = 0;
        for (std::size_t i = from; i < requests.size(); ++i)
            count += requests[i].text.find(mark) != std::string::npos ? 1 : 0;
        return count;
    }

    fs::path StateFile() const {
        for (const auto& entry : fs::directory_iterator(dir_.Root() / "state")) {
            if (entry.path().extension() == ".state")
                return entry.path();
        }
        return {};
    }

    std::vector<int> engines_;
};

TEST_F(SyncExportsTest, NothingTheSecondTimeThenExactlyTheEditsAndThePrunedKey) {
    ScaleSimProcess sim = Sim();
    const int engine = Open(sim);
    WriteRows(1, 10);
    ASSERT_EQ(Sync(engine), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine), (Summary{0, 10, 10, 0, 0}));
    EXPECT_EQ(CountSince(sim, 0, "<art m=\"w\">"), 10);
    EXPECT_NE(Report(engine).find("no state yet"), std::string::npos);

    std::size_t mark = sim.Requests().size();
    ASSERT_EQ(Sync(engine), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine), (Summary{10, 0, 0, 0, 0}));
    // Only the count statement went out.
    EXPECT_EQ(sim.Requests().size(), mark + 1);

    // Three changed, one removed, two added.
    WriteRows(1, 12, {{2, "2.20"}, {4, "4.40"}, {6, "6.60"}}, {10});
    mark = sim.Requests().size();
    ASSERT_EQ(Sync(engine, DORVEX_SYNC_PRUNE), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine), (Summary{6, 5, 5, 0, 1}));
    EXPECT_EQ(CountSince(sim, mark, "<art m=\"w\">"), 5);
    EXPECT_EQ(CountSince(sim, mark, "<art m=\"d\"><dvn>1<plu>10"), 1);
    EXPECT_EQ(CountSince(sim, mark, "<pri>2.20"), 1);

    mark = sim.Requests().size();
    ASSERT_EQ(Sync(engine, DORVEX_SYNC_PRUNE), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine), (Summary{11, 0, 0, 0, 0}));
    EXPECT_EQ(sim.Requests().size(), mark + 1);

    // A dry run says what would go and sends nothing but the count.
    WriteRows(1, 12, {{1, "1.11"}, {2, "2.20"}, {4, "4.40"}, {6, "6.60"}}, {10});
    mark = sim.Requests().size();
    ASSERT_EQ(Sync(engine, DORVEX_SYNC_DRY_RUN), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine).sent, 1);
    EXPECT_NE(Report(engine).find("1;item 1;1.11"), std::string::npos) << Report(engine);
    EXPECT_EQ(sim.Requests().size(), mark + 1);
    ASSERT_EQ(Sync(engine), 1);
    EXPECT_EQ(SummaryOf(engine).sent, 1);
}

TEST_F(SyncExportsTest, VerifyFindsAnAlteredPriceAndAMissingRowAndAcceptsTrailingZeros) {
    ScaleSimProcess sim = Sim();
    const int engine = Open(sim);
    WriteRows(1, 6, {{1, "2.5"}});
    ASSERT_EQ(Sync(engine), 1) << LastError();
    ASSERT_EQ(VerifyEngineFile(engine, FileName().c_str(), "", ""), 0) << LastError();

    // Behind the library's back: another engine's raw requests.
    const int other = Open(sim);
    std::vector<char> reply(DORVEX_REPLY_MAX);
    for (const char* request :
         {"<art m=\"w\"><dvn>1<plu>1<nam>item 1<pri>2.50",
          "<art m=\"w\"><dvn>1<plu>3<nam>item 3<pri>9.99", "<art m=\"d\"><dvn>1<plu>5"}) {
        ASSERT_EQ(SendEngineData(other, request), 1);
        ASSERT_GT(ReceiveEngineData(other, reply.data()), 0);
    }
    EXPECT_EQ(VerifyEngineFile(engine, FileName().c_str(), "", ""), 2) << LastError();
    int checked = 0, matching = 0, differing = 0, missing = 0;
    ASSERT_EQ(GetEngineVerifySummary(engine, &checked, &matching, &differing, &missing), 1);
    EXPECT_EQ(checked, 6);
    EXPECT_EQ(matching, 4);
    EXPECT_EQ(differing, 1);
    EXPECT_EQ(missing, 1);
    const std::string report = Report(engine);
    EXPECT_NE(report.find("differs: PLU 3\n  PRICE: file \"3.00\", scale \"9.99\""),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("missing: PLU 5"), std::string::npos) << report;
    EXPECT_EQ(report.find("PLU 1"), std::string::npos) << report;

    // Only the rows of a filter are read back.
    EXPECT_EQ(VerifyEngineFile(engine, FileName().c_str(), "", "PRICE < 3"), 0) << Report(engine);
    GetEngineVerifySummary(engine, &checked, nullptr, nullptr, nullptr);
    EXPECT_EQ(checked, 2);
}

TEST_F(SyncExportsTest, ARowWithoutReplyIsSentAgainAloneNextTime) {
    // Requests counted over the run: 10 writes, then the count and three writes; the 13th
    // (the second changed row) gets no reply and is not executed.
    ScaleSimProcess sim = Sim({"--drop-nth", "13"});
    const int engine = Open(sim);
    WriteRows(1, 10);
    ASSERT_EQ(Sync(engine), 1) << LastError();
    WriteRows(1, 10, {{3, "3.30"}, {5, "5.50"}, {7, "7.70"}});
    EXPECT_EQ(Sync(engine), 0);
    EXPECT_NE(LastError().find("1 row was not acknowledged"), std::string::npos) << LastError();
    EXPECT_EQ(SummaryOf(engine), (Summary{7, 3, 2, 1, 0}));

    const std::size_t mark = sim.Requests().size();
    ASSERT_EQ(Sync(engine), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine).sent, 1);
    EXPECT_EQ(CountSince(sim, mark, "<art m=\"w\"><dvn>1<plu>5<nam>item 5<pri>5.50"), 1);
    // Eight reads, before the next dropped request.
    EXPECT_EQ(VerifyEngineFile(engine, FileName().c_str(), "", "PLU <= 8"), 0) << Report(engine);
}

TEST_F(SyncExportsTest, ADamagedOrOldStateMeansEveryRowIsSent) {
    ScaleSimProcess sim = Sim();
    const int engine = Open(sim);
    WriteRows(1, 8);
    ASSERT_EQ(Sync(engine), 1) << LastError();

    // A state cut short: a warning and a full send, never a crash.
    const fs::path state = StateFile();
    ASSERT_FALSE(state.empty());
    fs::resize_file(state, fs::file_size(state) - 5);
    ASSERT_EQ(Sync(engine), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine).sent, 8);
    EXPECT_NE(Report(engine).find("warning: the state"), std::string::npos) << Report(engine);
    ASSERT_EQ(Sync(engine), 1);
    EXPECT_EQ(SummaryOf(engine).sent, 0);

    // So does a state older than the longest age allowed (here one second).
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const std::string states = (dir_.Root() / "state").string();
    ASSERT_EQ(SyncEngineFile(engine, FileName().c_str(), states.c_str(), "", "", 0, 1), 1);
    EXPECT_EQ(SummaryOf(engine).sent, 8);
    EXPECT_NE(Report(engine).find("seconds old, older than 1 second: every row is sent"),
              std::string::npos)
        << Report(engine);
}

TEST_F(SyncExportsTest, ASecondSyncOnTheSameScaleIsRefusedWhileTheFirstRuns) {
    ScaleSimProcess sim = Sim({"--delay", "100"});
    const int engine = Open(sim);
    const int second = Open(sim);
    WriteRows(1, 10);
    int firstResult = 0;
    std::thread first([&] { firstResult = Sync(engine); });
    ASSERT_TRUE(sim.WaitForRequests(2));
    EXPECT_EQ(Sync(second), -1);
    EXPECT_NE(LastError().find("another sync is running on the scale IPC:"), std::string::npos)
        << LastError();
    first.join();
    EXPECT_EQ(firstResult, 1);
    EXPECT_EQ(Sync(second), 1) << LastError();
}

TEST_F(SyncExportsTest, FiltersSelectTheRowsSyncedAndWrittenButNeverPrune) {
    ScaleSimProcess sim = Sim();
    const int engine = Open(sim);
    WriteRows(1, 10);
    ASSERT_EQ(Sync(engine, 0, "PRICE >= 8 | NAME > item"), 1) << LastError();
    EXPECT_EQ(SummaryOf(engine).sent, 3);
    EXPECT_EQ(CountSince(sim, 0, "<art m=\"w\">"), 3);
    // Pruning outside the filter would delete every key it leaves out.
    EXPECT_EQ(Sync(engine, DORVEX_SYNC_PRUNE, "PRICE >= 8"), -1);
    EXPECT_NE(LastError().find("pruning"), std::string::npos);

    const std::size_t mark = sim.Requests().size();
    ASSERT_EQ(SendEngineWriteFileWhere(engine, FileName().c_str(), "PLU <= 2"), 1) << LastError();
    EXPECT_EQ(WaitEngineTransfer(engine, 10000), DORVEX_TERMINATED);
    EXPECT_EQ(CountSince(sim, mark, "<art m=\"w\">"), 2);
    EXPECT_TRUE(fs::exists(dir_.Out() / "articles_w_a.csv"));
}

}  // namespace
