#pragma once

#include <QString>

class QWidget;

namespace dorvex::panel {

// Help: the compiled help file of the language when it lies beside the program and the
// system can open it, else the program's own help pages in a window.
class HelpViewer {
  public:
    static QString HelpFilePath(const QString& programDir, int languageCode);
    // The built-in page of the language (a resource path).
    static QString OwnPage(int languageCode);
    // Returns the window of the own help, or null when the help file was opened.
    static QWidget* Open(const QString& programDir, int languageCode, QWidget* parent);
};

}  // namespace dorvex::panel
