#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

#include "settings/region_form.h"

class QLabel;
class QMenu;
class QScrollArea;
class QSlider;
class QSpinBox;

namespace pellicor {
class TSourceFrames;
}

namespace pellicor::ui {

// The drawing area of the region dialog: a frame of the source at its own size (one widget
// pixel per source pixel, so positions are source pixels; the dialog scrolls it when it is
// larger than the screen) with the selection over it. Dragging outside the selection draws
// a new one, dragging inside moves it.
class TRegionCanvas : public QWidget {
    Q_OBJECT
public:
    explicit TRegionCanvas(QWidget* parent = nullptr);

    void SetPictureSize(int width, int height);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return picture_; }
    void SetSelection(const QRect& selection);
    QRect Selection() const { return selection_; }

signals:
    // The selection drawn or moved, in source pixels (left, top, width, height).
    void SelectionChanged(const QRect& selection);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class TDrag { None, Draw, Move };
    QImage picture_;
    QRect selection_;
    TDrag drag_ = TDrag::None;
    QPoint anchor_;         // where the drag started
    QPoint anchorCorner_;   // the selection's corner then (moving)
};

// The region dialog ("Select Region"): the crop rectangle drawn on a frame of the source,
// its four fields, the preview frame, and the start and end frames; "&Apply" hands them to
// the settings dialog. The rules are the region form model's.
class TRegionFrm : public QDialog {
    Q_OBJECT
public:
    explicit TRegionFrm(QWidget* parent = nullptr);
    ~TRegionFrm() override;

    // Presets the selection and the range; the source is opened and its middle frame drawn
    // once the event loop runs.
    void Open(const TSourceInfo& source, const TRegionRect& crop, std::int32_t startFrame, std::int32_t endFrame);
    // Open, then run the dialog: the choice on Apply, nothing on Cancel or close.
    std::optional<TRegionChoice> Edit(const TSourceInfo& source, const TRegionRect& crop, std::int32_t startFrame,
                                      std::int32_t endFrame);

    TRegionForm& Form() { return form_; }
    TRegionCanvas& Canvas() const { return *canvas_; }
    QMenu& PopupMenu() const { return *menu_; }
    bool Loaded() const { return loaded_; }

    void done(int result) override;

private:
    QWidget* BuildFields();
    QWidget* BuildFrames();
    void LoadSource();
    void ShowFrame(int frame);
    void TakeFields();
    void Refresh();

    TRegionForm form_;
    TSourceInfo source_;
    std::unique_ptr<TSourceFrames> frames_;
    bool loaded_ = false;
    bool refreshing_ = false;

    QScrollArea* area_ = nullptr;
    TRegionCanvas* canvas_ = nullptr;
    QMenu* menu_ = nullptr;
    QSpinBox* edtX_ = nullptr;
    QSpinBox* edtY_ = nullptr;
    QSpinBox* edtW_ = nullptr;
    QSpinBox* edtH_ = nullptr;
    QSpinBox* edtFrame_ = nullptr;
    QSlider* trkFrame_ = nullptr;
    QLabel* labFrames_ = nullptr;
    QSpinBox* edtStart_ = nullptr;
    QSlider* trkStart_ = nullptr;
    QSpinBox* edtEnd_ = nullptr;
    QSlider* trkEnd_ = nullptr;
};

}  // namespace pellicor::ui
