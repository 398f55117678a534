#pragma once

#include "volumes.h"

namespace dorvex::panel {

// The mounted, ready volumes of the machine.
class MountedVolumes : public Volumes {
  public:
    QStringList DriveTexts() const override;
    QString DriveOf(const QString& path) const override;
    QString CurrentDirectoryOf(const QString& driveText) const override;
};

}  // namespace dorvex::panel
