#pragma once

#include <QListWidget>

namespace dorvex::panel {

// A directory list: the chain of parents down to the current directory, then its
// subdirectories. Activating an entry (double click, Enter) opens it. Only existing
// directories can become current.
class DirectoryList : public QListWidget {
    Q_OBJECT

  public:
    explicit DirectoryList(QWidget* parent = nullptr);
    const QString& Path() const { return path_; }
    // False, and nothing changes, when the directory does not exist.
    bool SetPath(const QString& path);
    // Lists the subdirectories again (they may have changed on disk).
    void Refresh();
    // Shorter than a plain list: on a small screen the file lists below need the room.
    QSize sizeHint() const override;

  signals:
    void PathChanged(const QString& path);
    void CreateDirectoryRequested();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void AddEntry(const QString& path, const QString& name, int depth, bool open);

    QString path_;
};

}  // namespace dorvex::panel
