// What the export tests share: the library's reasons as strings, the article table and
// simulators serving it, a link that nobody answers, the wait for a transfer's end and a
// listening link on a free port.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "dorvex.h"
#include "support/scale_sim_process.h"
#include "support/test_directory.h"

namespace dorvex::test {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kArticleTables =
    "TABLE;PLU;NAME;PRICE\r\nArticle;PLU;NAME;PRICE\r\nart;plu;nam;pri\r\n";
// Port 9 (discard) has no listener on loopback: every open is refused at once.
inline constexpr const char* kRefusedLink = "IPC:9";

// The text one of the reason exports gives, empty when it gives none.
inline std::string ReasonText(int(DORVEX_CALL* reason)(char*, int)) {
    std::vector<char> text(2048);
    const int length = reason(text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(std::max(length, 0)));
}
inline std::string LastError() {
    return ReasonText(&GetLastErrorText);
}
inline std::string TransferError() {
    return ReasonText(&GetTransferErrorText);
}

inline long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The status of the default engine once its transfer no longer runs (1 to 3), or after
// `seconds`.
inline int WaitForEnd(int seconds = 30) {
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    int status = GetCommStatus();
    while (status >= 1 && status <= 3 && Clock::now() < end)
        status = GetCommStatus();
    return status;
}

// Opens the default engine as a listening link on the first port that binds; its number, or
// 0 when none did.
inline int OpenServerLink(const std::string& tableFile) {
    int candidate = 20000 + static_cast<int>(std::random_device()() % 20000);
    for (int tries = 0; tries < 50; ++tries, ++candidate) {
        const std::string link = "IPS:" + std::to_string(candidate);
        if (OpenDorvex(link.c_str(), "1", "", 0, 0, tableFile.c_str()) == 1)
            return candidate;
    }
    return 0;
}

// A test directory holding the article table; the default engine is closed before and after.
class ArticleTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CloseDorvex();
        dir_.Write("table.csv", kArticleTables);
    }
    void TearDown() override { CloseDorvex(); }

    std::string TableFile() const { return (dir_.Root() / "table.csv").string(); }

    ScaleSimProcess Sim(std::vector<std::string> extra = {}) const {
        extra.insert(extra.begin(), {"--tables", TableFile()});
        return ScaleSimProcess(extra);
    }

    void SetDirectories() const {
        SetInputDir(dir_.In().string().c_str());
        SetOutputDir(dir_.Out().string().c_str());
        SetErrorDir(dir_.Err().string().c_str());
    }

    // Opens the default engine as every caller does: the test's directories, "|" as marker.
    void OpenDefault(const std::string& link, const char* device = "1", int unicode = 0) {
        SetConnectionTimeout(2000);
        ASSERT_EQ(OpenDorvex(link.c_str(), device, "127.0.0.1", 0, unicode, TableFile().c_str()), 1)
            << LastError();
        SetDirectories();
        SetDestination(device);
        SetCRChar("|");
    }
    void OpenDefault(const ScaleSimProcess& sim, const char* device = "1", int unicode = 0) {
        ASSERT_TRUE(sim.Started());
        OpenDefault("IPC:" + std::to_string(sim.Port()), device, unicode);
    }

    TestDirectory dir_{"dorvex-api"};
};

}  // namespace dorvex::test
