// The traffic trace for support: every message sent and received, with direction, time, link
// kind and the bytes. Goes to a handler installed by the host and/or to the file named by the
// environment variable DORVEX_TRACE. Off by default and free when off.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace dorvex {

using TraceHandler = void (*)(const char* direction, const char* kind, const char* line,
                              void* context);

class TrafficTrace {
  public:
    static void SetHandler(TraceHandler handler, void* context);
    static bool Enabled();

    // A message on the wire: `bytes` as sent or received (8-bit or UTF-16LE). Frames (serial)
    // are shown in hex as well.
    static void Message(std::string_view direction, std::string_view kind, std::string_view bytes,
                        bool unicode, bool isFrame);
    // An event worth knowing when reading a trace (a reconnect, a dropped frame, ...).
    static void Event(std::string_view kind, TextView text);
};

}  // namespace dorvex
