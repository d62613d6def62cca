// Decoded pictures to RGB: every pixel of every row converted, whatever the width, the
// pixel format and the scaling, and nothing written past the rows the scaler fills in the
// bitmap itself.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cstring>
#include <random>

#include "media/rgb_converter.h"

namespace pellicor {
namespace {

const AVPixelFormat kFormats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUVA420P,
                                  AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV410P, AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P10LE,
                                  AV_PIX_FMT_YUYV422, AV_PIX_FMT_GBRP, AV_PIX_FMT_RGB24, AV_PIX_FMT_BGR0,
                                  AV_PIX_FMT_PAL8, AV_PIX_FMT_GRAY8};

// A picture of noise (valid samples for the format) with FFmpeg's own padded planes.
ffmpeg::FramePtr NoisePicture(AVPixelFormat format, int width, int height, unsigned seed) {
    ffmpeg::FramePtr frame = ffmpeg::NewFrame();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    // Grey samples span the full range, as the scaler takes them by default.
    if (format == AV_PIX_FMT_GRAY8) frame->color_range = AVCOL_RANGE_JPEG;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    std::mt19937 random(seed);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    for (int plane = 0; plane < 4 && frame->data[plane]; ++plane) {
        const bool palette = format == AV_PIX_FMT_PAL8 && plane == 1;
        const int rows = palette ? 1
                         : plane == 1 || plane == 2 ? AV_CEIL_RSHIFT(height, descriptor->log2_chroma_h)
                                                    : height;
        const int bytes = palette ? 1024 : frame->linesize[plane];
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* row = frame->data[plane] + static_cast<std::ptrdiff_t>(y) * frame->linesize[plane];
            for (int x = 0; x < bytes; ++x) row[x] = static_cast<std::uint8_t>(random());
            if (format == AV_PIX_FMT_YUV420P10LE)
                for (int x = 0; x + 1 < bytes; x += 2) row[x + 1] &= 3;  // 10-bit samples
        }
    }
    return frame;
}

// The picture converted by a scaler of its own into rows with room to spare, as a bitmap.
TBitmap ReferenceRgb(const AVFrame& frame, int width, int height) {
    SwsContext* scaler = sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), width,
                                        height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr);
    EXPECT_NE(scaler, nullptr);
    TBitmap bitmap(width, height);
    if (!scaler) return bitmap;
    const int stride = width * 3 + 256;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * (height + 1));
    std::uint8_t* planes[4] = {rows.data()};
    int strides[4] = {stride};
    sws_scale(scaler, frame.data, frame.linesize, 0, frame.height, planes, strides);
    sws_freeContext(scaler);
    for (int y = 0; y < height; ++y) std::memcpy(bitmap.row(y), rows.data() + static_cast<std::size_t>(stride) * y, bitmap.stride());
    return bitmap;
}

// Widths around the 8- and 16-pixel steps of the scaler's vector loops (21 is short of a
// whole step even in a 64-byte aligned row), same size and scaled.
TEST(MediaRgbConverter, EveryPixelOfEveryRowIsConverted) {
    struct TSize {
        int sourceWidth, sourceHeight, width, height;
    };
    const TSize sizes[] = {{16, 2, 16, 2},     {21, 10, 21, 10},    {160, 120, 160, 120}, {168, 120, 168, 120},
                           {176, 144, 176, 144}, {854, 480, 854, 480}, {1280, 720, 1280, 720}, {100, 75, 160, 120},
                           {320, 240, 168, 126}, {176, 145, 176, 145}};
    TRgbConverter converter;
    TBitmap image;
    unsigned seed = 1;
    for (const AVPixelFormat format : kFormats) {
        for (const TSize& size : sizes) {
            SCOPED_TRACE(::testing::Message() << av_get_pix_fmt_name(format) << " " << size.sourceWidth << "x"
                                              << size.sourceHeight << " to " << size.width << "x" << size.height);
            const ffmpeg::FramePtr frame = NoisePicture(format, size.sourceWidth, size.sourceHeight, seed++);
            ASSERT_NE(frame, nullptr);
            // The same converter and bitmap for every picture, as a reader uses them.
            converter.Convert(*frame, size.width, size.height, image);
            ASSERT_EQ(image.width, size.width);
            ASSERT_EQ(image.height, size.height);
            const TBitmap reference = ReferenceRgb(*frame, size.width, size.height);
            EXPECT_TRUE(image.pixels == reference.pixels);
        }
    }
}

// Where the converter lets the scaler write into the bitmap's packed rows, the scaler
// writes nothing past the last row (a byte there would be past the bitmap's end).
TEST(MediaRgbConverter, ScalerStaysInsidePackedRowsOfTheWidthsWrittenStraight) {
    constexpr int kSlack = 256;
    constexpr std::uint8_t kUntouched = 0xA5;
    unsigned seed = 100;
    for (const AVPixelFormat format : kFormats) {
        for (const int width : {16, 32, 160, 176, 640, 1280}) {
            // The same size, and scaled up and down (the scaler's other loops).
            for (const int height : {2, 9, 120}) {
                for (const double scale : {1.0, 0.6, 1.7}) {
                    const int sourceWidth = std::max(2, static_cast<int>(width * scale));
                    const int sourceHeight = std::max(2, static_cast<int>(height * scale));
                    SCOPED_TRACE(::testing::Message() << av_get_pix_fmt_name(format) << " " << sourceWidth << "x"
                                                      << sourceHeight << " to " << width << "x" << height);
                    ASSERT_TRUE(TRgbConverter::WritesPackedRows(width));
                    const ffmpeg::FramePtr frame = NoisePicture(format, sourceWidth, sourceHeight, seed++);
                    ASSERT_NE(frame, nullptr);
                    SwsContext* scaler = sws_getContext(sourceWidth, sourceHeight, format, width, height, AV_PIX_FMT_RGB24,
                                                        SWS_BILINEAR, nullptr, nullptr, nullptr);
                    ASSERT_NE(scaler, nullptr);
                    const std::size_t bytes = static_cast<std::size_t>(width) * 3 * height;
                    std::vector<std::uint8_t> rows(bytes + kSlack, kUntouched);
                    std::uint8_t* planes[4] = {rows.data()};
                    int strides[4] = {width * 3};
                    sws_scale(scaler, frame->data, frame->linesize, 0, sourceHeight, planes, strides);
                    sws_freeContext(scaler);
                    std::size_t written = 0;
                    for (std::size_t at = bytes; at < rows.size(); ++at)
                        if (rows[at] != kUntouched) written = at - bytes + 1;
                    EXPECT_EQ(written, 0u) << "bytes written past the last row";
                }
            }
        }
    }
    EXPECT_FALSE(TRgbConverter::WritesPackedRows(168));  // its last step runs 8 pixels past the row
    EXPECT_FALSE(TRgbConverter::WritesPackedRows(854));  // rows this short lose their last pixels
}

}  // namespace
}  // namespace pellicor
