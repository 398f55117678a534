// Small file chores shared by the panel's tests, on the temporary directory all tests use.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include "core/panel_settings.h"
#include "core/string_table.h"
#include "support/test_directory.h"

namespace dorvex::panel::testing {

// The test's directory, with "in", "out" and "err", as the program's paths.
class TestDir : public dorvex::test::TestDirectory {
  public:
    TestDir() : TestDirectory("dorvex-panel") {}
    QString Path() const { return QString::fromStdString(Root().string()); }
    QString FilePath(const QString& name) const { return QDir(Path()).filePath(name); }
};

// Settings a start accepts: English, scale 5, a scan every 2 s, the directories "in", "out" and
// "err" under `root`. The status timer is slow: the tests tick by hand.
inline PanelSettings RunnableSettings(const QString& root) {
    PanelSettings s;
    s.languageCode = kEnglish;
    s.inputDir = QDir(root).filePath(QStringLiteral("in"));
    s.outputDir = QDir(root).filePath(QStringLiteral("out"));
    s.errorDir = QDir(root).filePath(QStringLiteral("err"));
    s.deviceIndex = 5;
    s.scanUnitIndex = 0;
    s.scanInterval = 2;
    s.statusIntervalMs = PanelSettings::kStatusIntervalMax;
    s.timeoutIndex = 2;
    s.unicode = true;
    return s;
}

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
