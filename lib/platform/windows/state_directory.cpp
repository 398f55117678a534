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
    const std::wstring full(path.begin(), path.end());
    // Parents that exist or cannot be made (a drive, a share's server) are passed by: only
    // the whole path has to end up a directory.
    DWORD lastError = 0;
    for (std::size_t pos = 1; pos <= full.size(); ++pos) {
        if (pos != full.size() && full[pos] != L'\\' && full[pos] != L'/')
            continue;
        if (!CreateDirectoryW(full.substr(0, pos).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            lastError = GetLastError();
    }
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return static_cast<int>(lastError != 0 ? lastError : GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ERROR_DIRECTORY;
}

}  // namespace dorvex
