#pragma once

#include <QLabel>

namespace dorvex::panel {

// A picture that reacts to a click, like the flags.
class ClickableLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;

  signals:
    void Clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace dorvex::panel
