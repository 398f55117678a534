#include "mounted_volumes.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace dorvex::panel {

namespace {

QString DriveText(const QStorageInfo& volume) {
    const QString name = volume.name();
    return name.isEmpty() ? volume.rootPath()
                          : volume.rootPath() + QStringLiteral(" [") + name + QLatin1Char(']');
}

}  // namespace

QStringList MountedVolumes::DriveTexts() const {
    QStringList texts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) {
            texts << DriveText(volume);
        }
    }
    texts.removeDuplicates();
    std::sort(texts.begin(), texts.end());
    return texts;
}

QString MountedVolumes::DriveOf(const QString& path) const {
    const QStorageInfo volume(path);
    return volume.isValid() ? DriveText(volume) : QString();
}

QString MountedVolumes::CurrentDirectoryOf(const QString& driveText) const {
    // Like a per-drive current directory: the working directory when it lies on that drive,
    // else the drive's root.
    const QString current = QDir::currentPath();
    if (RootOf(DriveOf(current)) == RootOf(driveText)) {
        return current;
    }
    return RootOf(driveText);
}

}  // namespace dorvex::panel
