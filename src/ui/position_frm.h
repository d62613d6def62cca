#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <utility>

class QSpinBox;

namespace pellicor::ui {

// The position dialog: one top-left corner in movie pixels. Its caption is the caller's
// ("Text position...", "Preloader position...", "Playback position...").
class TPositionFrm : public QDialog {
    Q_OBJECT
public:
    explicit TPositionFrm(QWidget* parent = nullptr);

    // Shows x and y; the corner chosen with OK, nothing when closed otherwise.
    std::optional<std::pair<std::int32_t, std::int32_t>> Edit(const QString& caption, std::int32_t x,
                                                              std::int32_t y);
    QSpinBox& XField() const { return *edtX_; }
    QSpinBox& YField() const { return *edtY_; }

private:
    QSpinBox* edtX_ = nullptr;
    QSpinBox* edtY_ = nullptr;
};

}  // namespace pellicor::ui
