#include "elided_label.h"

#include <QFontMetrics>
#include <QResizeEvent>

#include <algorithm>

namespace dorvex::panel {

namespace {

constexpr int kMinimumWidth = 40;

}  // namespace

void ElidedLabel::SetFullText(const QString& text) {
    fullText_ = text;
    setToolTip(text);
    Elide();
}

QSize ElidedLabel::minimumSizeHint() const {
    return {kMinimumWidth, QLabel::minimumSizeHint().height()};
}

QSize ElidedLabel::sizeHint() const {
    return {kMinimumWidth, QLabel::sizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void ElidedLabel::Elide() {
    const int room = std::max(0, contentsRect().width());
    setText(fontMetrics().elidedText(fullText_, Qt::ElideRight, room));
}

}  // namespace dorvex::panel
