#include "config_file.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <limits>
#include <variant>

namespace dorvex::panel {

namespace {

// Paths are the longest values; anything beyond this is not a line this program wrote.
constexpr qint64 kMaxLineBytes = 4096;

QString DecodeLine(const QByteArray& bytes) {
    // Written as UTF-8 here; a file carried over from an 8-bit system still loads.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
    }
    return text;
}

bool IsText(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            return false;
        }
    }
    return true;
}

// Reads one line of at most kMaxLineBytes; an over-long line is consumed and yields nothing.
std::optional<QString> ReadLine(QFile& file) {
    QByteArray line = file.readLine(kMaxLineBytes + 2);
    if (!line.endsWith('\n') && !file.atEnd()) {
        while (!file.atEnd() && !file.readLine(1 << 16).endsWith('\n')) {
        }
        return std::nullopt;
    }
    if (line.endsWith('\n')) {
        line.chop(1);
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    if (line.startsWith("\xEF\xBB\xBF")) {
        line.remove(0, 3);
    }
    QString text = DecodeLine(line);
    if (!IsText(text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<qint64> ToInteger(const std::optional<QString>& line, qint64 min, qint64 max) {
    if (!line) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 value = line->trimmed().toLongLong(&ok);
    if (!ok || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<qint64> ToShort(const std::optional<QString>& line) {
    return ToInteger(line, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max());
}

std::optional<bool> ToBoolean(const std::optional<QString>& line) {
    if (!line) {
        return std::nullopt;
    }
    const QString text = line->trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    const auto number =
        ToInteger(line, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    if (!number) {
        return std::nullopt;
    }
    return *number != 0;
}

// A control that accepts values in [min, max] takes a 16-bit line in that range.
void ApplyRange(const std::optional<QString>& line, int min, int max, int& target) {
    const auto value = ToShort(line);
    if (value && *value >= min && *value <= max) {
        target = static_cast<int>(*value);
    }
}

// A flag's setting is a plain choice or one that stays unmade until the user picks.
void ApplyFlag(const std::optional<QString>& line, const SettingMember& member,
               PanelSettings& settings) {
    const auto value = ToBoolean(line);
    if (!value) {
        return;
    }
    if (const auto* plain = std::get_if<bool PanelSettings::*>(&member)) {
        settings.** plain = *value;
    } else {
        settings.*std::get<std::optional<bool> PanelSettings::*>(member) = *value;
    }
}

void ApplyCheckBox(const std::optional<QString>& line, bool& target) {
    const auto value = ToShort(line);
    if (value && (*value == 0 || *value == 1)) {
        target = *value == 1;
    }
}

void ApplyLanguage(const std::optional<QString>& line, int& languageCode) {
    const auto value = ToShort(line);
    if (!value) {
        return;
    }
    // A code without texts would leave the window without captions: French, as without a file.
    languageCode =
        StringTable::IsKnownLanguage(static_cast<int>(*value)) ? static_cast<int>(*value) : kFrench;
}

void ApplyDrive(const std::optional<QString>& line, const Volumes& volumes,
                const QString& programDir, PanelSettings& settings) {
    if (!line) {
        return;
    }
    QString drive = *line;
    if (!volumes.IsAvailable(drive)) {
        drive = volumes.DriveOf(programDir);
        if (drive.isEmpty()) {
            drive = QDir::rootPath();
        }
    }
    settings.drive = drive;
    const QString current = volumes.CurrentDirectoryOf(drive);
    settings.inputDir = current;
    settings.outputDir = current;
    settings.errorDir = current;
}

void ApplyDirectory(const std::optional<QString>& line, const QString& programDir,
                    QString& target) {
    if (!line || line->isEmpty()) {
        return;
    }
    // A path that names no volume here (a relative or foreign one) stands for an unavailable
    // drive; a missing directory on an available volume is simply skipped.
    if (QDir::isRelativePath(*line)) {
        target = programDir;
        return;
    }
    if (QDir(*line).exists()) {
        target = QDir::cleanPath(*line);
    }
}

QString LineSafe(const QString& text) {
    // A value with a line break would shift every following line.
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ? QString() : text;
}

QString Flag(bool value) {
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

void ApplyField(const ConfigField& field, const std::optional<QString>& line,
                const Volumes& volumes, const QString& programDir, PanelSettings& settings) {
    switch (field.type) {
        case FieldType::Language:
            ApplyLanguage(line, settings.*std::get<int PanelSettings::*>(field.member));
            break;
        case FieldType::Drive:
            ApplyDrive(line, volumes, programDir, settings);
            break;
        case FieldType::Directory:
            ApplyDirectory(line, programDir,
                           settings.*std::get<QString PanelSettings::*>(field.member));
            break;
        case FieldType::Flag:
            ApplyFlag(line, field.member, settings);
            break;
        case FieldType::CheckBox:
            ApplyCheckBox(line, settings.*std::get<bool PanelSettings::*>(field.member));
            break;
        case FieldType::Index:
            ApplyRange(line, field.min, field.max,
                       settings.*std::get<int PanelSettings::*>(field.member));
            break;
        case FieldType::Number:
            if (const auto number = ToInteger(line, field.min, field.max)) {
                settings.*std::get<int PanelSettings::*>(field.member) = static_cast<int>(*number);
            }
            break;
        case FieldType::Text:
            if (line) {
                settings.*std::get<QString PanelSettings::*>(field.member) = *line;
            }
            break;
    }
}

QString ComposeField(const ConfigField& field, const PanelSettings& s) {
    switch (field.type) {
        case FieldType::Drive:
        case FieldType::Directory:
        case FieldType::Text:
            return LineSafe(s.*std::get<QString PanelSettings::*>(field.member));
        case FieldType::Flag:
            if (const auto* member = std::get_if<bool PanelSettings::*>(&field.member)) {
                return Flag(s.**member);
            }
            return Flag(
                (s.*std::get<std::optional<bool> PanelSettings::*>(field.member)).value_or(false));
        case FieldType::CheckBox:
            return QString::number(s.*std::get<bool PanelSettings::*>(field.member) ? 1 : 0);
        case FieldType::Language:
        case FieldType::Index:
        case FieldType::Number:
            break;
    }
    return QString::number(s.*std::get<int PanelSettings::*>(field.member));
}

}  // namespace

std::optional<ConfigFile::Lines> ConfigFile::Read(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return std::nullopt;
    }
    Lines lines;
    if (!file.open(QIODevice::ReadOnly)) {
        return lines;
    }
    for (auto& line : lines) {
        if (file.atEnd()) {
            break;
        }
        line = ReadLine(file);
    }
    return lines;
}

void ConfigFile::Apply(const Lines& lines, const Volumes& volumes, const QString& programDir,
                       PanelSettings& settings) {
    for (const ConfigField& field : kConfigFields) {
        ApplyField(field, lines[field.line - 1], volumes, programDir, settings);
    }
}

ConfigFile::Lines ConfigFile::Compose(const PanelSettings& settings) {
    Lines lines;
    for (const ConfigField& field : kConfigFields) {
        lines[field.line - 1] = ComposeField(field, settings);
    }
    return lines;
}

bool ConfigFile::Write(const QString& path, const PanelSettings& settings, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = path + QStringLiteral(": ") + file.errorString();
        }
        return false;
    }
    QByteArray content;
    for (const auto& line : Compose(settings)) {
        content += line.value_or(QString()).toUtf8();
        content += "\r\n";
    }
    file.write(content);
    if (!file.commit()) {
        if (error) {
            *error = path + QStringLiteral(": ") + file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace dorvex::panel
