#include "ui/window_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace pellicor::ui {

void CentreOverParent(QWidget& dialog) {
    const QWidget* parent = dialog.parentWidget();
    if (parent == nullptr) return;
    const QWidget* window = parent->window();
    const QRect frame = window->frameGeometry();
    int x = frame.x() + (frame.width() - dialog.width()) / 2;
    int y = frame.y() + (frame.height() - dialog.height()) / 2;
    // A dialog taller or wider than its parent stays on the screen, title bar first.
    if (const QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        x = std::max(area.left(), std::min(x, area.right() + 1 - dialog.width()));
        y = std::max(area.top(), std::min(y, area.bottom() + 1 - dialog.height()));
    }
    dialog.move(x, y);
}

}  // namespace pellicor::ui
