// Makes this process's file writes fail past a size, as on a full disk, until destroyed.
// Writes beyond the limit get EFBIG (SIGXFSZ is ignored meanwhile). Start child processes
// before making one: they would inherit the limit.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace dorvex::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    sighandler_t previousHandler_ = SIG_DFL;
};

}  // namespace dorvex::test
