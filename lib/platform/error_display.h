// The error display: a replaceable sink for the messages the links show to the user. By
// default the platform's display shows them (standard error on Linux, a message box on
// Windows); a host installs its own handler (the desktop program shows a modal box).
#pragma once

#include <string>

#include "platform/text.h"

namespace dorvex {

// title and text in UTF-8; context is the host's.
using ErrorDisplayHandler = void (*)(const char* title, const char* text, void* context);

void SetErrorDisplayHandler(ErrorDisplayHandler handler, void* context);
// Shows `text` under `title` through the installed handler; blocks while the handler does.
void ShowErrorMessage(TextView title, TextView text);

}  // namespace dorvex
