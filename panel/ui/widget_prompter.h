#pragma once

#include <QPointer>
#include <QWidget>

#include "core/prompter.h"

namespace dorvex::panel {

// Modal message boxes titled with the program's name.
class WidgetPrompter : public Prompter {
  public:
    explicit WidgetPrompter(QWidget* parent) : parent_(parent) {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace dorvex::panel
