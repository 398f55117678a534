#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace dorvex::panel {

// Lists the data files of the input directory that may be handed over now.
//
// A file still being written must not be taken, and no lock tells us so: a file qualifies only
// when its size and modification time are the same as at the previous look. A file that
// stayed in the input directory after its transfer (it could not be moved or removed) is not
// handed over again until it changes, so one failure does not repeat every tick.
class InputScanner {
  public:
    // Names of the stable data files with a request marker, in name order (the order a
    // Windows file system lists them in, whatever the file system here).
    QStringList Candidates(const QString& directory);
    // Records the directory as it is now, so that the next look can take unchanged files.
    void Observe(const QString& directory);
    // Keeps a file that stayed behind after its transfer from being handed over unchanged.
    void SetAside(const QString& directory, const QString& name);
    void Reset();

  private:
    struct Signature {
        qint64 size = -1;
        qint64 modified = 0;
        bool operator==(const Signature&) const = default;
    };
    using Snapshot = QHash<QString, Signature>;

    static Snapshot Look(const QString& directory, QStringList* names);

    Snapshot previous_;
    Snapshot setAside_;
};

}  // namespace dorvex::panel
