// The exported interface as a caller sees it: only dorvex.h, no internal headers.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"

namespace {

using dorvex::test::Clock;
using dorvex::test::kRefusedLink;
using dorvex::test::MillisecondsSince;

struct ShownErrors {
    std::vector<std::string> texts;
    static void DORVEX_CALL Handler(const char*, const char* text, void* context) {
        static_cast<ShownErrors*>(context)->texts.push_back(text);
    }
    ShownErrors() { SetErrorDisplayHandler(&Handler, this); }
    ~ShownErrors() { SetErrorDisplayHandler(nullptr, nullptr); }
};

int OpenRefused(const char* device = "1") {
    SetConnectionTimeout(1000);
    return OpenDorvex(kRefusedLink, device, "127.0.0.1", 0, 0, "table.csv");
}

class ExportsTest : public ::testing::Test {
  protected:
    void SetUp() override { CloseDorvex(); }
    void TearDown() override { CloseDorvex(); }
};

TEST_F(ExportsTest, EngineCallsWithoutAnEngineFailCleanly) {
    for (int result :
         {SetDestination("3"), SetCRChar("|"), SetInputDir("/tmp"), SetOutputDir("/tmp"),
          SetErrorDir("/tmp"), SendWriteFile("articles_w.csv"), SendReadFile("articles_r.csv"),
          SendDeleteFile("articles_d.csv"), SendData("<idt m=\"r\">"),
          OpenDorvexComm("IPC", "1", "127.0.0.1", 0, 0), CloseDorvexComm()})
        EXPECT_EQ(result, -1);
    char reply[DORVEX_REPLY_MAX] = "stale";
    EXPECT_EQ(ReceiveData(reply), 0);
    EXPECT_STREQ(reply, "");
    int sent = 7, expected = 7;
    EXPECT_EQ(GetTransferProgress(&sent, &expected), -1);
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(expected, 0);
    // The status pauses its caller even without an engine.
    const auto start = Clock::now();
    EXPECT_EQ(GetCommStatus(), -1);
    EXPECT_GE(MillisecondsSince(start), 195);
}

TEST_F(ExportsTest, NullEmptyAndOutOfRangeArgumentsNeverCrash) {
    EXPECT_EQ(OpenDorvex(nullptr, nullptr, nullptr, 0, 0, nullptr), -1);
    EXPECT_EQ(SetDestination(nullptr), 1);
    EXPECT_EQ(SetCRChar(nullptr), 1);
    EXPECT_EQ(SetInputDir(nullptr), 1);
    EXPECT_EQ(SendWriteFile(nullptr), -1);
    EXPECT_EQ(SendReadFile(""), -1);
    EXPECT_EQ(SendData(nullptr), -1);
    EXPECT_EQ(ReceiveData(nullptr), 0);
    EXPECT_EQ(GetTransferProgress(nullptr, nullptr), 1);
    EXPECT_EQ(OpenDorvex("", "", "", -1, 12345, ""), -1);
    EXPECT_EQ(OpenDorvex("XYZ:1", "99999999999", "bad", 2147483647, -2147483647, "nofile"), -1);
    // Closing is always done, even twice.
    EXPECT_EQ(CloseDorvex(), 1);
    EXPECT_EQ(CloseDorvex(), 1);

    EXPECT_EQ(SetConnectionTimeout(0), -1);
    EXPECT_EQ(SetConnectionTimeout(-5), -1);
    EXPECT_EQ(SetConnectionTimeout(2147483647), 1);
    EXPECT_EQ(SetDataCodePage("NO-SUCH-ENCODING"), -1);
    EXPECT_EQ(SetDataCodePage(nullptr), -1);
    EXPECT_EQ(SetDataCodePage("UTF-8"), 1);
    EXPECT_EQ(SetDataCodePage("WINDOWS-1252"), 1);
}

TEST_F(ExportsTest, OnlyExactlyOneMakesTheDisplayFlag) {
    ShownErrors shown;
    SetDisplayErrorMode(-1);
    EXPECT_EQ(OpenRefused(), -1);
    EXPECT_TRUE(shown.texts.empty());
    EXPECT_EQ(CloseDorvex(), 1);

    SetDisplayErrorMode(1);
    EXPECT_EQ(OpenRefused(), -1);
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_NE(shown.texts[0].find("Connecting to the server failed. Error: "), std::string::npos);
    SetDisplayErrorMode(0);
}

std::size_t CountLines(const std::string& path, const std::string& part) {
    std::ifstream in(path, std::ios::binary);
    std::size_t n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.find(part) != std::string::npos;
    return n;
}

TEST_F(ExportsTest, FailedOpenLogsATimeoutBesideTheLibraryAndLeavesAnEngine) {
    const std::string log = std::string(DORVEX_BIN_DIR) + "/error.log";
    const std::string line = "\tDevice 1\tTimeout; waiting reply from scale\r";
    const std::size_t before = CountLines(log, line);
    EXPECT_EQ(OpenRefused("7"), -1);
    EXPECT_GE(CountLines(log, line), before + 1);
    // The engine exists after a failed open: settings work, the link refuses to send.
    EXPECT_EQ(SetDestination("7"), 1);
    EXPECT_EQ(SendData("hello"), -1);
    char reply[DORVEX_REPLY_MAX];
    EXPECT_EQ(ReceiveData(reply), 0);
    // Opening again replaces it; closing ends it.
    EXPECT_EQ(OpenRefused(), -1);
    EXPECT_GE(GetCommStatus(), 0);
    EXPECT_EQ(CloseDorvex(), 1);
    EXPECT_EQ(GetCommStatus(), -1);
}

}  // namespace
