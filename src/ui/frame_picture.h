#pragma once

#include <QImage>
#include <QWidget>

#include "media/bitmap.h"

namespace pellicor::ui {

// A copy of an engine bitmap as a Qt image.
QImage ToImage(const TBitmap& bitmap);

// Shows one picture centred on a black ground: scaled to the widget with its aspect ratio
// kept when stretching, else at its own size (clipped when larger).
class TFramePicture : public QWidget {
    Q_OBJECT
public:
    explicit TFramePicture(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }
    void SetStretch(bool stretch);
    bool Stretch() const { return stretch_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    bool stretch_ = true;
};

}  // namespace pellicor::ui
