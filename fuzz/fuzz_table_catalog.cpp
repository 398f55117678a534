// Loading table definitions from arbitrary bytes, then walking, selecting and looking up.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/text.h"
#include "tables/table_catalog.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::filesystem::path ScratchPath() {
    static const std::string name =
        "dorvex-fuzz-table-" + std::to_string(std::random_device{}()) + ".csv";
    return std::filesystem::temp_directory_path() / name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = ScratchPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    dorvex::TableCatalog catalog;
    Check(catalog.Load(dorvex::FromUtf8(path.string())) == 0);

    const std::vector<dorvex::Text> names = catalog.TableNames();
    std::size_t walked = 0;
    for (auto pos = catalog.GetStartPosition(); pos != 0; ++walked) {
        Check(catalog.GetNextTableName(pos) == names[walked]);
    }
    Check(walked == names.size() && walked == catalog.TableCount());

    for (const dorvex::Text& name : names) {
        Check(catalog.SelectTable(name) == dorvex::TableCatalog::kSelected);
        for (const dorvex::TableField& field : catalog.CurrentTable()) {
            catalog.TagOf(field.name);
            catalog.FieldNameOf(field.name);
        }
        catalog.FieldNames();
        std::optional<dorvex::Text> match = catalog.TableForFileName(name + u"_w.csv");
        Check(match.has_value() == !name.empty());
    }
    catalog.Clear();
    Check(catalog.GetStartPosition() == 0);
    return 0;
}
