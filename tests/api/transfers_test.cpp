// Write, read and delete transfers end to end: the public interface, a scale simulator on
// loopback, real files in temporary directories.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"
#include "support/com_port_mapping.h"

namespace {

namespace fs = std::filesystem;
using dorvex::test::Clock;
using dorvex::test::MillisecondsSince;
using dorvex::test::ScaleSimProcess;
using dorvex::test::WaitForEnd;

// "Été" in the API encoding: UTF-8 on Linux, the ANSI code page (Windows-1252 here) on Windows.
#ifdef _WIN32
constexpr const char* kApiEte = "\xC9t\xE9";
#else
constexpr const char* kApiEte = "Été";
#endif

// UTF-16LE, as ".csw" files and their log lines are.
std::string Utf16Bytes(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

class TransfersTest : public dorvex::test::ArticleTableTest {
  protected:
    void Input(const std::string& name, const std::string& bytes) const {
        dir_.Write("in/" + name, bytes);
    }
    std::string Out(const std::string& name) const {
        return dorvex::test::ReadFileBytes(dir_.Out() / name);
    }
    std::string Err(const std::string& name) const {
        return dorvex::test::ReadFileBytes(dir_.Err() / name);
    }
};

TEST_F(TransfersTest, WriteThenReadByKeyAndWholeTable) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim);
    Input("article_w.csv",
          "PLU;NAME;PRICE\r\n1;Pomme;1.20\r\n2;Cr\xE8me <fra\xEE"
          "che>;2.50\r\n"
          "3;Pain|bis;3.10");
    ASSERT_EQ(SendWriteFile("article_w.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(Out("article_w_a.csv"), "PLU;NAME;PRICE\r\nOK\r\nOK\r\nOK\r\n");
    auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].text, "<art m=\"w\"><dvn>1<plu>2<nam>Crème &lt;fraîche&gt;<pri>2.50");
    // The last line had no line end: it is a row like the others, its marker a line break.
    EXPECT_EQ(requests[2].text, "<art m=\"w\"><dvn>1<plu>3<nam>Pain\r\nbis<pri>3.10");

    Input("article_r.csv", "PLU\r\n2\r\n3\r\n");
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(Out("article_r_a.csv"),
              "PLU;NAME;PRICE\r\n2;Cr\xE8me <fra\xEE"
              "che>;2.50\r\n3;Pain|bis;3.10\r\n");

    Input("article_all_r.csv", "PLU;NAME\r\n");
    ASSERT_EQ(SendReadFile("article_all_r.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    int sent = 0, expected = 0;
    EXPECT_EQ(GetTransferProgress(&sent, &expected), 1);
    EXPECT_EQ(sent, 4);
    EXPECT_EQ(expected, 4);
    EXPECT_EQ(Out("article_all_r_a.csv"),
              "PLU;NAME\r\n1;Pomme\r\n2;Cr\xE8me <fra\xEE"
              "che>\r\n3;Pain|bis\r\n");
    requests = sim.Requests();
    ASSERT_EQ(requests.size(), 9u);
    EXPECT_EQ(requests[5].text, "<sql m=\"r\"><dvn>1<qry>SELECT COUNT(*) FROM Article");
    for (int i = 6; i < 9; ++i) {
        EXPECT_EQ(requests[i].text, "<sql m=\"r+\"><dvn>1<qry>SELECT PLU, NAME FROM Article");
    }
}

TEST_F(TransfersTest, MissingReplyGivesNoReplyLineErrorFileAndStatus5) {
    ScaleSimProcess sim = Sim({"--drop-nth", "2"});
    OpenDefault(sim);
    Input("article_w.csv", "PLU;NAME\r\n1;a\r\n2;b\r\n3;c\r\n");
    ASSERT_EQ(SendWriteFile("article_w.csv"), 1);
    EXPECT_EQ(WaitForEnd(), 5);
    EXPECT_EQ(Err("article_w_e.csv"), "PLU;NAME;PRICE\r\nOK\r\nNo Reply\r\nOK\r\n");
    EXPECT_FALSE(fs::exists(dir_.Out() / "article_w_a.csv"));
    std::string log = Err("error.log");
    EXPECT_NE(log.find("\tDevice 1\tTimeout; waiting reply from scale\r\n"), std::string::npos);
}

TEST_F(TransfersTest, EmptyTableAndWholeTableDeleteForDeviceZero) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim, "0");
    Input("article_r.csv", "PLU;NAME\r\n");
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(Out("article_r_a.csv"), "PLU;NAME\r\n\r\n");

    Input("article_d.csv", "PLU;NAME\r\n");
    ASSERT_EQ(SendDeleteFile("article_d.csv"), 1);
    ASSERT_EQ(WaitForEnd(), 4);
    EXPECT_EQ(Out("article_d_a.csv"), "PLU;NAME\r\nOK\r\n");
    auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].text, "<sql m=\"r\"><dvn>fm<qry>SELECT COUNT(*) FROM Article");
    EXPECT_EQ(requests[1].text, "<sql m=\"d\"><dvn>0<qry>DELETE FROM Article");
}

TEST_F(TransfersTest, Utf16FilesGiveUtf16ResultsAndLogLines) {
    ScaleSimProcess sim = Sim({"--error-nth", "2"});
    OpenDefault(sim);
    Input("article_w.csw", Utf16Bytes(u"\uFEFFPLU;NAME\r\n1;\u0152uf \u20AC\r\n2;x\r\n"));
    ASSERT_EQ(SendWriteFile("article_w.csw"), 1);
    EXPECT_EQ(WaitForEnd(), 5);
    EXPECT_EQ(Err("article_w_e.csw"),
              Utf16Bytes(u"\uFEFFPLU;NAME;PRICE\r\nOK\r\ninjected error 2\r\n"));
    EXPECT_EQ(sim.Requests().at(0).text, "<art m=\"w\"><dvn>1<plu>1<nam>Œuf €");
    EXPECT_NE(Err("error.log").find(Utf16Bytes(u"\tDatabase error : <err>injected error 2\r\n")),
              std::string::npos);
}

