// Where the table definitions are read from. The library's own directory comes first, as it
// always has; a system-wide install cannot put the file there (the library directory belongs
// to the package manager), so the user's configuration directory ($XDG_CONFIG_HOME/dorvex, or
// ~/.config/dorvex) and then the system's (/etc/dorvex) follow.
#pragma once

#include <vector>

#include "platform/text.h"

namespace dorvex {

struct TableFileLocation {
    // The file to read: the first place where the file can be read, else the first place
    // looked at (so that a message can name it).
    Text path;
    // Every place looked at, in order, up to the one found.
    std::vector<Text> searched;
    bool found = false;

    // "table definitions: PATH", or "NAME not found; looked in: A, B, C".
    Text Describe() const;
};

class TableFileLocator {
  public:
    // Directories in lookup order, each with a trailing separator. Empty entries are skipped.
    explicit TableFileLocator(std::vector<Text> directories);

    // The directory of `moduleDirectory` (the library's), then the user's and the system's
    // configuration directories of this process.
    static TableFileLocator ForModule(const Text& moduleDirectory);
    // ForModule of the module this code lives in.
    static TableFileLocator ForThisModule();

    // A name with a path separator is used as it stands; a bare name is looked up in each
    // directory in turn.
    TableFileLocation Locate(const Text& fileName) const;

    const std::vector<Text>& Directories() const { return directories_; }

  private:
    std::vector<Text> directories_;
};

// $XDG_CONFIG_HOME/dorvex/ (an absolute XDG_CONFIG_HOME only), else $HOME/.config/dorvex/;
// empty when neither is known.
Text UserConfigDirectory();
// The installation's configuration directory, then /etc/dorvex/ when that differs.
std::vector<Text> SystemConfigDirectories();

}  // namespace dorvex
