// Reads table.csv through the library's own TableCatalog, so the simulator knows exactly the
// tables, names and tags the library does. The only place the simulator touches the catalog.
#pragma once

#include <string>

#include "sim_schema.h"

namespace dorvex::sim {

// `path` as given (a bare name is taken from the working directory). Tables the simulator
// cannot keep (no field, a name clashing in case) are reported in `skipped`, one per line.
SimSchema LoadCatalogSchema(const std::string& path, std::string& skipped);

}  // namespace dorvex::sim
