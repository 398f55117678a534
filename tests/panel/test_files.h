// Small file chores shared by the panel's tests, on the temporary directory all tests use.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include "support/test_directory.h"

namespace dorvex::panel::testing {

// The test's directory, with "in", "out" and "err", as the program's paths.
class TestDir : public dorvex::test::TestDirectory {
  public:
    TestDir() : TestDirectory("dorvex-panel") {}
    QString Path() const { return QString::fromStdString(Root().string()); }
    QString FilePath(const QString& name) const { return QDir(Path()).filePath(name); }
};

// Writes the bytes, or adds them at the end; false when the file cannot be opened.
inline bool WriteFile(const QString& path, const QByteArray& bytes, bool append = false) {
    QFile file(path);
    return file.open(append ? QIODevice::Append : QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// The whole file; empty when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace dorvex::panel::testing
