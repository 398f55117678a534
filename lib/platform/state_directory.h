// Where a user's programs keep state that outlives a run but is no configuration: on Linux
// $XDG_STATE_HOME, else ~/.local/state; on Windows %LOCALAPPDATA%. Empty when none is known.
#pragma once

#include "platform/text.h"

namespace dorvex {

Text UserStateDirectory();
// Creates the directory and its parents; 0 or the system's error code.
int CreateDirectories(TextView path);

}  // namespace dorvex
