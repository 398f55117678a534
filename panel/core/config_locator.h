#pragma once

#include <QString>
#include <QStringList>

namespace dorvex::panel {

// Where "Dorvex.cfg" is read and saved when no --config is given. Beside the program first, as
// always; a system-wide installation cannot keep it there (the program's directory belongs to
// the package manager), so the user's configuration directory ($XDG_CONFIG_HOME/dorvex, or
// ~/.config/dorvex) and then the system's (/etc/dorvex) follow.
class ConfigLocator {
  public:
    static constexpr const char* kFileName = "Dorvex.cfg";

    // Directories in lookup order: the program's, the user's, then the system's.
    ConfigLocator(QString programDir, QString userDir, QStringList systemDirs);
    // The user's directory from the environment, the installation's configuration directory
    // and /etc/dorvex.
    static ConfigLocator ForProgram(const QString& programDir);

    // The file to load: the first that exists; beside the program when none does, or the
    // user's file when the program's directory cannot take a new file.
    QString ReadPath() const;
    // Where settings loaded from `readPath` are saved: that file when it can be written there,
    // else the user's file (its directory may not exist yet).
    QString WritePath(const QString& readPath) const;
    // Every place looked at, in order.
    QStringList Candidates() const;

    // Whether a file can be created or replaced at `path`: the file and its directory must
    // allow it (the file is replaced through a new file in the same directory).
    static bool CanWrite(const QString& path);

  private:
    QString programDir_;
    QString userDir_;
    QStringList systemDirs_;
};

}  // namespace dorvex::panel
