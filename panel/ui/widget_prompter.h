#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <functional>

#include "core/prompter.h"

namespace dorvex::panel {

// Modal message boxes titled with the program's name, their buttons in the window's language.
class WidgetPrompter : public Prompter {
  public:
    using LanguageSource = std::function<int()>;

    WidgetPrompter(QWidget* parent, LanguageSource language)
        : parent_(parent), language_(std::move(language)) {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

    // A modal box whose standard buttons carry the texts of the language; the button pressed.
    static QMessageBox::StandardButton Show(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& title, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton,
                                            int languageCode);

  private:
    QPointer<QWidget> parent_;
    LanguageSource language_;
};

}  // namespace dorvex::panel
