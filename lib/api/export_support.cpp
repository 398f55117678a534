#include "api/export_support.h"

#include <cstring>
#include <string>

#include "api/last_error.h"
#include "dorvex.h"
#include "platform/system_encoding.h"

namespace dorvex::api {

Text FromApi(const char* text) {
    return text == nullptr ? Text() : DecodeApiText(text);
}

Text UnknownHandle(int handle) {
    return u"unknown engine handle " + NumberText(handle) + u" (closed, or never opened)";
}

int Failed(Text reason) {
    SetLastErrorText(std::move(reason));
    return kFailed;
}

int ExportResult(const Result& result) {
    return result ? kDone : Failed(result.Reason());
}

Copied CopyText(const Text& text, char* buffer, std::size_t capacity) {
    Copied copied;
    if (buffer == nullptr || capacity == 0)
        return copied;
    std::string bytes;
    while (copied.units < text.size()) {
        std::size_t step = (text[copied.units] >= 0xD800 && text[copied.units] <= 0xDBFF) ? 2 : 1;
        std::string next = EncodeApiText(TextView(text).substr(copied.units, step));
        if (bytes.size() + next.size() > capacity - 1)
            break;
        bytes += next;
        copied.units += step;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    copied.bytes = bytes.size();
    return copied;
}

int CopyReply(const Text& reply, char* buffer) {
    return static_cast<int>(CopyText(reply, buffer, DORVEX_REPLY_MAX).units);
}

int CopyReason(const Text& reason, char* buffer, int size) {
    return static_cast<int>(CopyText(reason, buffer, size > 0 ? size : 0).bytes);
}

}  // namespace dorvex::api
