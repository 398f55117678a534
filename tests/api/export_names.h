// The names the library exports: exactly the functions dorvex.h declares (the list is read
// from the header when the build is configured), nothing else.
#pragma once

#include <set>
#include <string>

namespace dorvex::test {

inline const std::set<std::string>& DocumentedExportNames() {
    static const std::set<std::string> names = {
#include "api/header_export_names.inc"
    };
    return names;
}

}  // namespace dorvex::test
