#include "platform/text.h"

#include <algorithm>
#include <limits>

namespace dorvex {

Text Ascii(std::string_view ascii) {
    return Text(ascii.begin(), ascii.end());
}

Text Mid(TextView text, std::size_t pos, std::size_t count) {
    if (pos >= text.size())
        return {};
    return Text(text.substr(pos, count));
}

bool Contains(TextView text, TextView part) {
    return text.find(part) != TextView::npos;
}

std::size_t Find(TextView text, TextView part, std::size_t from) {
    return text.find(part, from);
}

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

TextView TrimView(TextView text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

Text Trim(TextView text) {
    return Text(TrimView(text));
}

Text TrimLeft(TextView text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin]))
        ++begin;
    return Text(text.substr(begin));
}

namespace {

// Latin Extended-A letters come in upper/lower pairs whose parity flips at U+0138 and U+0178.
bool IsLowerExtendedA(char16_t c) {
    if (c >= 0x100 && c <= 0x137)
        return (c & 1) != 0;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) == 0;
    if (c >= 0x14A && c <= 0x177)
        return (c & 1) != 0;
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) == 0;
    return false;
}

}  // namespace

char16_t ToUpperChar(char16_t c) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<char16_t>(c - 32);
    if (c == 0xFF)
        return 0x178;
    if (IsLowerExtendedA(c))
        return static_cast<char16_t>(c - 1);
    return c;
}

char16_t ToLowerChar(char16_t c) {
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<char16_t>(c + 32);
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x100 && c < 0x17E && IsLowerExtendedA(static_cast<char16_t>(c + 1))) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

Text ToUpper(TextView text) {
    Text out(text);
    for (auto& c : out)
        c = ToUpperChar(c);
    return out;
}

int CompareNoCase(TextView a, TextView b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = ToLowerChar(a[i]);
        char16_t y = ToLowerChar(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(TextView a, TextView b) {
    return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

void ReplaceAll(Text& text, TextView from, TextView to) {
    if (from.empty())
        return;
    std::size_t pos = text.find(from);
    if (pos == Text::npos)
        return;
    Text out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (pos != Text::npos) {
        out.append(text, start, pos - start);
        out.append(to);
        start = pos + from.size();
        pos = text.find(from, start);
    }
    out.append(text, start, Text::npos);
    text.swap(out);
}

Text Replaced(TextView text, TextView from, TextView to) {
    Text out(text);
    ReplaceAll(out, from, to);
    return out;
}

std::int64_t ParseLeadingInteger(TextView text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 10;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value < kLimit)
            value = value * 10 + (text[i] - u'0');
    }
    return negative ? -value : value;
}

Text NumberText(std::int64_t value) {
    return Ascii(std::to_string(value));
}

Text FromUtf8(std::string_view utf8) {
    Text out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    while (i < utf8.size()) {
        unsigned char lead = byte(i);
        char32_t cp = 0xFFFD;
        std::size_t len = 1;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xF4) {
            std::size_t need = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            char32_t value = lead & (0xFF >> (need + 1));
            std::size_t k = 1;
            for (; k < need && i + k < utf8.size() && (byte(i + k) & 0xC0) == 0x80; ++k) {
                value = (value << 6) | (byte(i + k) & 0x3F);
            }
            bool shortest =
                (need == 3 && value >= 0x800) || (need == 4 && value >= 0x10000) || need == 2;
            if (k == need && shortest && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
                cp = value;
                len = need;
            } else {
                len = std::max<std::size_t>(1, k);
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string ToUtf8(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

Text FromUtf16LeBytes(std::string_view bytes) {
    Text out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::string ToUtf16LeBytes(TextView text) {
    std::string out(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        out[2 * i] = static_cast<char>(text[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return out;
}

}  // namespace dorvex
