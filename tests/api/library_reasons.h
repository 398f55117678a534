// The library's reasons as strings, for the export tests.
#pragma once

#include <string>
#include <vector>

#include "dorvex.h"

namespace dorvex::test {

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

}  // namespace dorvex::test
