#include "ui/frame_picture.h"

#include <QPainter>

#include "batch/fit_size.h"

namespace pellicor::ui {

QImage ToImage(const TBitmap& bitmap) {
    if (bitmap.empty() || bitmap.pixels.size() < bitmap.stride() * static_cast<std::size_t>(bitmap.height))
        return {};
    // The bitmap's rows are packed; the image gets its own aligned copy.
    return QImage(bitmap.pixels.data(), bitmap.width, bitmap.height, static_cast<qsizetype>(bitmap.stride()),
                  QImage::Format_RGB888)
        .copy();
}

TFramePicture::TFramePicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TFramePicture::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void TFramePicture::SetStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

void TFramePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (image_.isNull()) return;
    QSize size = image_.size();
    if (stretch_) {
        const TSize fitted = FitSize(size.width(), size.height(), width(), height());
        size = QSize(fitted.width, fitted.height);
    }
    const QRect target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, stretch_);
    painter.drawImage(target, image_);
}

}  // namespace pellicor::ui
