// UTF-16 text helpers. All text inside the library is std::u16string; positions and lengths
// count UTF-16 code units. Every slice is bounds-checked: a cut that would run past the end
// yields the empty text instead of failing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dorvex {

using Text = std::u16string;
using TextView = std::u16string_view;

// Literal helper: u"..." literals are already UTF-16; this turns ASCII narrow text into Text.
Text Ascii(std::string_view ascii);

// The part of `text` from `pos` on, at most `count` units; empty when `pos` lies past the end.
Text Mid(TextView text, std::size_t pos, std::size_t count = TextView::npos);

bool Contains(TextView text, TextView part);
std::size_t Find(TextView text, TextView part, std::size_t from = 0);

// White space as the C runtime's iswspace sees it in the default locale.
bool IsSpace(char16_t c);
TextView TrimView(TextView text);
Text Trim(TextView text);
Text TrimLeft(TextView text);

// Letter case of the Latin-1 and Latin Extended-A ranges plus ASCII; other units are kept.
char16_t ToUpperChar(char16_t c);
char16_t ToLowerChar(char16_t c);
Text ToUpper(TextView text);
bool EqualsNoCase(TextView a, TextView b);
// Sign of a case-insensitive comparison: -1, 0 or 1.
int CompareNoCase(TextView a, TextView b);

void ReplaceAll(Text& text, TextView from, TextView to);
Text Replaced(TextView text, TextView from, TextView to);

// Reads a decimal integer the way the C library's atoi does: leading blanks, an optional sign,
// digits up to the first other character; 0 when there are none. Saturates instead of
// overflowing.
std::int64_t ParseLeadingInteger(TextView text);

// Decimal text of a number.
Text NumberText(std::int64_t value);

// UTF-8 <-> UTF-16. Invalid UTF-8 bytes become U+FFFD; unpaired surrogates become U+FFFD.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);

// UTF-16LE bytes <-> text. An odd trailing byte is dropped.
Text FromUtf16LeBytes(std::string_view bytes);
std::string ToUtf16LeBytes(TextView text);

}  // namespace dorvex
