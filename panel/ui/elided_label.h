#pragma once

#include <QLabel>

namespace dorvex::panel {

// One line of text that may be longer than its place: cut with "…" where it does not fit,
// whole in its tooltip. Its width never forces the window wider.
class ElidedLabel : public QLabel {
    Q_OBJECT

  public:
    using QLabel::QLabel;
    void SetFullText(const QString& text);
    const QString& FullText() const { return fullText_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Elide();

    QString fullText_;
};

}  // namespace dorvex::panel
