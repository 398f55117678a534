#include "input_scanner.h"

#include <QDir>
#include <QFileInfo>

#include "request_kind.h"

namespace dorvex::panel {

InputScanner::Snapshot InputScanner::Look(const QString& directory, QStringList* names) {
    Snapshot snapshot;
    const QFileInfoList entries = QDir(directory).entryInfoList(
        {QStringLiteral("*.cs?")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName();
        if (!RequestKindOf(name)) {
            continue;
        }
        snapshot.insert(name, {entry.size(), entry.lastModified().toMSecsSinceEpoch()});
        if (names) {
            names->append(name);
        }
    }
    return snapshot;
}

QStringList InputScanner::Candidates(const QString& directory) {
    QStringList names;
    Snapshot current = Look(directory, &names);
    QStringList candidates;
    for (const QString& name : names) {
        const Signature signature = current.value(name);
        const auto before = previous_.constFind(name);
        if (before == previous_.constEnd() || *before != signature) {
            continue;
        }
        const auto aside = setAside_.constFind(name);
        if (aside != setAside_.constEnd() && *aside == signature) {
            continue;
        }
        candidates.append(name);
    }
    // Forget what was set aside once the file is gone or has changed.
    for (auto it = setAside_.begin(); it != setAside_.end();) {
        const auto now = current.constFind(it.key());
        it = (now == current.constEnd() || *now != *it) ? setAside_.erase(it) : std::next(it);
    }
    previous_ = std::move(current);
    return candidates;
}

void InputScanner::Observe(const QString& directory) {
    previous_ = Look(directory, nullptr);
}

void InputScanner::SetAside(const QString& directory, const QString& name) {
    const QFileInfo entry(QDir(directory).filePath(name));
    if (entry.isFile()) {
        setAside_.insert(name, {entry.size(), entry.lastModified().toMSecsSinceEpoch()});
    }
}

void InputScanner::Reset() {
    previous_.clear();
    setAside_.clear();
}

}  // namespace dorvex::panel
