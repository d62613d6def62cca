#include "media/yuv_picture.h"

#include <new>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace pellicor {

void TYuvPicture::TFrameFreer::operator()(AVFrame* frame) const { av_frame_free(&frame); }

TYuvPicture::TYuvPicture() = default;
TYuvPicture::~TYuvPicture() = default;
TYuvPicture::TYuvPicture(TYuvPicture&& other) noexcept = default;
TYuvPicture& TYuvPicture::operator=(TYuvPicture&& other) noexcept = default;

TYuvPicture::TYuvPicture(const TYuvPicture& other) { *this = other; }

TYuvPicture& TYuvPicture::operator=(const TYuvPicture& other) {
    if (this == &other) return *this;
    if (other.empty()) {
        frame_.reset();
    } else {
        frame_.reset(av_frame_clone(other.frame_.get()));
        if (!frame_) throw std::bad_alloc();
    }
    chromaShiftX_ = other.chromaShiftX_;
    chromaShiftY_ = other.chromaShiftY_;
    fullRange_ = other.fullRange_;
    matrix_ = other.matrix_;
    return *this;
}

TYuvPicture TYuvPicture::Reference(const AVFrame& frame, bool fullRange, EYuvMatrix matrix) {
    TYuvPicture picture;
    picture.frame_.reset(av_frame_clone(&frame));
    if (!picture.frame_) throw std::bad_alloc();
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    picture.chromaShiftX_ = descriptor ? descriptor->log2_chroma_w : 0;
    picture.chromaShiftY_ = descriptor ? descriptor->log2_chroma_h : 0;
    picture.fullRange_ = fullRange;
    picture.matrix_ = matrix;
    return picture;
}

int TYuvPicture::width() const { return frame_ ? frame_->width : 0; }
int TYuvPicture::height() const { return frame_ ? frame_->height : 0; }

int TYuvPicture::PlaneWidth(int plane) const {
    const int shift = plane == 0 ? 0 : chromaShiftX_;
    return -((-width()) >> shift);  // rounded up
}

int TYuvPicture::PlaneHeight(int plane) const {
    const int shift = plane == 0 ? 0 : chromaShiftY_;
    return -((-height()) >> shift);
}

const std::uint8_t* TYuvPicture::Row(int plane, int y) const {
    return frame_->data[plane] + static_cast<std::ptrdiff_t>(frame_->linesize[plane]) * y;
}

}  // namespace pellicor
