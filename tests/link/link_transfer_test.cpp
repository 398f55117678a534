// A whole write transfer over the serial and TCP server kinds, with the scale simulator at the
// far end: on a pseudo-terminal addressed as "COMn", and connecting as a client to "IPS:port".
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/transfer_engine.h"
#include "platform/clock.h"
#include "platform/process_id.h"
#include "platform/tcp_socket.h"
#include "support/com_port_mapping.h"
#include "support/scale_sim_process.h"
#include "support/test_directory.h"

namespace dorvex {
namespace {

namespace fs = std::filesystem;

class LinkTransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(root_ / "table.csv", std::ios::binary)
            << "TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n";
        std::ofstream(root_ / "in" / "article_w.csv", std::ios::binary)
            << "PLU;NAME\r\n1;Pomme\r\n2;Cr\xE8me\r\n";
    }

    std::vector<std::string> SimArgs(std::vector<std::string> role) const {
        role.insert(role.end(), {"--tables", (root_ / "table.csv").string()});
        return role;
    }

    // Runs the write transfer on an open engine, then closes it (which must be prompt).
    void WriteAndClose(TransferEngine& engine, const test::ScaleSimProcess& sim) {
        engine.SetInputDirectory(FromUtf8((root_ / "in").string()));
        engine.SetOutputDirectory(FromUtf8((root_ / "out").string()));
        engine.SetErrorDirectory(FromUtf8((root_ / "err").string()));
        ASSERT_EQ(engine.StartTransfer(u"article_w.csv", TransferMode::Write), 0);
        std::int64_t end = TickMs() + 20000;
        while (engine.Status() != TransferStatus::Terminated && TickMs() < end)
            SleepMs(10);
        ASSERT_EQ(engine.Status(), TransferStatus::Terminated);
        std::ifstream result(root_ / "out" / "article_w_a.csv", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(result), {}),
                  "PLU;NAME\r\nOK\r\nOK\r\n");
        auto requests = sim.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].text, "<art m=\"w\"><dvn>1<plu>2<nam>Crème");
        std::int64_t start = TickMs();
        engine.Close();
        EXPECT_LT(TickMs() - start, 1000) << "the receive thread stops without delay";
    }

    test::TestDirectory dir_{"dorvex-link-transfer"};
    const fs::path& root_ = dir_.Root();
};

TEST_F(LinkTransferTest, WriteOverRs485LineOnAPseudoTerminal) {
    test::ScaleSimProcess sim(SimArgs({"--serial", "pty"}));
    ASSERT_TRUE(sim.Started());
    test::ComPortMapping port(61, sim.SerialPath());
    ASSERT_TRUE(port.Mapped());
    TransferEngine engine(FromUtf8((root_ / "table.csv").string()));
    ASSERT_EQ(engine.Open(u"COM61:9600|RS485", u"1", u"1", 0, 0), 0);
    WriteAndClose(engine, sim);
}

TEST_F(LinkTransferTest, WriteToAScaleThatConnectsAsClient) {
    TcpSocket probe;
    probe.Create();
    probe.Bind(0, true);
    const std::uint16_t port = probe.LocalPort();
    probe.Close();
    TransferEngine engine(FromUtf8((root_ / "table.csv").string()));
    ASSERT_EQ(engine.Open(u"IPS:" + NumberText(port), u"", u"1", 0, 0), 0);
    test::ScaleSimProcess sim(SimArgs({"--connect", "127.0.0.1:" + std::to_string(port)}));
    ASSERT_TRUE(sim.Started());
    ASSERT_TRUE(sim.WaitForLine("connected"));
    // The receive thread accepts the client as soon as it is in the listen queue.
    SleepMs(200);
    WriteAndClose(engine, sim);
}

}  // namespace
}  // namespace dorvex
