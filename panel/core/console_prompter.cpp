#include "console_prompter.h"

#include <QDateTime>

namespace dorvex::panel {

void ConsolePrompter::WriteLine(const QString& text) {
    const QByteArray line =
        (QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + text).toUtf8();
    std::lock_guard lock(mutex_);
    std::fprintf(out_, "%s\n", line.constData());
    std::fflush(out_);
}

void ConsolePrompter::ShowMessage(const QString& text) {
    WriteLine(QStringLiteral("message: ") + text);
}

bool ConsolePrompter::AskYesNo(const QString& text) {
    WriteLine(QStringLiteral("question: ") + text + QStringLiteral(" -> yes"));
    return true;
}

}  // namespace dorvex::panel
