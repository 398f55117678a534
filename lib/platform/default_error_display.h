// Where the error display goes while the host has installed no handler of its own: standard
// error on Linux, a message box titled `title` with the error icon on Windows.
#pragma once

namespace dorvex {

// title and text in UTF-8; blocks until the user has seen the message where that applies.
void ShowDefaultErrorDisplay(const char* title, const char* text, void* context);

}  // namespace dorvex
