#include "platform/default_error_display.h"

#include <windows.h>

#include <string>

#include "platform/text.h"

namespace dorvex {
namespace {

std::wstring Wide(const char* utf8) {
    Text text = FromUtf8(utf8 != nullptr ? utf8 : "");
    return std::wstring(text.begin(), text.end());
}

}  // namespace

void ShowDefaultErrorDisplay(const char* title, const char* text, void*) {
    MessageBoxW(nullptr, Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace dorvex
