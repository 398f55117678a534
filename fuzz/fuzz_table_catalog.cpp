// Loading table definitions from arbitrary bytes, then walking, selecting and looking up. The
// bytes are read in place through the same code that reads table.csv.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/text.h"
#include "tables/table_catalog.h"

namespace {

using dorvex::fuzz::Check;

// A kilobyte holds dozens of tables, long tags and a wide header; beyond it an input only
// repeats the same reading for longer.
constexpr std::size_t kMaxBytes = 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dorvex::TableCatalog catalog;
    const std::size_t bytes = std::min(size, kMaxBytes);
    catalog.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), bytes));

    const std::vector<dorvex::Text> names = catalog.TableNames();
    std::size_t walked = 0;
    for (auto pos = catalog.GetStartPosition(); pos != 0; ++walked) {
        Check(walked < names.size());
        Check(catalog.GetNextTableName(pos) == names[walked]);
    }
    Check(walked == names.size() && walked == catalog.TableCount());

    // Every lookup on the first tables and their first fields: beyond them the same code only
    // repeats itself, and a field lookup scans the fields, so looking up every field of a wide
    // table costs the square of its width.
    constexpr std::size_t kTablesLookedUp = 16;
    constexpr std::size_t kFieldsLookedUp = 16;
    for (std::size_t i = 0; i < names.size() && i < kTablesLookedUp; ++i) {
        const dorvex::Text& name = names[i];
        Check(catalog.SelectTable(name));
        const std::vector<dorvex::TableField>& fields = catalog.CurrentTable();
        for (std::size_t f = 0; f < fields.size() && f < kFieldsLookedUp; ++f) {
            // The first field of that name in any letter case answers.
            Check(dorvex::EqualsNoCase(catalog.FieldNameOf(fields[f].name), fields[f].name));
            catalog.TagOf(fields[f].name);
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
