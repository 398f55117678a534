#include "platform/file_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/path.h"

namespace dorvex {
namespace {

// Closes on every path out; the close's own failure (a delayed write error) is reported.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    int Close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// A hidden name beside the target that no other writer (thread or process) picks.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    std::size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return directory + "." + name + "." + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1)) + ".tmp";
}

int WriteTemporary(const std::string& temporary, std::string_view bytes) {
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        return errno;
    if (int error = WriteAll(file.Get(), bytes); error != 0)
        return error;
    if (::fsync(file.Get()) != 0)
        return errno;
    return file.Close();
}

}  // namespace

int ReplaceFileContents(TextView path, std::string_view bytes) {
    const std::string target = FileSystemPath(path);
    const std::string temporary = TemporaryNameFor(target);
    int error = WriteTemporary(temporary, bytes);
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlink(temporary.c_str());
    return error;
}

int AppendToFile(TextView path, std::string_view bytes) {
    FileDescriptor file(
        ::open(FileSystemPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        return errno;
    struct stat before {};
    if (::fstat(file.Get(), &before) != 0)
        return errno;
    int error = WriteAll(file.Get(), bytes);
    if (error != 0) {
        // The write's error is the one to report; a disk that refused it still lets the
        // file shrink back to its whole lines.
        [[maybe_unused]] int cut = ::ftruncate(file.Get(), before.st_size);
        return error;
    }
    return file.Close();
}

Text SystemErrorText(int code) {
    char buffer[256];
    return FromUtf8(::strerror_r(code, buffer, sizeof(buffer)));
}

}  // namespace dorvex
