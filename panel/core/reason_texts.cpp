#include "reason_texts.h"

#include <QLocale>

#include "string_table.h"

namespace dorvex::panel {

namespace {

const QString kPlainExtension = QStringLiteral(".csv");
const QString kUnicodeExtension = QStringLiteral(".csw");

int Seconds(int milliseconds) {
    return milliseconds / 1000;
}

}  // namespace

QString ReasonTexts::Refused(int languageCode, const QString& name, const QString& libraryText) {
    const QString prefix = StringTable::Text(languageCode, 220);
    if (!libraryText.isEmpty()) {
        return prefix + libraryText;
    }
    if (const QString renamed = LowerCaseExtensionName(name); !renamed.isEmpty()) {
        return prefix + StringTable::Text(languageCode, 228).arg(renamed);
    }
    return prefix + StringTable::Text(languageCode, 232);
}

QString ReasonTexts::Failed(int languageCode, const QString& transferText,
                            const QString& resultMissing) {
    const QString prefix = StringTable::Text(languageCode, 221);
    if (!transferText.isEmpty()) {
        return prefix + transferText;
    }
    if (!resultMissing.isEmpty()) {
        return prefix + StringTable::Text(languageCode, 225).arg(resultMissing);
    }
    return prefix + StringTable::Text(languageCode, 222);
}

QString ReasonTexts::UnknownStatus(int languageCode, int status) {
    return StringTable::Text(languageCode, 119) + QString::number(status);
}

QString ReasonTexts::NotMoved(int languageCode, const QString& why,
                              std::optional<double> freeMegabytes) {
    QString text = StringTable::Text(languageCode, 223) + why;
    if (freeMegabytes) {
        text +=
            QStringLiteral(" (") +
            StringTable::Text(languageCode, 224).arg(QLocale().toString(*freeMegabytes, 'f', 1)) +
            QLatin1Char(')');
    }
    return text;
}

QString ReasonTexts::NotRemoved(int languageCode, const QString& why) {
    return StringTable::Text(languageCode, 229) + why;
}

QString ReasonTexts::OpenFailed(int languageCode, const QString& libraryText,
                                const QString& address) {
    QString text = StringTable::Text(languageCode, 226) +
                   (libraryText.isEmpty() ? StringTable::Text(languageCode, 232) : libraryText);
    if (!libraryText.contains(address)) {
        text += QStringLiteral(" (") + StringTable::Text(languageCode, 227) + address +
                QLatin1Char(')');
    }
    return text;
}

QString ReasonTexts::ReplyWait(int languageCode, int waitedMilliseconds, int limitMilliseconds) {
    return StringTable::Text(languageCode, 230)
        .arg(Seconds(waitedMilliseconds))
        .arg(Seconds(limitMilliseconds));
}

QString ReasonTexts::ReplyWaitLogLine(int waitedMilliseconds, int limitMilliseconds) {
    return ReplyWait(kEnglish, waitedMilliseconds, limitMilliseconds);
}

QString ReasonTexts::ResultFileName(const QString& dataFileName, bool withError) {
    // The library cuts the name at its first extension, ".csv" before ".csw".
    for (const QString& extension : {kPlainExtension, kUnicodeExtension}) {
        const qsizetype at = dataFileName.indexOf(extension);
        if (at >= 0) {
            return dataFileName.left(at) +
                   (withError ? QStringLiteral("_e") : QStringLiteral("_a")) + extension;
        }
    }
    return {};
}

QString ReasonTexts::LowerCaseExtensionName(const QString& dataFileName) {
    if (dataFileName.contains(kPlainExtension) || dataFileName.contains(kUnicodeExtension)) {
        return {};
    }
    for (const QString& extension : {kPlainExtension, kUnicodeExtension}) {
        const qsizetype at = dataFileName.indexOf(extension, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            QString renamed = dataFileName;
            return renamed.replace(at, extension.size(), extension);
        }
    }
    return {};
}

}  // namespace dorvex::panel
