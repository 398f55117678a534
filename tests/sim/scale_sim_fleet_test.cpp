// Many simulated scales in one process, the files that list them, and the faults and database
// edits aimed at some of them.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/raw_client.h"
#include "support/scale_sim_process.h"

namespace dorvex::test {
namespace {

std::vector<std::string> FileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// CPU time used by a process so far, in clock ticks.
long CpuTicks(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), {});
    // After the command come the state (field 3) and more; utime and stime are fields 14, 15.
    std::istringstream fields(content.substr(content.rfind(')') + 2));
    std::string skipped;
    for (int index = 3; index < 14; ++index)
        fields >> skipped;
    long user = 0;
    long system = 0;
    fields >> user >> system;
    return user + system;
}

class ScaleSimFleet : public ::testing::Test {
  protected:
    TempTables tables_;
};

TEST_F(ScaleSimFleet, ServesEveryScaleWithItsOwnDataLogAndCount) {
    const std::string portsFile = tables_.PathOf("ports.txt");
    ScaleSimProcess sim(
        tables_.SimArgs({"--scales", "5", "--port", "0", "--ports-file", portsFile}));
    ASSERT_TRUE(sim.Started());
    const std::vector<int> ports = sim.Ports(5);
    ASSERT_EQ(ports.size(), 5u);
    std::string listed;
    for (int scale = 0; scale < 5; ++scale)
        listed += "scale" + std::to_string(scale) + " " + std::to_string(ports[scale]) + "\n";
    EXPECT_EQ(ReadFileBytes(portsFile), listed);

    RawClient zero(ports[0]);
    RawClient one(ports[1]);
    RawClient four(ports[4]);
    EXPECT_EQ(zero.Exchange(ArticleWrite("<plu>1<nam>zero")), kWritten);
    EXPECT_EQ(one.Exchange(ArticleRead("1")), kNotFound);
    EXPECT_EQ(one.Exchange(ArticleWrite("<plu>1<nam>one")), kWritten);
    EXPECT_EQ(zero.Exchange(ArticleRead("1")), "<art m=\"r\"><plu>1<nam>zero<pri>");
    EXPECT_EQ(one.Exchange(ArticleRead("1")), "<art m=\"r\"><plu>1<nam>one<pri>");
    EXPECT_NE(four.Exchange("<sql m=\"r\"><dvn>1<qry>SELECT COUNT(*) FROM Article")
                  .find("COUNT(*)<val>0"),
              std::string::npos);

    // Each scale counts its own requests from 1, in its own log.
    std::vector<LoggedRequest> logZero = sim.Requests(0);
    std::vector<LoggedRequest> logOne = sim.Requests(1);
    ASSERT_EQ(logZero.size(), 2u);
    ASSERT_EQ(logOne.size(), 3u);
    EXPECT_EQ(logOne[0].sequence, 1);
    EXPECT_EQ(logOne[0].text, ArticleRead("1"));
    EXPECT_EQ(sim.Requests(4).size(), 1u);
    EXPECT_TRUE(sim.WaitForLine("accepted connection 1 on scale4"));
}

TEST_F(ScaleSimFleet, WritesTheScalesFileOnlyWhenEveryPortListens) {
    const std::string scalesFile = tables_.PathOf("scales.txt");
    constexpr int kScales = 20;
    // A reader that takes the file the moment it appears.
    std::atomic<bool> giveUp{false};
    std::vector<std::string> seen;
    int connected = 0;
    std::thread reader([&] {
        while (!giveUp && !std::filesystem::exists(scalesFile))
            std::this_thread::sleep_for(Ms(1));
        seen = FileLines(scalesFile);
        for (const std::string& line : seen) {
            std::size_t link = line.find(" IPC:");
            if (line.rfind("#", 0) != 0 && link != std::string::npos &&
                RawClient(std::atoi(line.c_str() + link + 5)).Connected())
                ++connected;
        }
    });
    ScaleSimProcess sim(tables_.SimArgs({"--scales", std::to_string(kScales), "--port", "0",
                                         "--scales-file", scalesFile, "--device", "3"}));
    giveUp = true;
    reader.join();
    ASSERT_TRUE(sim.Started());

    ASSERT_EQ(seen.size(), kScales + 1u);
    EXPECT_EQ(seen[0].rfind("# ", 0), 0u);
    EXPECT_EQ(connected, kScales);
    std::vector<int> ports = sim.Ports(kScales);
    ASSERT_EQ(ports.size(), static_cast<std::size_t>(kScales));
    for (int i = 0; i < kScales; ++i) {
        EXPECT_EQ(seen[i + 1], "scale" + std::to_string(i) + " IPC:" + std::to_string(ports[i]) +
                                   " 127.0.0.1 3");
    }
    // The file lists ports that listen: gone with them.
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(scalesFile));
}

TEST_F(ScaleSimFleet, RemovesAStaleListEvenWhenItCannotListen) {
    // A port that is taken, as the second of two consecutive ones.
    Listener taken;
    const int port = taken.Port();
    const std::string portsFile = tables_.PathOf("ports.txt");
    std::ofstream(portsFile) << "scale0 1\nscale1 2\n";
    ScaleSimProcess sim(tables_.SimArgs(
        {"--scales", "2", "--port", std::to_string(port - 1), "--ports-file", portsFile}));
    EXPECT_FALSE(sim.Started());
    EXPECT_EQ(sim.Stop(), 1);
    EXPECT_FALSE(std::filesystem::exists(portsFile));
}

