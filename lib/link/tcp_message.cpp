#include "link/tcp_message.h"

#include <algorithm>

#include "platform/code_page.h"

namespace dorvex {

void TcpMessage::Append(std::string_view bytes, std::int64_t nowUs) {
    lastByteUs_ = nowUs;
    received_ += bytes.size();
    if (overflowed_)
        return;
    if (bytes_.size() + bytes.size() > kMaxBytes) {
        overflowed_ = true;
        bytes_.clear();
        bytes_.shrink_to_fit();
        return;
    }
    bytes_.append(bytes);
}

Text TcpMessage::Take() {
    Text text;
    if (overflowed_) {
        text = u"<dvx m=\"e\"><err>Reply discarded: longer than " + NumberText(kMaxBytes) +
               u" bytes (" + NumberText(static_cast<std::int64_t>(received_)) + u" received)";
    } else {
        text = unicode_ ? FromUtf16LeBytes(bytes_) : DecodeData(bytes_);
        text.resize(std::min(text.find(u'\0'), text.size()));
    }
    bytes_.clear();
    received_ = 0;
    overflowed_ = false;
    return text;
}

}  // namespace dorvex
