#pragma once

#include <QDialog>

namespace dorvex::panel {

// Shows error.log (newest line first) or a result file inside the program, with the 8-bit
// and the UTF-16 lines of the file both decoded.
class TextFileViewer : public QDialog {
    Q_OBJECT

  public:
    TextFileViewer(const QString& path, int languageCode, QWidget* parent = nullptr);
    // Opens a viewer that deletes itself when closed.
    static TextFileViewer* Open(const QString& path, int languageCode, QWidget* parent);
    QString Text() const;
};

}  // namespace dorvex::panel
