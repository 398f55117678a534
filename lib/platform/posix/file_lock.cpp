#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_write.h"
#include "platform/path.h"

namespace dorvex {

FileLock::~FileLock() {
    Unlock();
}

// flock belongs to the open file, so a second descriptor in this same process is refused too.
FileLock::Outcome FileLock::TryLock(TextView path, Text& reason) {
    Unlock();
    const int fd = ::open(FileSystemPath(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason = SystemErrorText(errno);
        return Outcome::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return Outcome::Busy;
        reason = SystemErrorText(error);
        return Outcome::Failed;
    }
    handle_ = fd;
    return Outcome::Locked;
}

void FileLock::Unlock() {
    if (handle_ == kNone)
        return;
    const int fd = static_cast<int>(handle_);
    ::flock(fd, LOCK_UN);
    ::close(fd);
    handle_ = kNone;
}

}  // namespace dorvex
