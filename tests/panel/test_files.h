// Small file chores shared by the panel's tests.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace dorvex::panel::testing {

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

// The transfer directories "in", "out" and "err" under root.
inline bool MakeTransferDirectories(const QString& root) {
    return QDir(root).mkpath(QStringLiteral("in")) && QDir(root).mkpath(QStringLiteral("out")) &&
           QDir(root).mkpath(QStringLiteral("err"));
}

}  // namespace dorvex::panel::testing
