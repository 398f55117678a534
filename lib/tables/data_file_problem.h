// Why a data file could not be opened, in words a user can act on.
#pragma once

#include "platform/text.h"

namespace dorvex {

// "cannot be opened for reading and writing: <the system's reason>", or "is empty: it has no
// header line" for a file that opens but holds no significant line.
Text DescribeDataFileProblem(TextView path);

}  // namespace dorvex
