#include "config_locator.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The installation's configuration directory (PREFIX/etc/dorvex, /etc/dorvex for /usr).
#ifndef DORVEX_PANEL_CONFIG_DIR
#define DORVEX_PANEL_CONFIG_DIR "/etc/dorvex"
#endif

namespace dorvex::panel {

namespace {

QString FileIn(const QString& directory) {
    return QDir(directory).filePath(QString::fromLatin1(ConfigLocator::kFileName));
}

}  // namespace

ConfigLocator::ConfigLocator(QString programDir, QString userDir, QStringList systemDirs)
    : programDir_(std::move(programDir)),
      userDir_(std::move(userDir)),
      systemDirs_(std::move(systemDirs)) {}

ConfigLocator ConfigLocator::ForProgram(const QString& programDir) {
    // GenericConfigLocation honours XDG_CONFIG_HOME and falls back to ~/.config.
    const QString configHome =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString userDir =
        configHome.isEmpty() ? QString() : QDir(configHome).filePath(QStringLiteral("dorvex"));
    QStringList systemDirs{QStringLiteral(DORVEX_PANEL_CONFIG_DIR)};
    if (systemDirs.front() != QLatin1String("/etc/dorvex")) {
        systemDirs << QStringLiteral("/etc/dorvex");
    }
    return ConfigLocator(programDir, userDir, systemDirs);
}

QStringList ConfigLocator::Candidates() const {
    QStringList files{FileIn(programDir_)};
    if (!userDir_.isEmpty()) {
        files << FileIn(userDir_);
    }
    for (const QString& directory : systemDirs_) {
        files << FileIn(directory);
    }
    return files;
}

QString ConfigLocator::ReadPath() const {
    const QStringList files = Candidates();
    for (const QString& file : files) {
        if (QFileInfo(file).isFile()) {
            return file;
        }
    }
    const QString besideProgram = files.front();
    return CanWrite(besideProgram) || userDir_.isEmpty() ? besideProgram : FileIn(userDir_);
}

QString ConfigLocator::WritePath(const QString& readPath) const {
    return CanWrite(readPath) || userDir_.isEmpty() ? readPath : FileIn(userDir_);
}

bool ConfigLocator::CanWrite(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo directory(file.absolutePath());
    if (!directory.isDir() || !directory.isWritable()) {
        return false;
    }
    return !file.exists() || (file.isFile() && file.isWritable());
}

}  // namespace dorvex::panel
