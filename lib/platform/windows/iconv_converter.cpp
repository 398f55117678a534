#include "platform/iconv_converter.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace dorvex {
namespace {

std::string Upper(std::string text) {
    for (auto& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::optional<UINT> Digits(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return static_cast<UINT>(std::stoul(std::string(text)));
}

// The Windows code page that an encoding name stands for: a number ("1250"), a number with a
// prefix ("CP1250", "WINDOWS-1250", "IBM850"), "CP_ACP" for the ANSI code page, or one of the
// common iconv names.
std::optional<UINT> CodePageNumber(const std::string& encoding) {
    const std::string name = Upper(encoding);
    if (name == "CP_ACP" || name == "ACP" || name == "ANSI")
        return CP_ACP;
    for (std::string_view prefix : {"", "CP", "WINDOWS-", "IBM", "MS"}) {
        if (name.rfind(prefix, 0) == 0) {
            if (auto number = Digits(std::string_view(name).substr(prefix.size())))
                return number;
        }
    }
    for (std::string_view prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
        if (name.rfind(prefix, 0) == 0) {
            if (auto part = Digits(std::string_view(name).substr(prefix.size())))
                return 28590 + *part;
        }
    }
    struct Alias {
        const char* name;
        UINT codePage;
    };
    static constexpr Alias kAliases[] = {
        {"UTF-8", CP_UTF8},  {"UTF8", CP_UTF8}, {"UTF-7", CP_UTF7}, {"LATIN1", 28591},
        {"US-ASCII", 20127}, {"ASCII", 20127},  {"KOI8-R", 20866},  {"KOI8-U", 21866},
        {"SHIFT_JIS", 932},  {"SJIS", 932},     {"GBK", 936},       {"GB2312", 936},
        {"BIG5", 950},       {"EUC-KR", 51949}, {"EUC-JP", 20932},  {"MACINTOSH", 10000}};
    for (const Alias& alias : kAliases) {
        if (name == alias.name)
            return alias.codePage;
    }
    return std::nullopt;
}

bool IsUnicodeForm(UINT codePage) {
    return codePage == CP_UTF8 || codePage == CP_UTF7;
}

}  // namespace

bool IconvConverter::Supports(const std::string& encoding) {
    std::optional<UINT> codePage = CodePageNumber(encoding);
    return codePage && (*codePage == CP_ACP || IsValidCodePage(*codePage));
}

// Bytes that do not decode become U+FFFD (the system's replacement).
Text IconvConverter::ToUtf16(const std::string& encoding, std::string_view bytes) {
    std::optional<UINT> codePage = CodePageNumber(encoding);
    if (!codePage || bytes.empty())
        return {};
    const int length = static_cast<int>(bytes.size());
    int units = MultiByteToWideChar(*codePage, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(*codePage, 0, bytes.data(), length, wide.data(), units);
    return Text(wide.begin(), wide.end());
}

// Characters without a byte become '?', never a look-alike: "best fit" would write a
// different letter into the scale's database without a word.
std::string IconvConverter::FromUtf16(const std::string& encoding, TextView text) {
    std::optional<UINT> codePage = CodePageNumber(encoding);
    if (!codePage || text.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const bool unicodeForm = IsUnicodeForm(*codePage);
    const DWORD flags = unicodeForm ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = unicodeForm ? nullptr : "?";
    int size = WideCharToMultiByte(*codePage, flags, wide, length, nullptr, 0, fallback, nullptr);
    if (size <= 0)
        return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(*codePage, flags, wide, length, out.data(), size, fallback, nullptr);
    return out;
}

}  // namespace dorvex
