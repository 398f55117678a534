#include "protocol/protocol_texts.h"

#include "tables/record_cursor.h"
#include "tables/table_catalog.h"

namespace dorvex {

using namespace protocol;

Text LeadingTag(TextView name, TextView mode) {
    Text out;
    out.reserve(name.size() + mode.size() + 8);
    out += u'<';
    out += name;
    out += u" m=\"";
    out += mode;
    out += kLeadingTagEnd;
    return out;
}

Text BuildTableHeader(TableCatalog& catalog, const Text& table, TextView mode) {
    if (!catalog.SelectTable(table))
        return {};
    return LeadingTag(catalog.TagOf(table), mode);
}

Text RowHeader(TextView tableHeader, TextView device) {
    Text out(tableHeader);
    out += kDeviceTag;
    out += device;
    return out;
}

Text SqlHeader(TextView mode, TextView device) {
    return RowHeader(LeadingTag(kSqlTag, mode), device);
}

Text ReadDeviceText(TextView deviceNumber) {
    return Text(deviceNumber == kAllDevicesNumber ? kAllDevicesReadText : deviceNumber);
}

Text CountStatement(TextView table) {
    return Text(kQueryTag) + u"SELECT COUNT(*) FROM " + Text(table);
}

Text SelectStatement(TextView columns, TextView table) {
    return Text(kQueryTag) + u"SELECT " + Text(columns) + u" FROM " + Text(table);
}

Text DeleteStatement(TextView table) {
    return Text(kQueryTag) + u"DELETE FROM " + Text(table);
}

Text IdentityRequest(TextView deviceNumber) {
    return RowHeader(LeadingTag(kIdentityTag, kReadMode), deviceNumber) + Text(kPartTag) +
           Text(kIdentityPart);
}

Text BuildColumnList(const RecordCursor& cursor) {
    Text out;
    for (int i = 0; i < cursor.FieldCount(); ++i) {
        if (i > 0)
            out += kColumnListSeparator;
        out += cursor.FieldAt(i)->name;
    }
    return out;
}

}  // namespace dorvex
