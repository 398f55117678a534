#pragma once

#include <QListWidget>

namespace dorvex::panel {

// All files of one directory, refreshed on demand.
class FileList : public QListWidget {
    Q_OBJECT

  public:
    using QListWidget::QListWidget;
    void SetDirectory(const QString& directory);
    void Refresh();
    QStringList Names() const { return names_; }

  private:
    QString directory_;
    QStringList names_;
};

}  // namespace dorvex::panel
