#include "file_list.h"

#include <QDir>

namespace dorvex::panel {

void FileList::SetDirectory(const QString& directory) {
    if (directory != directory_) {
        notes_.clear();  // they were about the files of the other directory
    }
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
    ShowNotes();
    setUpdatesEnabled(true);
}

void FileList::SetNote(const QString& name, const QString& note) {
    notes_.insert(name, note);
    ShowNotes();
}

void FileList::ShowNotes() {
    if (notes_.isEmpty()) {
        return;
    }
    for (int i = 0; i < count(); ++i) {
        QListWidgetItem* entry = item(i);
        entry->setToolTip(notes_.value(entry->text()));
    }
}

}  // namespace dorvex::panel
