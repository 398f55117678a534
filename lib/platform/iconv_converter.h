// Conversions between UTF-16 and any 8-bit or multi-byte encoding named as iconv names it.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace dorvex {

class IconvConverter {
  public:
    static bool Supports(const std::string& encoding);
    // Bytes that do not decode become U+FFFD; characters that do not encode become '?'.
    static Text ToUtf16(const std::string& encoding, std::string_view bytes);
    static std::string FromUtf16(const std::string& encoding, TextView text);
};

}  // namespace dorvex
