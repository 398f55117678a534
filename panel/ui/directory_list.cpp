#include "directory_list.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>

namespace dorvex::panel {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kVisibleRows = 5;

}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetPath(item->data(kPathRole).toString()); });
}

bool DirectoryList::SetPath(const QString& path) {
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (path.isEmpty() || !QDir(clean).exists()) {
        return false;
    }
    const bool changed = clean != path_;
    path_ = clean;
    Refresh();
    if (changed) {
        emit PathChanged(path_);
    }
    return true;
}

void DirectoryList::AddEntry(const QString& path, const QString& name, int depth, bool open) {
    auto* item = new QListWidgetItem(
        style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirIcon),
        QString(depth * 2, QLatin1Char(' ')) + name, this);
    item->setData(kPathRole, path);
    item->setToolTip(path);
}

void DirectoryList::Refresh() {
    clear();
    if (path_.isEmpty()) {
        return;
    }
    QStringList chain;
    for (QDir dir(path_);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) {
            break;
        }
    }
    int depth = 0;
    for (const QString& path : chain) {
        const QString name = QDir(path).dirName();
        AddEntry(path, name.isEmpty() ? path : name, depth++, true);
    }
    setCurrentRow(count() - 1);
    const QDir current(path_);
    for (const QString& name :
         current.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        AddEntry(current.filePath(name), name, depth, false);
    }
}

QSize DirectoryList::sizeHint() const {
    const QSize plain = QListWidget::sizeHint();
    const int rows = kVisibleRows * fontMetrics().height() + 2 * frameWidth();
    return {plain.width(), std::min(plain.height(), rows + 4)};
}

void DirectoryList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) {
        emit CreateDirectoryRequested();
    }
}

}  // namespace dorvex::panel
