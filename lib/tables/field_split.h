// Cutting one field off a CSV line. Both functions come in two shapes: on a Text line that is
// shortened in place, and on a view that is advanced (what the record reader uses, so that a
// record is split without copying the rest of the line for every cell).
//
// TakeField honours double quotes: separators inside a quoted stretch belong to the field, text
// between the closing quote and the next separator is joined to it, the result is trimmed and a
// pair of enclosing quotes is removed. A doubled quote is no escape. SplitField cuts up to the
// first separator without looking at quotes: an inner field is trimmed, the last one (no
// separator after it) keeps its blanks.
//
// `separators` is a set of characters; empty means ";". A set whose first character is a blank
// makes SplitField skip leading white space first (blank-separated words).
#pragma once

#include "platform/text.h"

namespace dorvex {

inline constexpr TextView kFieldSeparator = u";";

// Cuts the next field off `line` into `destination` (its storage is reused) and returns it.
// `destination` and `line` must be different objects.
const Text& TakeField(Text& destination, TextView& line, TextView separators = {});
const Text& TakeField(Text& destination, Text& line, TextView separators = {});

const Text& SplitField(Text& destination, TextView& line, TextView separators = {});
const Text& SplitField(Text& destination, Text& line, TextView separators = {});

// SplitField without a destination: the field as a part of the line it was cut from.
TextView SplitFieldView(TextView& line, TextView separators = {});

}  // namespace dorvex
