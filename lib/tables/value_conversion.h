// Conversions of cell texts to numbers and dates for typed comparisons, by the user's locale.
//
// What converts:
// - Numbers: optional blanks around, an optional sign ("+" or "-"), decimal digits with at most
//   one decimal separator (the locale's, e.g. "," in a French locale; "." is the fallback), at
//   least one digit, and an optional exponent ("e" or "E", optional sign, digits). No grouping
//   separators, no currency, no "inf" or "nan". "12", "-0,5" (French), "1.5e3" (English) convert;
//   "", "abc", "1.2.3", "1 000", "12kg" do not.
// - Integers (16 and 32 bits): any number as above, rounded half to even, within the type's
//   range; "2.5" gives 2, "3.5" gives 4, "40000" is no 16-bit integer.
// - Single precision: any number within the range of float.
// - Dates: day/month/year with "/", "." or "-" between the parts ("31/12/2024", "1.2.2024"),
//   or ISO year-month-day ("2024-12-31"), optionally followed by a blank or "T" and a time
//   hh:mm or hh:mm:ss. Years have four digits, or two (00-29 are 20xx, 30-99 are 19xx). The
//   value is the day count since 30 December 1899 plus the fraction of the day, so dates and
//   times order as they do on a calendar.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace dorvex {

struct NumberFormat {
    char16_t decimalSeparator = u'.';
};

// The user's number format (LC_ALL, LC_NUMERIC or LANG), read once; "." when unknown.
const NumberFormat& UserNumberFormat();

std::optional<double> ToNumber(TextView text, const NumberFormat& format = UserNumberFormat());
std::optional<std::int16_t> ToInt16(TextView text, const NumberFormat& format = UserNumberFormat());
std::optional<std::int32_t> ToInt32(TextView text, const NumberFormat& format = UserNumberFormat());
std::optional<float> ToSingle(TextView text, const NumberFormat& format = UserNumberFormat());
std::optional<double> ToDate(TextView text);

}  // namespace dorvex
