#include "widget_prompter.h"

#include <QAbstractButton>

#include "core/string_table.h"

namespace dorvex::panel {

namespace {

const QString kTitle = QStringLiteral("Dorvex Panel");

// The text number of each standard button the program's boxes use.
struct ButtonText {
    QMessageBox::StandardButton button;
    TextId text;
};
constexpr ButtonText kButtonTexts[] = {{QMessageBox::Ok, TextId::Ok},
                                       {QMessageBox::Cancel, TextId::Cancel},
                                       {QMessageBox::Yes, TextId::Yes},
                                       {QMessageBox::No, TextId::No}};

}  // namespace

QMessageBox::StandardButton WidgetPrompter::Show(QWidget* parent, QMessageBox::Icon icon,
                                                 const QString& title, const QString& text,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton,
                                                 int languageCode) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setDefaultButton(defaultButton);
    for (const ButtonText& entry : kButtonTexts) {
        if (QAbstractButton* button = box.button(entry.button)) {
            button->setText(StringTable::Text(languageCode, entry.text));
        }
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void WidgetPrompter::ShowMessage(const QString& text) {
    Show(parent_, QMessageBox::Information, kTitle, text, QMessageBox::Ok, QMessageBox::Ok,
         language_());
}

bool WidgetPrompter::AskYesNo(const QString& text) {
    return Show(parent_, QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No, language_()) == QMessageBox::Yes;
}

}  // namespace dorvex::panel
