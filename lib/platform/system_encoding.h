// The 8-bit encodings that the platform fixes rather than the caller.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace dorvex {

// Strings crossing the exported functions: the system's narrow encoding (UTF-8 on Linux, the
// ANSI code page on Windows).
Text DecodeApiText(std::string_view bytes);
std::string EncodeApiText(TextView text);

// The data code page when nothing else chooses one: Windows-1252 on Linux (what the scales and
// the files made beside them use), the ANSI code page on Windows.
std::string DefaultDataCodePageName();

}  // namespace dorvex
