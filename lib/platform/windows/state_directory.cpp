#include "platform/state_directory.h"

#include <windows.h>

#include <string>

namespace dorvex {

Text UserStateDirectory() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return Text(buffer, buffer + length);
}

int CreateDirectories(TextView path) {
    std::wstring full(path.begin(), path.end());
    for (std::size_t pos = 1; pos <= full.size(); ++pos) {
        if (pos != full.size() && full[pos] != L'\\' && full[pos] != L'/')
            continue;
        // "C:" alone is a drive, not a directory to create.
        if (pos == 2 && full[1] == L':')
            continue;
        std::wstring part = full.substr(0, pos);
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return static_cast<int>(GetLastError());
    }
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return static_cast<int>(GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ERROR_DIRECTORY;
}

}  // namespace dorvex
