#pragma once

#include <QPixmap>
#include <QString>

#include "core/transfer_supervisor.h"

namespace dorvex::panel {

// The window's pictures. Icon files beside the program are used when present; otherwise,
// and for everything else, pictures of our own are drawn.
class Pictures {
  public:
    static QString ModeIconFile(PanelMode mode);
    // The mode picture from the program's directory, or a drawn signal light.
    static QPixmap Mode(const QString& programDir, PanelMode mode, int size);
    static QPixmap DrawnMode(PanelMode mode, int size);
    static QPixmap FrenchFlag(int height);
    static QPixmap EnglishFlag(int height);
    static QPixmap Warning(int size);
    static QPixmap Help(int size);
    static QPixmap Scale(int size);
    static QPixmap Clock(int size);
};

}  // namespace dorvex::panel
