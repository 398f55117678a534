// Reading the scale's replies. Replies are never parsed as a whole: the library looks for a few
// markers by plain substring search. Every cut by position is bounds-checked, so a short or
// malformed reply gives empty values.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace dorvex {

class TableCatalog;

// The reply carries the error marker " m=\"e\">".
bool IsErrorReply(TextView reply);
// The scale did not recognise the message ("<unt>").
bool IsUnknownReply(TextView reply);
// Not empty, and neither an error nor an unknown-message reply.
bool IsSuccessReply(TextView reply);

// Result-file text of an error reply: what follows the error marker, less its first five
// characters; empty when the reply is shorter.
Text ErrorResultText(TextView reply);
// Error-log text of a reply: what follows the error marker, or the whole reply without one.
Text LoggedErrorText(TextView reply);

// The record count of a count reply (a decimal integer after "COUNT(*)<val>", read like atoi and
// held to the 32-bit range); none when the marker is missing.
std::optional<std::int64_t> RecordCountOf(TextView reply);
// The field names of a whole-table read reply: after "<fld>" up to the next "<" (or the end);
// empty when there is no "<fld>".
Text FieldListOf(TextView reply);
// The value list of a whole-table read record: the reply less its last three characters, after
// "<val>"; empty when there is no "<val>".
Text WholeTableValueOf(TextView reply);

// Values of a row-read reply, joined by ";", for the catalog's current table: for each field in
// definition order (the table's own entry included) the text after "<tag>" in the part of the
// reply that follows the first "\">", up to the next "<". A field whose tag does not occur adds
// nothing, not even a separator; no separator precedes a value while the result is empty.
// The tag is searched with its angle brackets, so that a value that happens to contain a tag's
// letters (a "Tarte" holds "art") is not taken for that field.
// A ";" inside a value is written "&|", as data files write it, so that the result line keeps
// one cell per field and can be sent back as it is.
Text ParseReplyValues(const TableCatalog& catalog, TextView reply);

// Read values back into data-file form: "&lt;" -> "<", "&gt;" -> ">", then, when `crChars` is
// set, each "\r\n" -> `crChars`.
Text UnescapeReadValue(TextView value, TextView crChars);

}  // namespace dorvex
