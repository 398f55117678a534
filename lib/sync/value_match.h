// Whether a value read back from the scale is the value the file holds. Both sides are taken
// as the data files write them; the line-break marker and the "&|", "&lt;" and "&gt;" escapes
// are undone first. Two values that both hold a decimal separator and both read as numbers are
// compared as numbers ("2.5" equals "2.50"); every other pair as text, exactly ("0012" is not
// "12").
#pragma once

#include "platform/text.h"

namespace dorvex {

class ValueMatch {
  public:
    static bool Same(TextView fileValue, TextView scaleValue, TextView marker);
    // The value with the escapes and the marker undone.
    static Text Plain(TextView value, TextView marker);
};

}  // namespace dorvex
