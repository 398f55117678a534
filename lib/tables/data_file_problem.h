// Why a data file could not be opened, in words a user can act on.
#pragma once

#include "platform/text.h"

namespace dorvex {

// "cannot be opened for reading and writing: <the system's reason>" for a file that cannot be
// opened; else what the reader found wrong with its content (`contentProblem`), or "is empty:
// it has no header line" when it found nothing to say.
Text DescribeDataFileProblem(TextView path, TextView contentProblem);

}  // namespace dorvex
