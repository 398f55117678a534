#include "reason_texts.h"

#include "dorvex.h"

namespace dorvex::cli {
namespace {

constexpr int kReasonSize = 4096;

// Reads a reason through one of the library's copying calls; a negative result reads as none.
template <typename Read>
std::string ReadReason(Read read) {
    std::string text(kReasonSize, '\0');
    const int length = read(text.data(), kReasonSize);
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return text;
}

}  // namespace

std::string LastErrorText() {
    return ReadReason([](char* text, int size) { return GetLastErrorText(text, size); });
}

std::string TransferErrorText() {
    return ReadReason([](char* text, int size) { return GetTransferErrorText(text, size); });
}

std::string EngineTransferErrorText(int handle) {
    return ReadReason(
        [handle](char* text, int size) { return GetEngineTransferErrorText(handle, text, size); });
}

}  // namespace dorvex::cli
