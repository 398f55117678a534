// The request log: one line per request received, "SEQ<TAB>TEXT", flushed at once so that
// tests can read it while the simulator runs. Control characters are escaped so that a line
// is always one request.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/text.h"

namespace dorvex::sim {

class RequestLog {
  public:
    // An empty path keeps no log.
    bool Open(const std::string& path);
    void Write(std::int64_t sequence, TextView request);

    // "\\" -> "\\\\", CR -> "\r", LF -> "\n", TAB -> "\t", other controls -> "\xHH"; UTF-8.
    static std::string Escape(TextView text);

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace dorvex::sim
