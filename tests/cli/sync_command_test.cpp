// `dorvex sync` and `dorvex verify` as a user runs them, on one scale and on a fleet, and a
// sync killed at several points: the next one sends every row that was not acknowledged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_dorvex.h"
#include "support/test_directory.h"

namespace {

using dorvex::test::CommandResult;
using dorvex::test::RunDorvex;
using dorvex::test::ScaleSimProcess;

constexpr const char* kTables =
    "TABLE;PLU;NAME;PRICE;DEPARTMENT\r\n"
    "Article;PLU;NAME;PRICE;DEPARTMENT\r\n"
    "art;plu;nam;pri;dpt\r\n";

class SyncCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_.Write("table.csv", kTables); }

    ScaleSimProcess Sim(std::vector<std::string> extra = {}) const {
        return dorvex::test::StartSim((dir_.Root() / "table.csv").string(), std::move(extra));
    }

    std::string Options(const ScaleSimProcess& sim) const {
        return "-t " + (dir_.Root() / "table.csv").string() +
               " -l IPC:" + std::to_string(sim.Port()) + " -H 127.0.0.1 -o " + dir_.Out().string() +
               " -e " + dir_.Err().string() + " --state " + (dir_.Root() / "state").string() + " ";
    }

    std::string File() const { return (dir_.In() / "article_prices_w.csv").string(); }

    void WriteRows(int count, const std::string& cents, int department = 1) {
        std::string text = "PLU;NAME;PRICE;DEPARTMENT\r\n";
        for (int plu = 1; plu <= count; ++plu)
            text += std::to_string(plu) + ";item " + std::to_string(plu) + ";" +
                    std::to_string(plu) + "." + cents + ";" + std::to_string(department) + "\r\n";
        dir_.Write("in/article_prices_w.csv", text);
    }

    dorvex::test::TestDirectory dir_{"dorvex-sync-cli"};
};

TEST_F(SyncCommandTest, RefusalsNameTheirReasonAndExitWith2) {
    ScaleSimProcess sim = Sim();
    WriteRows(3, "00");
    CommandResult both = RunDorvex(Options(sim) + "sync --prune --where 'PLU = 1' " + File());
    EXPECT_EQ(both.exitStatus, 2);
    EXPECT_NE(both.output.find("--where cannot go with --prune"), std::string::npos);
    CommandResult unknown = RunDorvex(Options(sim) + "write --where 'SHELF = 1' " + File());
    EXPECT_EQ(unknown.exitStatus, 2) << unknown.output;
    EXPECT_NE(unknown.output.find("the filter names \"SHELF\""), std::string::npos)
        << unknown.output;
    EXPECT_TRUE(sim.Requests().empty());

    CommandResult filtered = RunDorvex(Options(sim) + "write --where 'PLU >= 2' " + File());
    EXPECT_EQ(filtered.exitStatus, 0) << filtered.output;
    EXPECT_EQ(sim.Requests().size(), 2u);
}

TEST_F(SyncCommandTest, AFleetSyncsEveryScaleWithAStateOfItsOwn) {
    ScaleSimProcess meat = Sim();
    ScaleSimProcess cheese = Sim();
    WriteRows(4, "00");
    const std::string fleet = Options(meat) + "--scale 'meat IPC:" + std::to_string(meat.Port()) +
                              " 127.0.0.1 1' --scale 'cheese IPC:" + std::to_string(cheese.Port()) +
                              " 127.0.0.1 1' ";
    CommandResult first = RunDorvex(fleet + "sync " + File());
    EXPECT_EQ(first.exitStatus, 0) << first.output;
    // The cheese scale loses a row behind the library's back: only its verify fails.
    RunDorvex("-t " + (dir_.Root() / "table.csv").string() +
              " -l IPC:" + std::to_string(cheese.Port()) + " send '<art m=\"d\"><dvn>1<plu>2'");
    CommandResult verify = RunDorvex(fleet + "verify " + File());
    EXPECT_EQ(verify.exitStatus, 1) << verify.output;
    EXPECT_NE(verify.output.find("cheese: missing: PLU 2"), std::string::npos) << verify.output;
    EXPECT_EQ(verify.output.find("meat: missing"), std::string::npos) << verify.output;
    CommandResult again = RunDorvex(fleet + "sync " + File());
    EXPECT_NE(again.output.find("meat                     4        0"), std::string::npos)
        << again.output;
    EXPECT_NE(again.output.find("cheese: the scale holds 3 records of Article, the state knows 4"),
              std::string::npos)
        << again.output;
    // Four writes, four reads, one count.
    EXPECT_EQ(meat.Requests().size(), 4u + 4 + 1);
}

TEST_F(SyncCommandTest, AKilledSyncLeavesEveryUnacknowledgedRowToTheNextOne) {
    constexpr int kRows = 12;
    // Each reply comes 30 ms late: a sync of every row takes about half a second.
    ScaleSimProcess sim = Sim({"--delay", "30"});
    WriteRows(kRows, "00");
    ASSERT_EQ(RunDorvex(Options(sim) + "sync " + File()).exitStatus, 0);

    // After each kill the next sync must bring every row's new price to the scale: the verify
    // reads each row back and compares every column.
    int round = 0;
    for (int killAfterMs : {40, 200, 450, 1500}) {
        SCOPED_TRACE("killed after " + std::to_string(killAfterMs) + " ms");
        WriteRows(kRows, std::to_string(11 * ++round));
        RunDorvex(Options(sim) + "-q sync " + File(),
                  "timeout -s KILL " + std::to_string(killAfterMs / 1000.0));
        CommandResult next = RunDorvex(Options(sim) + "sync " + File());
        EXPECT_EQ(next.exitStatus, 0) << next.output;
        CommandResult verify = RunDorvex(Options(sim) + "verify " + File());
        EXPECT_EQ(verify.exitStatus, 0) << verify.output;
    }
}

}  // namespace
