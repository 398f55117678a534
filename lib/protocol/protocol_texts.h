// Every text of the message protocol, and the composition of the requests the library sends.
//
// A message is a flat run of opening tags, each followed by its text up to the next "<". A
// request is a header (leading tag with the mode, then the device number) followed directly
// by one body (the tagged field values of a row, or an SQL statement).
#pragma once

#include "platform/text.h"

namespace dorvex {

class TableCatalog;
class RecordCursor;

namespace protocol {

// Modes of the leading tag.
inline constexpr TextView kWriteMode = u"w";
inline constexpr TextView kReadMode = u"r";
inline constexpr TextView kReadNextMode = u"r+";
inline constexpr TextView kDeleteMode = u"d";

// Tags of the library's own vocabulary.
inline constexpr TextView kSqlTag = u"sql";
inline constexpr TextView kIdentityTag = u"idt";
inline constexpr TextView kDeviceTag = u"<dvn>";
inline constexpr TextView kPartTag = u"<dpn>";
inline constexpr TextView kQueryTag = u"<qry>";
inline constexpr TextView kFieldListTag = u"<fld>";
inline constexpr TextView kValueTag = u"<val>";
inline constexpr TextView kUnknownTag = u"<unt>";

// Reply markers, found by plain substring search.
inline constexpr TextView kErrorMarker = u" m=\"e\">";
inline constexpr TextView kCountMarker = u"COUNT(*)<val>";
inline constexpr TextView kLeadingTagEnd = u"\">";

// Device text of read requests that address device "0".
inline constexpr TextView kAllDevicesNumber = u"0";
inline constexpr TextView kAllDevicesReadText = u"fm";
inline constexpr TextView kIdentityPart = u"1";

// Value escapes in row bodies, applied in this order.
inline constexpr TextView kEscapedSeparator = u"&|";
inline constexpr TextView kSeparator = u";";
inline constexpr TextView kLessThan = u"<";
inline constexpr TextView kEscapedLessThan = u"&lt;";
inline constexpr TextView kGreaterThan = u">";
inline constexpr TextView kEscapedGreaterThan = u"&gt;";
// What the line-break marker stands for on the wire.
inline constexpr TextView kLineBreak = u"\r\n";

inline constexpr TextView kColumnListSeparator = u", ";

}  // namespace protocol

// "<name m=\"mode\">".
Text LeadingTag(TextView name, TextView mode);
// The leading tag of `table` (its tag from the catalog) with `mode`; empty when the catalog has
// no such table. Makes `table` the catalog's current table.
Text BuildTableHeader(TableCatalog& catalog, const Text& table, TextView mode);
// Header of a row request: the table header, then "<dvn>" and the device text.
Text RowHeader(TextView tableHeader, TextView device);
// Header of a statement request: "<sql m=\"mode\"><dvn>" and the device text.
Text SqlHeader(TextView mode, TextView device);
// The device text of read requests: "fm" for device "0", else the number itself. Write and
// delete requests carry the number unchanged.
Text ReadDeviceText(TextView deviceNumber);

// Bodies of the whole-table requests; `table` as the catalog spells it.
Text CountStatement(TextView table);
Text SelectStatement(TextView columns, TextView table);
Text DeleteStatement(TextView table);
// The complete identity request.
Text IdentityRequest(TextView deviceNumber);

// The cursor's column names (upper case, file order) joined by ", ".
Text BuildColumnList(const RecordCursor& cursor);

}  // namespace dorvex
