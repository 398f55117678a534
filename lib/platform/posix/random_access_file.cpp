#include "platform/random_access_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/path.h"

namespace dorvex {

RandomAccessFile::~RandomAccessFile() {
    Close();
}

bool RandomAccessFile::Open(TextView path) {
    Close();
    handle_ = open(FileSystemPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    return handle_ >= 0;
}

void RandomAccessFile::Close() {
    if (handle_ >= 0)
        close(handle_);
    handle_ = -1;
}

std::int64_t RandomAccessFile::ReadAt(std::int64_t offset, char* buffer, std::size_t size) const {
    if (handle_ < 0 || offset < 0)
        return -1;
    ssize_t got;
    do {
        got = pread(handle_, buffer, size, static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace dorvex
