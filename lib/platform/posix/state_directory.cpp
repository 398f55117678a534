#include "platform/state_directory.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/path.h"

namespace dorvex {
namespace {

Text Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? FromUtf8(value) : Text();
}

}  // namespace

Text UserStateDirectory() {
    // Only an absolute value counts, as the base directory convention says.
    Text state = Environment("XDG_STATE_HOME");
    if (!state.empty() && state.front() == u'/')
        return state;
    Text home = Environment("HOME");
    if (home.empty())
        return {};
    return JoinPath(JoinPath(home, u".local"), u"state");
}

int CreateDirectories(TextView path) {
    const std::string full = FileSystemPath(path);
    // Parents that exist or cannot be made (not ours to make) are passed by: only the whole
    // path has to end up a directory.
    int lastError = 0;
    for (std::size_t pos = 1; pos <= full.size(); ++pos) {
        if (pos != full.size() && full[pos] != '/')
            continue;
        if (::mkdir(full.substr(0, pos).c_str(), 0700) != 0 && errno != EEXIST)
            lastError = errno;
    }
    struct stat info {};
    if (::stat(full.c_str(), &info) != 0)
        return lastError != 0 ? lastError : errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

}  // namespace dorvex
