#pragma once

class QWidget;

namespace pellicor::ui {

// Moves a dialog so that it sits centred over its parent window: half the size difference,
// truncated. Nothing without a parent.
void CentreOverParent(QWidget& dialog);

}  // namespace pellicor::ui
