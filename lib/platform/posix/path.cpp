#include "platform/path.h"

namespace dorvex {

const char16_t kPathSeparator = u'/';

bool IsPathSeparator(char16_t c) {
    return c == u'/';
}

std::string FileSystemPath(TextView path) {
    return ToUtf8(path);
}

}  // namespace dorvex
