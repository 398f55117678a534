// An exclusive lock on a file that the system lets go of when the process ends, however it
// ends: a lock left behind by a killed process never blocks the next run.
#pragma once

#include "platform/text.h"

namespace dorvex {

class FileLock {
  public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    enum class Outcome { Locked, Busy, Failed };

    // Creates the file when missing and takes the lock without waiting. Busy when another
    // holder (this process included) has it; Failed with the system's words in `reason`.
    Outcome TryLock(TextView path, Text& reason);
    void Unlock();
    bool Held() const { return handle_ != kNone; }

  private:
    static constexpr long long kNone = -1;
    long long handle_ = kNone;  // a descriptor or a HANDLE, by platform
};

}  // namespace dorvex
