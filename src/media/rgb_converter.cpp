#include "media/rgb_converter.h"

#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "media/media_error.h"

namespace pellicor {

namespace {

// Bytes of a scratch row for `width` pixels: whole 16-pixel steps, 64-byte aligned.
int ScratchStride(int width) { return FFALIGN(FFALIGN(width, 16) * 3, 64); }

}  // namespace

void TRgbConverter::Prepare(const AVFrame& frame, int width, int height) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame.width, frame.height, format, width, height,
                                       AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler_) throw EMediaError("pictures of this pixel format cannot be converted");
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    if (descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB)) {
        sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(frame.colorspace), ffmpeg::IsFullRange(frame) ? 1 : 0,
                                 sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    }
}

void TRgbConverter::Scale(const AVFrame& frame, std::uint8_t* rows, int stride) {
    std::uint8_t* planes[4] = {rows, nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) < 0) {
        throw EMediaError("a picture could not be converted");
    }
}

void TRgbConverter::Convert(const AVFrame& frame, int width, int height, TBitmap& image) {
    if (frame.width <= 0 || frame.height <= 0 || width <= 0 || height <= 0) {
        throw EMediaError("a picture without size");
    }
    Prepare(frame, width, height);
    if (image.width != width || image.height != height ||
        image.pixels.size() != static_cast<std::size_t>(width) * height * 3) {
        image = TBitmap(width, height);
    }
    if (WritesPackedRows(width)) {
        Scale(frame, image.pixels.data(), static_cast<int>(image.stride()));
        return;
    }
    const int stride = ScratchStride(width);
    scratch_.resize(static_cast<std::size_t>(stride) * height);
    Scale(frame, scratch_.data(), stride);
    for (int y = 0; y < height; ++y) {
        std::memcpy(image.row(y), scratch_.data() + static_cast<std::size_t>(stride) * y, image.stride());
    }
}

}  // namespace pellicor