TEST_F(TransfersTest, RefusedStartsLeaveStatus5AndSayWhyInTheLog) {
    ScaleSimProcess sim = Sim();
    OpenDefault(sim);
    Input("article_w.txt", "PLU\r\n1\r\n");
    Input("article2_w.csv", "PLU;COLOUR\r\n1;red\r\n");
    const std::pair<const char*, const char*> refused[] = {
        {"article_w.txt", nullptr},  // a refused name reaches the caller only
        {"missing_article_w.csv", "cannot open missing_article_w.csv : check input directory.\r\n"},
        {"article2_w.csv", "Tag for column COLOUR from article2_w.csv does not exist\r\n"}};
    for (const auto& [file, logged] : refused) {
        EXPECT_EQ(SendWriteFile(file), -1) << file;
        EXPECT_EQ(GetCommStatus(), 5) << file;
        if (logged == nullptr)
            EXPECT_EQ(Err("error.log").find(file), std::string::npos) << file;
        else
            EXPECT_NE(Err("error.log").find(logged), std::string::npos) << file;
    }
    EXPECT_TRUE(sim.Requests().empty());
}

TEST_F(TransfersTest, CloseDuringAWholeTableWaitReturnsPromptly) {
    ScaleSimProcess sim = Sim({"--drop-nth", "1"});
    OpenDefault(sim);
    Input("article_r.csv", "PLU\r\n");
    ASSERT_EQ(SendReadFile("article_r.csv"), 1);
    ASSERT_TRUE(sim.WaitForRequests(1));
    auto start = Clock::now();
    EXPECT_EQ(CloseDorvex(), 1);
    EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST_F(TransfersTest, SerialRs485AndServerLinksCarryAWholeWrite) {
    auto writeAndClose = [&](const ScaleSimProcess& sim) {
        SetDirectories();
        Input("article_w.csv", "PLU;NAME\r\n1;Pomme\r\n2;Poire\r\n");
        fs::remove(dir_.Out() / "article_w_a.csv");
        ASSERT_EQ(SendWriteFile("article_w.csv"), 1);
        EXPECT_EQ(WaitForEnd(), 4);
        EXPECT_EQ(Out("article_w_a.csv"), "PLU;NAME;PRICE\r\nOK\r\nOK\r\n");
        EXPECT_EQ(sim.Requests().size(), 2u);
        auto start = Clock::now();
        EXPECT_EQ(CloseDorvex(), 1);
        EXPECT_LT(MillisecondsSince(start), 1000);
    };
    {
        ScaleSimProcess sim = Sim({"--serial", "pty"});
        ASSERT_TRUE(sim.Started());
        dorvex::test::ComPortMapping port(1, sim.SerialPath());
        ASSERT_TRUE(port.Mapped());
        ASSERT_EQ(OpenDorvex("COM1:9600|RS485", "1", "1", 0, 0, TableFile().c_str()), 1);
        writeAndClose(sim);
    }
    {
        const int port = dorvex::test::OpenServerLink(TableFile());
        ASSERT_NE(port, 0);
        ScaleSimProcess sim = Sim({"--connect", "127.0.0.1:" + std::to_string(port)});
        ASSERT_TRUE(sim.Started());
        ASSERT_TRUE(sim.WaitForLine("connected"));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        writeAndClose(sim);
    }
}

TEST_F(TransfersTest, RawMessagesAndIdentityInBothEncodings) {
    ScaleSimProcess sim = Sim();
    std::vector<char> reply(DORVEX_REPLY_MAX);
    std::string address = "127.0.0.1:" + std::to_string(sim.Port());
    EXPECT_GT(TestConnection(address.c_str(), reply.data()), 0);
    EXPECT_EQ(std::string(reply.data()).rfind("<idt m=\"r\"><dvn>", 0), 0u);
    EXPECT_EQ(sim.Requests().back().text, "<idt m=\"r\"><dvn>1<dpn>1");
    EXPECT_EQ(GetCommStatus(), -1);  // the temporary engine is gone

    OpenDefault(sim);
    const std::string name = kApiEte;
    EXPECT_EQ(SendData(("<art m=\"w\"><dvn>1<plu>9<nam>" + name).c_str()), 1);
    EXPECT_GT(ReceiveData(reply.data()), 0);
    EXPECT_EQ(SendData("<art m=\"r\"><dvn>1<plu>9"), 1);
    int length = ReceiveData(reply.data());
    EXPECT_EQ(std::string(reply.data()), "<art m=\"r\"><plu>9<nam>" + name + "<pri>");
    EXPECT_EQ(length, 30);  // characters, not bytes
    auto requests = sim.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].text, "<art m=\"w\"><dvn>1<plu>9<nam>Été");
    CloseDorvex();

    ScaleSimProcess wide = Sim({"--unicode"});
    OpenDefault(wide, "1", 1);
    EXPECT_EQ(SendData("<idt m=\"r\"><dvn>1<dpn>1"), 1);
    EXPECT_GT(ReceiveData(reply.data()), 0);
    EXPECT_EQ(std::string(reply.data()).rfind("<idt m=\"r\">", 0), 0u);
}

}  // namespace
