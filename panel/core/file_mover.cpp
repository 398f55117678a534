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

void Say(QString* reason, const QString& text) {
    if (reason) {
        *reason = text;
    }
}

QString Describe(const std::error_code& error) {
    return QString::fromStdString(error.message());
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

bool FileMover::CopyComplete(const QString& source, const QString& target, QString& reason) {
    QFile in(source);
    QFile out(target);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = source + QStringLiteral(": ") + in.errorString();
        return false;
    }
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        reason = target + QStringLiteral(": ") + out.errorString();
        return false;
    }
    const qint64 expected = in.size();
    qint64 copied = 0;
    QByteArray buffer;
    while (!(buffer = in.read(1 << 16)).isEmpty()) {
        if (out.write(buffer) != buffer.size()) {
            reason = target + QStringLiteral(": ") + out.errorString();
            return false;
        }
        copied += buffer.size();
    }
    if (in.error() != QFileDevice::NoError) {
        reason = source + QStringLiteral(": ") + in.errorString();
        return false;
    }
    if (!Flush(out)) {
        reason = target + QStringLiteral(": ") + out.errorString();
        return false;
    }
    out.close();
    if (copied != expected || QFileInfo(target).size() != expected) {
        reason = target + QStringLiteral(": incomplete copy");
        return false;
    }
    return true;
}

bool FileMover::MoveInto(const QString& directory, const QString& name, const QString& targetDir,
                         QString* reason) {
    const QString source = QDir(directory).filePath(name);
    const QString target = QDir(targetDir).filePath(name);
    if (!QFileInfo(source).isFile()) {
        Say(reason, source + QStringLiteral(": no such file"));
        return false;
    }
    if (!QFileInfo(targetDir).isDir()) {
        Say(reason, targetDir + QStringLiteral(": no such directory"));
        return false;
    }
    std::error_code error;
    std::filesystem::rename(ToPath(source), ToPath(target), error);
    if (!error) {
        return true;
    }
    // Another file system (or a rename refused for another reason): copy, check, replace.
    const QString temporary = QDir(targetDir).filePath(TemporaryName(name));
    QString why;
    if (!CopyComplete(source, temporary, why)) {
        QFile::remove(temporary);
        Say(reason, why);
        return false;
    }
    std::filesystem::rename(ToPath(temporary), ToPath(target), error);
    if (error) {
        QFile::remove(temporary);
        Say(reason, target + QStringLiteral(": ") + Describe(error));
        return false;
    }
    return Remove(directory, name, reason);
}

bool FileMover::Remove(const QString& directory, const QString& name, QString* reason) {
    const QString path = QDir(directory).filePath(name);
    std::error_code error;
    std::filesystem::remove(ToPath(path), error);
    if (error) {
        Say(reason, path + QStringLiteral(": ") + Describe(error));
        return false;
    }
    if (QFileInfo::exists(path)) {
        Say(reason, path + QStringLiteral(": still there"));
        return false;
    }
    return true;
}

}  // namespace dorvex::panel
