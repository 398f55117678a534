#include "tables/data_file_problem.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "platform/file_write.h"
#include "platform/path.h"

namespace dorvex {

Text DescribeDataFileProblem(TextView path, TextView contentProblem) {
    // Data files are opened for reading and writing: a read-only one is refused too.
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(FileSystemPath(path).c_str(), "r+b"), &std::fclose);
    if (!file)
        return u"cannot be opened for reading and writing: " + SystemErrorText(errno);
    return contentProblem.empty() ? Text(u"is empty: it has no header line") : Text(contentProblem);
}

}  // namespace dorvex
