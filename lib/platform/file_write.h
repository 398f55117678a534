// Writing files so that a reader never sees half of what was meant: a whole file appears under
// its name only once it is complete, and an append is either all there or not at all.
#pragma once

#include <string_view>

#include "platform/text.h"

namespace dorvex {

// Writes `bytes` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`. On any failure the temporary is removed and `path` is left as it was.
// Returns 0, or the system's error code.
int ReplaceFileContents(TextView path, std::string_view bytes);

// Appends `bytes` to the file, creating it when missing. A write that cannot complete (a full
// disk) is cut back, so that the next append never runs into half of this one.
// Returns 0, or the system's error code.
int AppendToFile(TextView path, std::string_view bytes);

// The system's own words for an error code ("No space left on device").
Text SystemErrorText(int code);

}  // namespace dorvex