TEST_F(ScaleSimFleet, ServesAHundredScalesAndRestsWhileIdle) {
    ScaleSimProcess sim(tables_.SimArgs({"--scales", "100"}));
    ASSERT_TRUE(sim.Started());
    std::vector<int> ports = sim.Ports(100);
    ASSERT_EQ(ports.size(), 100u);
    std::vector<std::unique_ptr<RawClient>> clients;
    for (int port : ports)
        clients.push_back(std::make_unique<RawClient>(port));
    // All at once, as a fleet sends: each reply is one write, so a short quiet time is enough.
    for (std::size_t i = 0; i < clients.size(); ++i)
        ASSERT_TRUE(clients[i]->Send(ArticleWrite("<plu>" + std::to_string(i))));
    for (std::size_t i = 0; i < clients.size(); ++i)
        EXPECT_EQ(clients[i]->Receive(Ms(3000), Ms(5)), kWritten) << "scale " << i;

    // With 100 listeners and 100 idle connections, a second costs next to no CPU: a loop
    // that polled without waiting would take most of it.
    long before = CpuTicks(sim.Pid());
    std::this_thread::sleep_for(Ms(1000));
    long used = CpuTicks(sim.Pid()) - before;
    EXPECT_LT(used, ::sysconf(_SC_CLK_TCK) / 4);
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(ScaleSimFleet, AltersAndDropsStoredRowsBeforeServing) {
    const std::string db = tables_.PathOf("scale.db");
    {
        ScaleSimProcess sim(tables_.SimArgs({"--db", db}));
        ASSERT_TRUE(sim.Started());
        RawClient client(sim.Port());
        for (const char* row :
             {"<plu>1<nam>one<pri>2.50", "<plu>2<nam>two<pri>3", "<plu>3<nam>three<pri>4"})
            ASSERT_EQ(client.Exchange(ArticleWrite(row)), kWritten);
        ASSERT_EQ(sim.Stop(), 0);
    }
    ScaleSimProcess sim(
        tables_.SimArgs({"--db", db, "--alter", "Article:1:price=2.5", "--alter", "art:2:nam=a:b=c",
                         "--alter", "Article:1:NAME=a<b>c", "--drop-row", "article:3"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());
    // Texts are stored as they are and sent escaped.
    EXPECT_EQ(client.Exchange(ArticleRead("1")), "<art m=\"r\"><plu>1<nam>a&lt;b&gt;c<pri>2.5");
    EXPECT_EQ(client.Exchange(ArticleRead("2")), "<art m=\"r\"><plu>2<nam>a:b=c<pri>3");
    EXPECT_EQ(client.Exchange(ArticleRead("3")), kNotFound);
    EXPECT_NE(client.Exchange("<sql m=\"r\"><dvn>1<qry>SELECT COUNT(*) FROM Article")
                  .find("COUNT(*)<val>2"),
              std::string::npos);
}

TEST_F(ScaleSimFleet, EachScaleKeepsItsOwnDatabaseAndFaultsReachOnlyTheFaultyOnes) {
    const std::string db = tables_.PathOf("fleet.db");
    {
        ScaleSimProcess sim(tables_.SimArgs({"--scales", "2", "--db", db}));
        ASSERT_TRUE(sim.Started());
        std::vector<int> ports = sim.Ports(2);
        ASSERT_EQ(ports.size(), 2u);
        EXPECT_EQ(RawClient(ports[0]).Exchange(ArticleWrite("<plu>5<nam>first<pri>1.00")),
                  kWritten);
        EXPECT_EQ(RawClient(ports[1]).Exchange(ArticleWrite("<plu>5<nam>second<pri>1.00")),
                  kWritten);
        EXPECT_EQ(sim.Stop(), 0);
    }
    EXPECT_TRUE(std::filesystem::exists(db + ".0"));
    EXPECT_TRUE(std::filesystem::exists(db + ".1"));
    EXPECT_FALSE(std::filesystem::exists(db));

    ScaleSimProcess sim(tables_.SimArgs({"--scales", "2", "--db", db, "--faulty", "1", "--alter",
                                         "Article:5:PRICE=9", "--drop-nth", "2"}));
    ASSERT_TRUE(sim.Started());
    std::vector<int> ports = sim.Ports(2);
    ASSERT_EQ(ports.size(), 2u);
    RawClient healthy(ports[0]);
    RawClient faulty(ports[1]);
    for (int turn = 0; turn < 2; ++turn)
        EXPECT_EQ(healthy.Exchange(ArticleRead("5")), "<art m=\"r\"><plu>5<nam>first<pri>1.00");
    EXPECT_EQ(faulty.Exchange(ArticleRead("5")), "<art m=\"r\"><plu>5<nam>second<pri>9");
    // The faulty scale's second request is received and logged, but neither answered nor
    // executed.
    faulty.Send(ArticleWrite("<plu>6"));
    EXPECT_EQ(faulty.Receive(Ms(300)), "");
    EXPECT_EQ(faulty.Exchange(ArticleRead("6")), kNotFound);
    EXPECT_EQ(sim.Requests(1).size(), 3u);
}
}  // namespace
}  // namespace dorvex::test
