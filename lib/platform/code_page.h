// The data code page: the 8-bit encoding of ".csv" data files, 8-bit result files and
// error-log lines, TCP texts when unicode is off, and every serial text. Windows-1252 by
// default through a built-in table; any other iconv name through iconv.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace dorvex {

class CodePage {
  public:
    virtual ~CodePage() = default;
    virtual Text Decode(std::string_view bytes) const = 0;
    // Decode's text into `out`, whose storage is reused: for callers that decode line by line.
    virtual void DecodeInto(std::string_view bytes, Text& out) const { out = Decode(bytes); }
    // Characters without a byte in the code page become '?'.
    virtual std::string Encode(TextView text) const = 0;
    // Encode's bytes appended to `out`, for callers that reuse one buffer.
    virtual void EncodeAppend(TextView text, std::string& out) const { out += Encode(text); }
    // True for a code page of one byte per UTF-16 unit whose first 128 bytes are ASCII; its
    // text can then be encoded unit by unit, with EncodeUnit for the units from 0x80 on.
    virtual bool OneBytePerUnit() const { return false; }
    virtual char EncodeUnit(char16_t unit) const {
        return unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    virtual const std::string& Name() const = 0;

    // Windows-1252 with the five undefined bytes mapped to U+0081.. so every byte round-trips.
    static std::shared_ptr<const CodePage> Windows1252();
    // Any encoding iconv knows; null when iconv does not know the name.
    static std::shared_ptr<const CodePage> ByName(const std::string& name);
};

// The code page in force: DORVEX_CODEPAGE at first use, else Windows-1252; replaced by
// SetDataCodePage. Safe to call from any thread.
std::shared_ptr<const CodePage> DataCodePage();
bool SetDataCodePage(const std::string& name);

// Shorthands through the code page in force.
Text DecodeData(std::string_view bytes);
std::string EncodeData(TextView text);

}  // namespace dorvex
