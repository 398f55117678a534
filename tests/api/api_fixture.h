// What the export tests share: the library's reasons as strings, the article table, a link
// that nobody answers, the wait for a transfer's end and a listening link on a free port.
#pragma once

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "dorvex.h"

namespace dorvex::test {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kArticleTables =
    "TABLE;PLU;NAME;PRICE\r\nArticle;PLU;NAME;PRICE\r\nart;plu;nam;pri\r\n";
// Port 9 (discard) has no listener on loopback: every open is refused at once.
inline constexpr const char* kRefusedLink = "IPC:9";

inline std::string LastError() {
    std::vector<char> text(2048);
    int length = GetLastErrorText(text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), static_cast<std::size_t>(length));
}

inline std::string TransferError() {
    std::vector<char> text(2048);
    int length = GetTransferErrorText(text.data(), static_cast<int>(text.size()));
    return length > 0 ? std::string(text.data(), static_cast<std::size_t>(length)) : "";
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

}  // namespace dorvex::test
