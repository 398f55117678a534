#include "platform/path.h"

namespace dorvex {

bool HasPathSeparator(TextView path) {
    return LastSeparator(path) != TextView::npos;
}

std::size_t LastSeparator(TextView path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathSeparator(path[i - 1]))
            return i - 1;
    }
    return TextView::npos;
}

Text BaseName(TextView path) {
    std::size_t last = LastSeparator(path);
    return last == TextView::npos ? Text(path) : Text(path.substr(last + 1));
}

Text DirectoryWithSeparator(TextView path) {
    std::size_t last = LastSeparator(path);
    return last == TextView::npos ? Text() : Text(path.substr(0, last + 1));
}

Text JoinPath(TextView directory, TextView name) {
    if (directory.empty())
        return Text(name);
    Text out(directory);
    if (!IsPathSeparator(out.back()))
        out.push_back(kPathSeparator);
    out.append(name);
    return out;
}

}  // namespace dorvex
