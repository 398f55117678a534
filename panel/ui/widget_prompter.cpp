#include "widget_prompter.h"

#include <QMessageBox>

namespace dorvex::panel {

namespace {

const QString kTitle = QStringLiteral("Dorvex Panel");

}  // namespace

void WidgetPrompter::ShowMessage(const QString& text) {
    QMessageBox::information(parent_, kTitle, text);
}

bool WidgetPrompter::AskYesNo(const QString& text) {
    return QMessageBox::question(parent_, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace dorvex::panel
