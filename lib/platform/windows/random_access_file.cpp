#include "platform/random_access_file.h"

#include <winsock2.h>

#include <algorithm>

#include "platform/windows/windows_handles.h"

namespace dorvex {

RandomAccessFile::~RandomAccessFile() {
    Close();
}

bool RandomAccessFile::Open(TextView path) {
    Close();
    const Text name(path);
    HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(name.c_str()), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_RANDOM_ACCESS, nullptr);
    handle_ = handle == INVALID_HANDLE_VALUE ? -1 : HandleToInt(handle);
    return handle_ >= 0;
}

void RandomAccessFile::Close() {
    if (handle_ >= 0)
        CloseHandle(IntToHandle(handle_));
    handle_ = -1;
}

std::int64_t RandomAccessFile::ReadAt(std::int64_t offset, char* buffer, std::size_t size) const {
    if (handle_ < 0 || offset < 0)
        return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(IntToHandle(handle_), buffer, wanted, &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<std::int64_t>(got);
}

}  // namespace dorvex
