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
    const QString prefix = StringTable::Text(languageCode, TextId::RefusedByLibrary);
    if (!libraryText.isEmpty()) {
        return prefix + libraryText;
    }
    if (const QString renamed = LowerCaseExtensionName(name); !renamed.isEmpty()) {
        return prefix +
               StringTable::Text(languageCode, TextId::RenameWithLowerCaseExtension).arg(renamed);
    }
    return prefix + StringTable::Text(languageCode, TextId::NoReasonGiven);
}

QString ReasonTexts::Failed(int languageCode, const QString& transferText,
                            const QString& resultMissing) {
    const QString prefix = StringTable::Text(languageCode, TextId::TransferEndedWithError);
    if (!transferText.isEmpty()) {
        return prefix + transferText;
    }
    if (!resultMissing.isEmpty()) {
        return prefix +
               StringTable::Text(languageCode, TextId::NoResultFileWritten).arg(resultMissing);
    }
    return prefix + StringTable::Text(languageCode, TextId::NoReasonSeeErrorLog);
}

QString ReasonTexts::UnknownStatus(int languageCode, int status) {
    return StringTable::Text(languageCode, TextId::UnknownTransferStatus) + QString::number(status);
}

QString ReasonTexts::NotMoved(int languageCode, const QString& why,
                              std::optional<double> freeMegabytes) {
    QString text = StringTable::Text(languageCode, TextId::CouldNotBeMoved) + why;
    if (freeMegabytes) {
        text += QStringLiteral(" (") +
                StringTable::Text(languageCode, TextId::FreeDiskSpaceMegabytes)
                    .arg(QLocale().toString(*freeMegabytes, 'f', 1)) +
                QLatin1Char(')');
    }
    return text;
}

QString ReasonTexts::NotRemoved(int languageCode, const QString& why) {
    return StringTable::Text(languageCode, TextId::CouldNotBeRemoved) + why;
}

QString ReasonTexts::OpenFailed(int languageCode, const QString& libraryText,
                                const QString& address) {
    QString text = StringTable::Text(languageCode, TextId::LinkNotOpened) +
                   (libraryText.isEmpty() ? StringTable::Text(languageCode, TextId::NoReasonGiven)
                                          : libraryText);
    if (!libraryText.contains(address)) {
        text += QStringLiteral(" (") + StringTable::Text(languageCode, TextId::AddressTried) +
                address + QLatin1Char(')');
    }
    return text;
}

QString ReasonTexts::ReplyWait(int languageCode, int waitedMilliseconds, int limitMilliseconds) {
    return StringTable::Text(languageCode, TextId::WaitingForReply)
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
