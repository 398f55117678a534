// Paths as UTF-16 text, joined with the platform's separator and handed to the file system in
// its own encoding.
#pragma once

#include <string>

#include "platform/text.h"

namespace dorvex {

extern const char16_t kPathSeparator;

bool IsPathSeparator(char16_t c);
bool HasPathSeparator(TextView path);
// Position of the last separator, or npos.
std::size_t LastSeparator(TextView path);
// The part after the last separator (the whole path when there is none).
Text BaseName(TextView path);
// The directory with its trailing separator, or empty when the path has no separator.
Text DirectoryWithSeparator(TextView path);
// "dir" + separator + "name"; just the name when dir is empty.
Text JoinPath(TextView directory, TextView name);
// The path in the file system's encoding (UTF-8 here), without truncation.
std::string FileSystemPath(TextView path);

}  // namespace dorvex
