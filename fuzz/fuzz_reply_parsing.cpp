// Reading arbitrary replies: every marker search, every cut by position and the row-read
// values, for a catalog with tables of several shapes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text.h"
#include "protocol/reply_markers.h"
#include "tables/table_catalog.h"

namespace {

using dorvex::fuzz::Check;

dorvex::TableCatalog& Catalog() {
    static dorvex::TableCatalog catalog = [] {
        dorvex::TableCatalog loaded;
        loaded.LoadBytes(
            "TABLE;F1;F2;F3\r\nArticle;PLU;Name;Price\r\nart;plu;nam;upr\r\n"
            "Odd;A;B\r\nx;lo;longer\r\nLone;A\r\n");
        return loaded;
    }();
    return catalog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const dorvex::Text tables[] = {u"Article", u"Odd", u"Lone", u"Missing"};
    dorvex::TableCatalog& catalog = Catalog();
    catalog.SelectTable(tables[data[0] % 4]);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const dorvex::Text reply =
        (data[0] & 4) ? dorvex::FromUtf16LeBytes(bytes) : dorvex::FromUtf8(bytes);

    Check(dorvex::IsSuccessReply(reply) ==
          (!reply.empty() && !dorvex::IsErrorReply(reply) && !dorvex::IsUnknownReply(reply)));
    Check(dorvex::ErrorResultText(reply).size() <= reply.size());
    Check(dorvex::LoggedErrorText(reply).size() <= reply.size());
    Check(dorvex::FieldListOf(reply).size() <= reply.size());
    Check(dorvex::WholeTableValueOf(reply).size() <= reply.size());
    if (auto count = dorvex::RecordCountOf(reply)) {
        Check(*count >= INT32_MIN && *count <= INT32_MAX);
    }
    const dorvex::Text values = dorvex::ParseReplyValues(catalog, reply);
    // Each value comes from the reply; a ";" inside one is written "&|", one unit longer.
    const auto semicolons = static_cast<std::size_t>(std::count(reply.begin(), reply.end(), u';'));
    Check(values.size() <= reply.size() + semicolons + catalog.CurrentTable().size());
    dorvex::UnescapeReadValue(values, u"|");
    return 0;
}
