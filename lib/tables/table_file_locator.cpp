#include "tables/table_file_locator.h"

#include <cstdlib>
#include <fstream>

#include "platform/module_path.h"
#include "platform/path.h"

#ifndef DORVEX_SYSCONFDIR
#define DORVEX_SYSCONFDIR "/etc/dorvex"
#endif

namespace dorvex {
namespace {

constexpr TextView kSystemDirectory = u"/etc/dorvex/";

Text Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? FromUtf8(value) : Text();
}

Text WithSeparator(Text directory) {
    if (!directory.empty() && !IsPathSeparator(directory.back()))
        directory.push_back(kPathSeparator);
    return directory;
}

bool IsAbsolute(TextView path) {
    return !path.empty() && IsPathSeparator(path.front());
}

// Readable is what counts: the catalog only reads the file.
bool CanRead(const Text& path) {
    std::ifstream file(FileSystemPath(path), std::ios::binary);
    return file.is_open();
}

}  // namespace

Text UserConfigDirectory() {
    Text base = Environment("XDG_CONFIG_HOME");
    if (!IsAbsolute(base)) {
        Text home = Environment("HOME");
        if (!IsAbsolute(home))
            return {};
        base = WithSeparator(std::move(home)) + u".config";
    }
    return WithSeparator(WithSeparator(std::move(base)) + u"dorvex");
}

std::vector<Text> SystemConfigDirectories() {
    std::vector<Text> directories{WithSeparator(FromUtf8(DORVEX_SYSCONFDIR))};
    if (directories.front() != kSystemDirectory)
        directories.emplace_back(kSystemDirectory);
    return directories;
}

Text TableFileLocation::Describe() const {
    if (found)
        return u"table definitions: " + path;
    Text places;
    for (const Text& place : searched)
        places += (places.empty() ? u"" : u", ") + place;
    return BaseName(path) + u" not found; looked in: " + places;
}

TableFileLocator::TableFileLocator(std::vector<Text> directories) {
    for (Text& directory : directories) {
        if (!directory.empty())
            directories_.push_back(WithSeparator(std::move(directory)));
    }
}

TableFileLocator TableFileLocator::ForModule(const Text& moduleDirectory) {
    std::vector<Text> directories{moduleDirectory, UserConfigDirectory()};
    for (Text& directory : SystemConfigDirectories())
        directories.push_back(std::move(directory));
    return TableFileLocator(std::move(directories));
}

TableFileLocator TableFileLocator::ForThisModule() {
    return ForModule(ModuleDirectory());
}

TableFileLocation TableFileLocator::Locate(const Text& fileName) const {
    TableFileLocation location;
    if (HasPathSeparator(fileName) || directories_.empty()) {
        location.path = fileName;
        location.searched.push_back(fileName);
        location.found = CanRead(fileName);
        return location;
    }
    for (const Text& directory : directories_) {
        Text candidate = directory + fileName;
        location.searched.push_back(candidate);
        if (CanRead(candidate)) {
            location.path = std::move(candidate);
            location.found = true;
            return location;
        }
    }
    location.path = location.searched.front();
    return location;
}

}  // namespace dorvex
