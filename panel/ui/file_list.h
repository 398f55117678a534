#pragma once

#include <QHash>
#include <QListWidget>

namespace dorvex::panel {

// All files of one directory, refreshed on demand. A file may carry a note (why it failed),
// shown as its tooltip.
class FileList : public QListWidget {
    Q_OBJECT

  public:
    using QListWidget::QListWidget;
    void SetDirectory(const QString& directory);
    const QString& Directory() const { return directory_; }
    void Refresh();
    QStringList Names() const { return names_; }
    void SetNote(const QString& name, const QString& note);
    QString Note(const QString& name) const { return notes_.value(name); }

  private:
    void ShowNotes();

    QString directory_;
    QStringList names_;
    QHash<QString, QString> notes_;
};

}  // namespace dorvex::panel
