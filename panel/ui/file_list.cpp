#include "file_list.h"

#include <QDir>

namespace dorvex::panel {

void FileList::SetDirectory(const QString& directory) {
    directory_ = directory;
    Refresh();
}

void FileList::Refresh() {
    const QStringList names =
        directory_.isEmpty()
            ? QStringList()
            : QDir(directory_).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    if (names == names_) {
        return;  // thousands of files: rebuild only on a change
    }
    names_ = names;
    setUpdatesEnabled(false);
    clear();
    addItems(names_);
    setUpdatesEnabled(true);
}

}  // namespace dorvex::panel
