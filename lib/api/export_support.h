// What every exported function needs: strings in and out of the API encoding, results mapped
// to 1 / -1, and the reason of a failure left for GetLastErrorText.
#pragma once

#include <cstddef>

#include "platform/result.h"
#include "platform/text.h"

namespace dorvex::api {

constexpr int kDone = 1;
constexpr int kFailed = -1;

// Strings cross the interface in the API encoding; null reads as empty.
Text FromApi(const char* text);

// The reason for a handle that names no live engine.
Text UnknownHandle(int handle);

// A failed call leaves its reason for GetLastErrorText on the calling thread: -1.
int Failed(Text reason);
// A result as 1 / -1, its reason left for GetLastErrorText on failure.
int ExportResult(const Result& result);

struct Copied {
    std::size_t units = 0;  // UTF-16 units of the text taken
    std::size_t bytes = 0;  // bytes written before the terminating zero
};
// Copies the text into the caller's buffer of `capacity` bytes: as many whole characters as
// fit with a terminating zero.
Copied CopyText(const Text& text, char* buffer, std::size_t capacity);
// A reply into a buffer of DORVEX_REPLY_MAX bytes: the number of characters copied.
int CopyReply(const Text& reply, char* buffer);
// A reason into the caller's buffer of `size` bytes: the number of bytes copied.
int CopyReason(const Text& reason, char* buffer, int size);

}  // namespace dorvex::api
