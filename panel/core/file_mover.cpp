#include "file_mover.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace dorvex::panel {

namespace {

std::filesystem::path ToPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

bool Flush(QFile& file) {
    if (!file.flush()) {
        return false;
    }
#ifndef _WIN32
    return ::fsync(file.handle()) == 0;
#else
    return true;
#endif
}

}  // namespace

QString FileMover::TemporaryName(const QString& name) {
    // Hidden and without the data file extension: no scanner takes it for a data file.
    return QLatin1Char('.') + name + QStringLiteral(".dorvex-part");
}

bool FileMover::CopyComplete(const QString& source, const QString& target) {
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const qint64 expected = in.size();
    qint64 copied = 0;
    QByteArray buffer;
    while (!(buffer = in.read(1 << 16)).isEmpty()) {
        if (out.write(buffer) != buffer.size()) {
            return false;
        }
        copied += buffer.size();
    }
    if (in.error() != QFileDevice::NoError || !Flush(out)) {
        return false;
    }
    out.close();
    return copied == expected && QFileInfo(target).size() == expected;
}

bool FileMover::MoveInto(const QString& directory, const QString& name, const QString& targetDir) {
    const QString source = QDir(directory).filePath(name);
    const QString target = QDir(targetDir).filePath(name);
    if (!QFileInfo(source).isFile() || !QFileInfo(targetDir).isDir()) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(ToPath(source), ToPath(target), error);
    if (!error) {
        return true;
    }
    // Another file system (or a rename refused for another reason): copy, check, replace.
    const QString temporary = QDir(targetDir).filePath(TemporaryName(name));
    if (!CopyComplete(source, temporary)) {
        QFile::remove(temporary);
        return false;
    }
    std::filesystem::rename(ToPath(temporary), ToPath(target), error);
    if (error) {
        QFile::remove(temporary);
        return false;
    }
    return Remove(directory, name);
}

bool FileMover::Remove(const QString& directory, const QString& name) {
    std::error_code error;
    std::filesystem::remove(ToPath(QDir(directory).filePath(name)), error);
    return !error && !QFileInfo::exists(QDir(directory).filePath(name));
}

}  // namespace dorvex::panel
