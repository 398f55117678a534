// The `dorvex` command through its exit status and what it prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "run_dorvex.h"
#include "support/test_directory.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::CommandResult;
using dorvex::test::RunDorvex;
using dorvex::test::Sample;
using dorvex::test::ScaleSimProcess;

class DorvexCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::copy_file(Sample("articles_w.csv"), root_ / "in" / "articles_w.csv");
    }
    std::string Options(const ScaleSimProcess& sim) const {
        return "--quiet --link IPC:" + std::to_string(sim.Port()) + " --host 127.0.0.1 -t " +
               Sample("table.csv") + " -i " + (root_ / "in").string() + " -o " +
               (root_ / "out").string() + " -e " + (root_ / "err").string();
    }
    static ScaleSimProcess Sim(std::vector<std::string> extra = {}) {
        return dorvex::test::StartSim(Sample("table.csv"), std::move(extra));
    }

    dorvex::test::TestDirectory dir_{"dorvex-cli"};
    const fs::path& root_ = dir_.Root();
};

// `check` prints the library's plan; it and `--version` name the table definitions the library
// reads (the build puts them beside it). The plan's refusals are the export tests'.
TEST_F(DorvexCommandTest, CheckAndVersionShowWhatTheLibraryWouldRead) {
    CommandResult good = RunDorvex("check " + Sample("articles_w.csv"));
    EXPECT_EQ(good.exitStatus, 0) << good.output;
    EXPECT_NE(good.output.find("table definitions: " DORVEX_BIN_DIR "/table.csv (3 tables)\n"
                               "table: Article (tag art)\n  column PLU -> plu\n"),
              std::string::npos)
        << good.output;
    EXPECT_NE(good.output.find("\n  request: <art m=\"w\"><dvn>1<plu>"), std::string::npos);

    CommandResult version = RunDorvex("--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_NE(version.output.find("\nlibrary: " DORVEX_BIN_DIR "/libdorvex.so"), std::string::npos)
        << version.output;
    EXPECT_NE(version.output.find("\ntable definitions: " DORVEX_BIN_DIR "/table.csv"),
              std::string::npos)
        << version.output;
}

TEST_F(DorvexCommandTest, ExitStatusFollowsTheTransferOutcome) {
    ScaleSimProcess sim = Sim();
    ASSERT_TRUE(sim.Started());
    CommandResult ok = RunDorvex(Options(sim) + " write articles_w.csv");
    EXPECT_EQ(ok.exitStatus, 0) << ok.output;
    EXPECT_TRUE(fs::exists(root_ / "out" / "articles_w_a.csv"));

    ScaleSimProcess failing = Sim({"--error-nth", "3"});
    ASSERT_TRUE(failing.Started());
    CommandResult withError = RunDorvex(Options(failing) + " write articles_w.csv");
    EXPECT_EQ(withError.exitStatus, 1) << withError.output;
    EXPECT_TRUE(fs::exists(root_ / "err" / "articles_w_e.csv"));
    EXPECT_NE(withError.output.find("reason: the scale refused request 3 of"), std::string::npos)
        << withError.output;
}

TEST_F(DorvexCommandTest, RefusedStartsAndBadUsageExitWith2AndSayWhy) {
    ScaleSimProcess sim = Sim();
    ASSERT_TRUE(sim.Started());
    std::ofstream(root_ / "in" / "articles_bad_w.csv") << "PLU;Colour\r\n1;red\r\n";
    CommandResult refused = RunDorvex(Options(sim) + " write articles_bad_w.csv");
    EXPECT_EQ(refused.exitStatus, 2);
    EXPECT_NE(refused.output.find("not started"), std::string::npos);
    EXPECT_NE(refused.output.find("column COLOUR of articles_bad_w.csv has no tag"),
              std::string::npos)
        << refused.output;
    EXPECT_EQ(RunDorvex(Options(sim) + " check articles_bad_w.csv").exitStatus, 2);

    EXPECT_EQ(RunDorvex("fly away").exitStatus, 2);
    EXPECT_EQ(RunDorvex("--timeout zero write x_w.csv").exitStatus, 2);
    EXPECT_EQ(RunDorvex("--link IPC:9 --timeout 500 write articles_w.csv").exitStatus, 2);
}

TEST_F(DorvexCommandTest, TestAndSendTalkToTheScale) {
    ScaleSimProcess sim = Sim();
    ASSERT_TRUE(sim.Started());
    CommandResult identity = RunDorvex("test 127.0.0.1:" + std::to_string(sim.Port()));
    EXPECT_EQ(identity.exitStatus, 0);
    EXPECT_NE(identity.output.find("<idt m=\"r\">"), std::string::npos);
    CommandResult sent = RunDorvex(Options(sim) + " send '<art m=\"r\"><dvn>1<plu>424242'");
    EXPECT_EQ(sent.exitStatus, 0) << sent.output;
    EXPECT_NE(sent.output.find(" m=\"e\">"), std::string::npos);  // no such record
    EXPECT_EQ(RunDorvex("test 127.0.0.1:9").exitStatus, 1);
}

}  // namespace
