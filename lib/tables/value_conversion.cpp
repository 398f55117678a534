#include "tables/value_conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <locale>
#include <string>

namespace dorvex {
namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Appends a run of digits from `text` at `pos` to `out`; returns how many there were.
std::size_t TakeDigits(TextView text, std::size_t& pos, std::string& out) {
    std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        out.push_back(static_cast<char>(text[pos++]));
    return pos - start;
}

void TakeSign(TextView text, std::size_t& pos, std::string& out) {
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        if (text[pos] == u'-')
            out.push_back('-');
        ++pos;
    }
}

// The number in the C locale's spelling, or empty when the text is no number.
std::string NormalisedNumber(TextView text, char16_t decimalSeparator) {
    std::string out;
    std::size_t pos = 0;
    TakeSign(text, pos, out);
    std::size_t digits = TakeDigits(text, pos, out);
    if (pos < text.size() && text[pos] == decimalSeparator) {
        out.push_back('.');
        ++pos;
        digits += TakeDigits(text, pos, out);
    }
    if (digits == 0)
        return {};
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        out.push_back('e');
        ++pos;
        TakeSign(text, pos, out);
        if (TakeDigits(text, pos, out) == 0)
            return {};
    }
    return pos == text.size() ? out : std::string();
}

NumberFormat ReadUserNumberFormat() {
    NumberFormat format;
    try {
        char point = std::use_facet<std::numpunct<char>>(std::locale("")).decimal_point();
        if (point != '\0')
            format.decimalSeparator = static_cast<unsigned char>(point);
    } catch (const std::exception&) {
        // An unknown locale name in the environment: keep ".".
    }
    return format;
}

template <typename Integer>
std::optional<Integer> ToRoundedInteger(TextView text, const NumberFormat& format) {
    std::optional<double> number = ToNumber(text, format);
    if (!number)
        return std::nullopt;
    double rounded = std::nearbyint(*number);  // the default rounding: half to even
    if (rounded < std::numeric_limits<Integer>::min() ||
        rounded > std::numeric_limits<Integer>::max())
        return std::nullopt;
    return static_cast<Integer>(rounded);
}

// Reads 1 to `maxDigits` digits as a number; -1 when there is none.
int TakeNumber(TextView text, std::size_t& pos, std::size_t maxDigits, std::size_t& count) {
    int value = 0;
    count = 0;
    while (pos < text.size() && IsDigit(text[pos]) && count < maxDigits) {
        value = value * 10 + (text[pos++] - u'0');
        ++count;
    }
    return count == 0 ? -1 : value;
}

bool TakeChar(TextView text, std::size_t& pos, char16_t c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool IsDateSeparator(char16_t c) {
    return c == u'/' || c == u'.' || c == u'-';
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int FullYear(int year, std::size_t digits) {
    if (digits == 2)
        return year < 30 ? 2000 + year : 1900 + year;
    return digits == 4 ? year : -1;
}

struct CalendarDate {
    int year = -1;
    int month = -1;
    int day = -1;
};

// "yyyy-mm-dd" or "d/m/yyyy" (separators "/", "." or "-"); the position after it.
std::optional<CalendarDate> TakeCalendarDate(TextView text, std::size_t& pos) {
    std::size_t count = 0;
    CalendarDate date;
    int first = TakeNumber(text, pos, 4, count);
    if (first < 0)
        return std::nullopt;
    if (count == 4) {
        date.year = first;
        if (!TakeChar(text, pos, u'-') || (date.month = TakeNumber(text, pos, 2, count)) < 0 ||
            !TakeChar(text, pos, u'-') || (date.day = TakeNumber(text, pos, 2, count)) < 0)
            return std::nullopt;
    } else {
        if (count > 2 || pos >= text.size() || !IsDateSeparator(text[pos]))
            return std::nullopt;
        char16_t separator = text[pos++];
        date.day = first;
        if ((date.month = TakeNumber(text, pos, 2, count)) < 0 || !TakeChar(text, pos, separator))
            return std::nullopt;
        int year = TakeNumber(text, pos, 4, count);
        date.year = year < 0 ? -1 : FullYear(year, count);
    }
    bool valid = date.year >= 1 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
                 date.day <= DaysInMonth(date.year, date.month);
    return valid ? std::optional(date) : std::nullopt;
}

// "hh:mm" or "hh:mm:ss" as a fraction of a day.
std::optional<double> TakeTimeOfDay(TextView text, std::size_t& pos) {
    std::size_t count = 0;
    int hour = TakeNumber(text, pos, 2, count);
    int minute = -1;
    int second = 0;
    if (hour < 0 || !TakeChar(text, pos, u':') || (minute = TakeNumber(text, pos, 2, count)) < 0)
        return std::nullopt;
    if (TakeChar(text, pos, u':') && (second = TakeNumber(text, pos, 2, count)) < 0)
        return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

}  // namespace

const NumberFormat& UserNumberFormat() {
    static const NumberFormat format = ReadUserNumberFormat();
    return format;
}

std::optional<double> ToNumber(TextView text, const NumberFormat& format) {
    std::string number = NormalisedNumber(TrimView(text), format.decimalSeparator);
    if (number.empty())
        return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> ToInt16(TextView text, const NumberFormat& format) {
    return ToRoundedInteger<std::int16_t>(text, format);
}

std::optional<std::int32_t> ToInt32(TextView text, const NumberFormat& format) {
    return ToRoundedInteger<std::int32_t>(text, format);
}

std::optional<float> ToSingle(TextView text, const NumberFormat& format) {
    std::optional<double> number = ToNumber(text, format);
    if (!number || std::fabs(*number) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*number);
}

std::optional<double> ToDate(TextView text) {
    static const std::int64_t kEpoch = DaysFromCivil(1899, 12, 30);
    TextView trimmed = TrimView(text);
    std::size_t pos = 0;
    std::optional<CalendarDate> date = TakeCalendarDate(trimmed, pos);
    if (!date)
        return std::nullopt;
    double value = static_cast<double>(DaysFromCivil(date->year, static_cast<unsigned>(date->month),
                                                     static_cast<unsigned>(date->day)) -
                                       kEpoch);
    if (pos == trimmed.size())
        return value;
    if (!TakeChar(trimmed, pos, u' ') && !TakeChar(trimmed, pos, u'T'))
        return std::nullopt;
    std::optional<double> time = TakeTimeOfDay(trimmed, pos);
    if (!time || pos != trimmed.size())
        return std::nullopt;
    return value + *time;
}

}  // namespace dorvex
