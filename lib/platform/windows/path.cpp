#include "platform/path.h"

#include <windows.h>

namespace dorvex {

const char16_t kPathSeparator = u'\\';

bool IsPathSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// The C runtime's narrow file functions take the ANSI code page. Paths reach the library
// through the exports in that code page, so they convert back exactly.
std::string FileSystemPath(TextView path) {
    if (path.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(path.data());
    const int units = static_cast<int>(path.size());
    int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace dorvex
