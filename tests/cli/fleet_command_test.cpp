// The fleet: `dorvex write FILE --scales SCALES` on several simulated scales at once.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "run_dorvex.h"
#include "support/test_directory.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::CommandResult;
using dorvex::test::RunDorvex;
using dorvex::test::Sample;
using dorvex::test::ScaleSimProcess;
using Clock = std::chrono::steady_clock;

class FleetCommandTest : public ::testing::Test {
  protected:
    static ScaleSimProcess Sim(std::vector<std::string> extra = {}) {
        return dorvex::test::StartSim(Sample("table.csv"), std::move(extra));
    }

    static std::string LineFor(const std::string& name, const ScaleSimProcess& sim) {
        return name + " IPC:" + std::to_string(sim.Port()) + " 127.0.0.1 1\n";
    }

    std::string Options() const {
        return "-t " + Sample("table.csv") + " -o " + dir_.Out().string() + " -e " +
               dir_.Err().string() + " --scales " + (dir_.Root() / "scales.txt").string();
    }

    dorvex::test::TestDirectory dir_{"dorvex-fleet"};
};

TEST_F(FleetCommandTest, EveryScaleGetsTheFileAndTheSummarySaysHowItWent) {
    ScaleSimProcess first = Sim();
    ScaleSimProcess dropping = Sim({"--drop-nth", "4"});
    dir_.Write("scales.txt", "# the shop floor\n" + LineFor("bakery-2", first) + "\n" +
                                 LineFor("cheese", dropping) + "ghost IPC:9 127.0.0.1 1\n");
    CommandResult run = RunDorvex(Options() + " --reply-timeout 400 --timeout 1000 write " +
                                  Sample("articles_w.csv"));
    EXPECT_EQ(run.exitStatus, 1) << run.output;
    EXPECT_NE(run.output.find("bakery-2         terminated         12       12        0"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("cheese           with error         12        9        3"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("ghost            unreachable"), std::string::npos);
    EXPECT_NE(run.output.find("ghost: cannot open the link"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_.Out() / "bakery-2" / "articles_w_a.csv"));
    EXPECT_TRUE(fs::exists(dir_.Err() / "cheese" / "articles_w_e.csv"));
    EXPECT_TRUE(fs::exists(dir_.Err() / "cheese" / "error.log"));
    EXPECT_EQ(first.Requests().size(), 12u);

    // All well, one at a time; and a test of every scale.
    ScaleSimProcess second = Sim();
    dir_.Write("scales.txt", LineFor("meat", second) + LineFor("bakery-2", first));
    CommandResult serial =
        RunDorvex(Options() + " --jobs 1 write " + Sample("articles_w.csv") + " --quiet");
    EXPECT_EQ(serial.exitStatus, 0) << serial.output;
    CommandResult identity = RunDorvex(Options() + " test");
    EXPECT_EQ(identity.exitStatus, 0) << identity.output;
    EXPECT_NE(identity.output.find("bakery-2: <idt m=\"r\">"), std::string::npos);
}

TEST_F(FleetCommandTest, BadScaleListsAndUnreachableFleetsExitWith2) {
    dir_.Write("scales.txt", "a IPC 127.0.0.1 1\n\nb IPC 127.0.0.1\n");
    CommandResult shortLine = RunDorvex(Options() + " write x_w.csv");
    EXPECT_EQ(shortLine.exitStatus, 2);
    EXPECT_NE(shortLine.output.find("line 3: expected NAME LINK ADDRESS DEVICE"), std::string::npos)
        << shortLine.output;

    for (const char* name : {"..", "a/b", "caf\xC3\xA9"}) {
        dir_.Write("scales.txt", std::string(name) + " IPC 127.0.0.1 1\n");
        CommandResult bad = RunDorvex(Options() + " write x_w.csv");
        EXPECT_EQ(bad.exitStatus, 2) << name;
        EXPECT_NE(bad.output.find("line 1: the name"), std::string::npos) << bad.output;
    }
    dir_.Write("scales.txt", "a IPC 127.0.0.1 1\n");
    CommandResult twice = RunDorvex(Options() + " --scale 'a IPC:9 127.0.0.1 2' write x_w.csv");
    EXPECT_EQ(twice.exitStatus, 2);
    EXPECT_NE(twice.output.find("\"a\" is used twice"), std::string::npos) << twice.output;

    dir_.Write("scales.txt", "gone IPC:9 127.0.0.1 1\n");
    CommandResult none = RunDorvex(Options() + " --timeout 500 write " + Sample("articles_w.csv"));
    EXPECT_EQ(none.exitStatus, 2) << none.output;
    EXPECT_FALSE(fs::exists(dir_.Out() / "gone"));
}

TEST_F(FleetCommandTest, InterruptStopsEveryTransferAndStillSummarises) {
    ScaleSimProcess slowA = Sim({"--delay", "300"});
    ScaleSimProcess slowB = Sim({"--delay", "300"});
    dir_.Write("scales.txt", LineFor("a", slowA) + LineFor("b", slowB));
    const auto start = Clock::now();
    CommandResult run = RunDorvex(Options() + " write " + Sample("articles_w.csv"),
                                  "timeout --preserve-status -s INT 1.5");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(6)) << run.output;
    EXPECT_EQ(run.exitStatus, 1) << run.output;
    EXPECT_NE(run.output.find("a                stopped"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("b                stopped"), std::string::npos) << run.output;
}

}  // namespace
