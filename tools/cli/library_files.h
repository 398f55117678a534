// Which shared library this program calls and which table.csv it will read, as the library
// itself says.
#pragma once

#include <string>
#include <vector>

namespace dorvex::cli {

// `dorvex --version`: the versions, the library file and the table definitions in use.
std::vector<std::string> VersionLines(const std::string& tableFile);

}  // namespace dorvex::cli
