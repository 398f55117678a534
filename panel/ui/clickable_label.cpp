#include "clickable_label.h"

#include <QMouseEvent>

namespace dorvex::panel {

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace dorvex::panel
