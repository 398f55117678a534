// Loading table definitions from arbitrary bytes, then walking, selecting and looking up. The
// bytes are read in place through the same code that reads table.csv.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "tables/table_catalog.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dorvex::TableCatalog catalog;
    Check(catalog.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size)) == 0);

    const std::vector<dorvex::Text> names = catalog.TableNames();
    std::size_t walked = 0;
    for (auto pos = catalog.GetStartPosition(); pos != 0; ++walked) {
        Check(walked < names.size());
        Check(catalog.GetNextTableName(pos) == names[walked]);
    }
    Check(walked == names.size() && walked == catalog.TableCount());

    // Every lookup of the first tables; beyond them the same code only repeats itself.
    constexpr std::size_t kTablesLookedUp = 16;
    for (std::size_t i = 0; i < names.size() && i < kTablesLookedUp; ++i) {
        const dorvex::Text& name = names[i];
        Check(catalog.SelectTable(name) == dorvex::TableCatalog::kSelected);
        for (const dorvex::TableField& field : catalog.CurrentTable()) {
            catalog.TagOf(field.name);
            catalog.FieldNameOf(field.name);
        }
        catalog.FieldNames();
        // Some table fits a file named after a table, though not always that one (another
        // table's name may occur in it too); the unnamed table fits no file.
        std::optional<dorvex::Text> match = catalog.TableForFileName(name + u"_w.csv");
        Check(match.has_value() || name.empty());
        Check(!match || !match->empty());
    }
    catalog.Clear();
    Check(catalog.GetStartPosition() == 0);
    return 0;
}
