#include "catalog_schema.h"

#include "platform/path.h"
#include "tables/table_catalog.h"

namespace dorvex::sim {

SimSchema LoadCatalogSchema(const std::string& path, std::string& skipped) {
    // The catalog looks beside the library for bare names; the simulator means the working
    // directory.
    Text fileName = FromUtf8(path);
    if (!HasPathSeparator(fileName))
        fileName = JoinPath(u".", fileName);

    TableCatalog catalog;
    catalog.Load(fileName);
    SimSchema schema;
    for (const Text& name : catalog.TableNames()) {
        catalog.SelectTable(name);
        std::vector<SimField> entries;
        for (const TableField& field : catalog.CurrentTable())
            entries.push_back({field.name, field.tag});
        if (!schema.AddTable(name, catalog.TagOf(name), entries))
            skipped += "table \"" + ToUtf8(name) +
                       "\" left out: no field to key it, or its name clashes\n";
    }
    catalog.Clear();
    return schema;
}

}  // namespace dorvex::sim
