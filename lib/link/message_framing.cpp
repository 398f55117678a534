#include "link/message_framing.h"

#include "link/traffic_trace.h"
#include "platform/code_page.h"

namespace dorvex {

void MessageFraming::Trace(std::string_view direction, std::string_view bytes) const {
    TrafficTrace::Message(direction, kindCode_, bytes, wide_, showsFrames_);
}

void MessageFraming::TraceText(std::string_view direction, const Text& text) const {
    // Encoding the text again costs a copy: only when someone reads the trace.
    if (TrafficTrace::Enabled())
        Trace(direction, wide_ ? ToUtf16LeBytes(text) : EncodeData(text));
}

}  // namespace dorvex
