// Where the shared library this program calls lies, and which table.csv it will read: the
// program links the internals too, so its own directory is not the library's.
#pragma once

#include <string>
#include <vector>

#include "tables/table_file_locator.h"

namespace dorvex::cli {

// Full path of the loaded libdorvex (UTF-8); empty when unknown.
std::string LibraryPath();
// The table definitions the library would read for `tableFile`, as OpenDorvex looks them up.
TableFileLocation LibraryTableFile(const std::string& tableFile);
// `dorvex --version`: the versions, the library file and the table definitions in use.
std::vector<std::string> VersionLines(const std::string& tableFile);

}  // namespace dorvex::cli
