#include "sync/value_match.h"

#include "tables/value_conversion.h"

namespace dorvex {
namespace {

bool HasDecimalSeparator(TextView value) {
    const char16_t separator = UserNumberFormat().decimalSeparator;
    return value.find(separator) != TextView::npos || value.find(u'.') != TextView::npos;
}

std::optional<double> DecimalNumber(TextView value) {
    if (!HasDecimalSeparator(value))
        return std::nullopt;
    std::optional<double> number = ToNumber(value);
    if (!number && UserNumberFormat().decimalSeparator != u'.')
        number = ToNumber(value, NumberFormat{u'.'});
    return number;
}

}  // namespace

Text ValueMatch::Plain(TextView value, TextView marker) {
    Text out = Replaced(value, u"&|", u";");
    ReplaceAll(out, u"&lt;", u"<");
    ReplaceAll(out, u"&gt;", u">");
    if (!marker.empty())
        ReplaceAll(out, marker, u"\r\n");
    return out;
}

bool ValueMatch::Same(TextView fileValue, TextView scaleValue, TextView marker) {
    const Text file = Plain(fileValue, marker);
    const Text scale = Plain(scaleValue, marker);
    if (file == scale)
        return true;
    const std::optional<double> a = DecimalNumber(file);
    const std::optional<double> b = DecimalNumber(scale);
    return a && b && *a == *b;
}

}  // namespace dorvex
