#pragma once

#include <QString>
#include <QStringList>

namespace dorvex::panel {

// The "drives" of the window: mounted volumes, each shown as its root path, followed by a
// blank and a bracketed name when the volume has one.
class Volumes {
  public:
    virtual ~Volumes() = default;
    // The texts of the available drives, as the drive list shows them.
    virtual QStringList DriveTexts() const = 0;
    // The drive text of the volume holding a path (empty when none does).
    virtual QString DriveOf(const QString& path) const = 0;
    // The directory the three directory lists move to when this drive is chosen.
    virtual QString CurrentDirectoryOf(const QString& driveText) const = 0;
    // The root of a drive text: the text before the blank that precedes "[", if any.
    static QString RootOf(const QString& driveText);
    bool IsAvailable(const QString& driveText) const;
};

}  // namespace dorvex::panel
