#include "volumes.h"

namespace dorvex::panel {

QString Volumes::RootOf(const QString& driveText) {
    const qsizetype bracket = driveText.indexOf(QLatin1Char('['));
    if (bracket < 0) {
        return driveText;
    }
    const qsizetype blank = driveText.lastIndexOf(QLatin1Char(' '), bracket);
    return blank < 0 ? driveText.left(bracket) : driveText.left(blank);
}

bool Volumes::IsAvailable(const QString& driveText) const {
    const QString root = RootOf(driveText);
    for (const QString& drive : DriveTexts()) {
        if (RootOf(drive) == root) {
            return true;
        }
    }
    return false;
}

}  // namespace dorvex::panel
