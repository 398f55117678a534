#include "platform/file_lock.h"

#include <windows.h>

#include <string>

#include "platform/file_write.h"

namespace dorvex {

FileLock::~FileLock() {
    Unlock();
}

// LockFileEx locks per handle, so a second handle in this same process is refused too.
FileLock::Outcome FileLock::TryLock(TextView path, Text& reason) {
    Unlock();
    const std::wstring wide(path.begin(), path.end());
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemErrorText(static_cast<int>(GetLastError()));
        return Outcome::Failed;
    }
    OVERLAPPED where = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING)
            return Outcome::Busy;
        reason = SystemErrorText(static_cast<int>(error));
        return Outcome::Failed;
    }
    handle_ = reinterpret_cast<long long>(file);
    return Outcome::Locked;
}

void FileLock::Unlock() {
    if (handle_ == kNone)
        return;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    OVERLAPPED where = {};
    UnlockFileEx(file, 0, 1, 0, &where);
    CloseHandle(file);
    handle_ = kNone;
}

}  // namespace dorvex
