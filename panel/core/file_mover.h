#pragma once

#include <QString>

namespace dorvex::panel {

// Moves and removes data files without ever losing one: the input file disappears only once
// a complete copy stands under its final name in the target directory.
class FileMover {
  public:
    // Moves directory/name into targetDir under the same name, replacing a file of that name.
    // Same file system: one rename. Otherwise: copy to a hidden temporary name in targetDir,
    // flush it to disk, check its size, rename it over the target, then remove the input.
    // Returns false, with the input untouched, when any step fails, and says why in reason.
    static bool MoveInto(const QString& directory, const QString& name, const QString& targetDir,
                         QString* reason = nullptr);
    // Removes directory/name; true when it is gone.
    static bool Remove(const QString& directory, const QString& name, QString* reason = nullptr);
    // The temporary name a copy carries until it is complete.
    static QString TemporaryName(const QString& name);

  private:
    static bool CopyComplete(const QString& source, const QString& target, QString& reason);
};

}  // namespace dorvex::panel
