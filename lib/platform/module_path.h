// Where the library itself lies: table.csv and the default error.log are found there.
#pragma once

#include "platform/text.h"

namespace dorvex {

// Full path of the library file (or of the program, when linked statically); empty if unknown.
Text ModulePath();
// Its directory with a trailing separator; empty when unknown.
Text ModuleDirectory();
// The same for the module (library or program) that holds the code at `address`.
Text ModulePathOf(const void* address);

}  // namespace dorvex
