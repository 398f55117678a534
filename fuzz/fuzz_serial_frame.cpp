// The framing step on arbitrary line input, fed in arbitrary pieces: frames found must be
// well formed, pending bytes stay bounded, and checking a frame never reads out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/serial_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t deviceLetter = data[0];
    const std::size_t pieceSize = 1 + data[1] % 64;
    std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    dorvex::FrameScanner scanner;
    for (std::size_t at = 0; at < input.size(); at += pieceSize) {
        for (const std::string& frame : scanner.Feed(input.substr(at, pieceSize))) {
            if (frame.size() < 2 || frame.front() != dorvex::SerialFrame::kStx ||
                frame.back() != dorvex::SerialFrame::kEtx ||
                frame.size() > dorvex::SerialFrame::kMaxFrame) {
                __builtin_trap();
            }
            dorvex::SerialFrame::AcceptReply(frame, deviceLetter);
            dorvex::SerialFrame::AcceptRequest(frame, deviceLetter);
            (void)dorvex::SerialFrame::TextOf(frame);
        }
    }
    // What we build, we accept.
    std::string_view text = input.substr(0, 300);
    for (const std::string& frame :
         dorvex::SerialFrame::BuildRequests(text, deviceLetter | 0x60, 1 + data[1] % 200)) {
        if (frame.size() > 6 && !dorvex::SerialFrame::AcceptRequest(frame, deviceLetter | 0x60)) {
            __builtin_trap();
        }
    }
    return 0;
}
