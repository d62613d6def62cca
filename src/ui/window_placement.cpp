#include "ui/window_placement.h"

#include <QWidget>

namespace pellicor::ui {

void CentreOverParent(QWidget& dialog) {
    const QWidget* parent = dialog.parentWidget();
    if (parent == nullptr) return;
    const QWidget* window = parent->window();
    const QRect frame = window->frameGeometry();
    dialog.move(frame.x() + (frame.width() - dialog.width()) / 2, frame.y() + (frame.height() - dialog.height()) / 2);
}

}  // namespace pellicor::ui
