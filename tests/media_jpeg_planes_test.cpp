// JPEG encoding straight from decoded planes: every chroma layout at sizes that are not
// whole MCUs, both sample ranges, both matrices, where the colours land, and bytes that do
// not depend on what lies in the padding of the decoder's rows.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "media/bitmap.h"
#include "media/bt709_rows.h"
#include "media/jpeg_encoder.h"
#include "media/yuv_picture.h"

namespace pellicor {
namespace {

struct TFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using TFrame = std::unique_ptr<AVFrame, TFrameFree>;

struct TColour {
    int y, cb, cr;
};

// Gamma-corrected RGB, 0..1.
struct TRgb {
    double red, green, blue;
};

int RoundedSample(double value) { return std::clamp(static_cast<int>(std::lround(value)), 0, 255); }

// RGB in YCbCr of the matrix with luma weights kRed and kBlue, in studio or full range.
TColour YCbCr(TRgb c, double kRed, double kBlue, bool fullRange) {
    const double y = kRed * c.red + (1 - kRed - kBlue) * c.green + kBlue * c.blue;
    const double cb = (c.blue - y) / (2 * (1 - kBlue)), cr = (c.red - y) / (2 * (1 - kRed));
    if (fullRange) return {RoundedSample(255 * y), RoundedSample(128 + 255 * cb), RoundedSample(128 + 255 * cr)};
    return {RoundedSample(16 + 219 * y), RoundedSample(128 + 224 * cb), RoundedSample(128 + 224 * cr)};
}

TColour Bt709(TRgb c, bool fullRange) { return YCbCr(c, 0.2126, 0.0722, fullRange); }
TColour Bt601(TRgb c, bool fullRange) { return YCbCr(c, 0.299, 0.114, fullRange); }

// A planar picture whose left half is `left` and right half `right` (split on the chroma
// grid), with `padding` in every byte past the end of a row.
TFrame MakeFrame(AVPixelFormat format, int width, int height, TColour left, TColour right, std::uint8_t padding) {
    TFrame frame(av_frame_alloc());
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 64), 0);
    const int shiftX = format == AV_PIX_FMT_YUV444P ? 0 : 1;
    const int shiftY = format == AV_PIX_FMT_YUV420P ? 1 : 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int planeWidth = plane == 0 ? width : -((-width) >> shiftX);
        const int planeHeight = plane == 0 ? height : -((-height) >> shiftY);
        const int lumaSplit = ((width / 2) >> shiftX) << shiftX;
        const int split = plane == 0 ? lumaSplit : lumaSplit >> shiftX;
        for (int y = 0; y < planeHeight; ++y) {
            std::uint8_t* row = frame->data[plane] + static_cast<std::ptrdiff_t>(frame->linesize[plane]) * y;
            for (int x = 0; x < frame->linesize[plane]; ++x) {
                const TColour& colour = x < split ? left : right;
                const int value = plane == 0 ? colour.y : plane == 1 ? colour.cb : colour.cr;
                row[x] = x < planeWidth ? static_cast<std::uint8_t>(value) : padding;
            }
        }
    }
    return frame;
}

TBitmap DecodeJpeg(const std::vector<std::uint8_t>& bytes) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    TBitmap picture(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

void ExpectPixel(const TBitmap& picture, int x, int y, int red, int green, int blue, int tolerance) {
    const std::uint8_t* pixel = picture.at(x, y);
    EXPECT_NEAR(pixel[0], red, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(pixel[1], green, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(pixel[2], blue, tolerance) << "at " << x << "," << y;
}

TEST(JpegPlanes, EveryChromaLayoutAndSizeKeepsItsColours) {
    struct TCase {
        EYuvMatrix matrix;
        bool fullRange;
    };
    TJpegEncoder encoder;
    encoder.SetQuality(95);
    for (const TCase& c : {TCase{EYuvMatrix::Bt601, true}, TCase{EYuvMatrix::Bt709, false}, TCase{EYuvMatrix::Bt709, true}}) {
        const auto colour = c.matrix == EYuvMatrix::Bt601 ? Bt601 : Bt709;
        const TColour red = colour({1, 0, 0}, c.fullRange), blue = colour({0, 0, 1}, c.fullRange);
        for (const AVPixelFormat format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P}) {
            for (const auto [width, height] : {std::pair{1, 1}, std::pair{34, 9}, std::pair{50, 33}}) {
                SCOPED_TRACE(::testing::Message() << (c.matrix == EYuvMatrix::Bt601 ? "BT.601 " : "BT.709 ")
                                                  << (c.fullRange ? "full " : "studio ") << av_get_pix_fmt_name(format)
                                                  << " " << width << "x" << height);
                const TFrame frame = MakeFrame(format, width, height, red, blue, 0);
                std::vector<std::uint8_t> jpeg;
                encoder.Encode(TYuvPicture::Reference(*frame, c.fullRange, c.matrix), jpeg);
                const TBitmap picture = DecodeJpeg(jpeg);
                ASSERT_EQ(picture.width, width);
                ASSERT_EQ(picture.height, height);
                if (width == 1) {
                    ExpectPixel(picture, 0, 0, 0, 0, 255, 6);  // the only column is the right half
                    continue;
                }
                // Away from the split, where the decoder's chroma upsampling blends the halves.
                for (int y : {0, height - 1}) {
                    ExpectPixel(picture, 0, y, 255, 0, 0, 6);
                    ExpectPixel(picture, width - 1, y, 0, 0, 255, 6);
                }
            }
        }
    }
}

// The BT.709 conversion of colour bars (white, black, the 75 % bars, a grey) lands on their
// BT.601 full-range samples, within the rounding of the source samples; colours beyond
// what RGB holds clamp instead of wrapping round.
TEST(JpegPlanes, Bt709SamplesBecomeTheirBt601FullRangeValues) {
    const std::vector<TRgb> colours = {{1, 1, 1},          {0, 0, 0},       {0.75, 0, 0},       {0, 0.75, 0},
                                       {0, 0, 0.75},       {0.75, 0.75, 0}, {0, 0.75, 0.75},    {0.75, 0, 0.75},
                                       {0.75, 0.75, 0.75}, {0.5, 0.5, 0.5}, {0.2, 0.6, 0.9}};
    const auto count = static_cast<int>(colours.size());
    for (const bool fullRange : {false, true}) {
        SCOPED_TRACE(fullRange ? "full range" : "studio range");
        std::vector<std::uint8_t> y, cb, cr;
        for (const TRgb& colour : colours) {
            const TColour sample = Bt709(colour, fullRange);
            y.push_back(static_cast<std::uint8_t>(sample.y));
            cb.push_back(static_cast<std::uint8_t>(sample.cb));
            cr.push_back(static_cast<std::uint8_t>(sample.cr));
        }
        std::vector<std::uint8_t> toY(y.size()), toCb(y.size()), toCr(y.size());
        Bt709LumaRowToJpeg(y.data(), cb.data(), cr.data(), toY.data(), count, fullRange);
        Bt709ChromaRowToJpeg(cb.data(), cr.data(), toCb.data(), toCr.data(), count, fullRange);
        for (int i = 0; i < count; ++i) {
            const TRgb& c = colours[static_cast<std::size_t>(i)];
            SCOPED_TRACE(::testing::Message() << "RGB " << c.red << " " << c.green << " " << c.blue);
            const TColour expected = Bt601(c, true);
            EXPECT_NEAR(toY[static_cast<std::size_t>(i)], expected.y, 1);
            EXPECT_NEAR(toCb[static_cast<std::size_t>(i)], expected.cb, 1);
            EXPECT_NEAR(toCr[static_cast<std::size_t>(i)], expected.cr, 1);
        }
    }
    // Studio samples at the ends of their range: bright white with the strongest red, dark
    // with the weakest chroma, and chroma pulling blue-difference and red-difference apart.
    const std::uint8_t y[] = {235, 16, 128}, cb[] = {128, 16, 240}, cr[] = {240, 16, 16};
    std::uint8_t toY[3], toCb[3], toCr[3];
    Bt709LumaRowToJpeg(y, cb, cr, toY, 3, false);
    Bt709ChromaRowToJpeg(cb, cr, toCb, toCr, 3, false);
    EXPECT_EQ(toY[0], 255);
    EXPECT_EQ(toY[1], 0);
    EXPECT_EQ(toCb[2], 255);
    EXPECT_EQ(toCr[2], 0);
}

TEST(JpegPlanes, StudioRangeIsStretchedToFullRange) {
    TJpegEncoder encoder;
    encoder.SetQuality(95);
    struct TCase {
        TColour colour;
        int red, green, blue;
    };
    // Y 16 is black, 235 white, 126 the middle grey; Cr 240 is the strongest red.
    for (const TCase& c : {TCase{{16, 128, 128}, 0, 0, 0}, TCase{{235, 128, 128}, 255, 255, 255},
                           TCase{{126, 128, 128}, 128, 128, 128}, TCase{{81, 90, 240}, 255, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << "Y " << c.colour.y << " Cb " << c.colour.cb << " Cr " << c.colour.cr);
        const TFrame frame = MakeFrame(AV_PIX_FMT_YUV420P, 24, 16, c.colour, c.colour, 0);
        std::vector<std::uint8_t> jpeg;
        encoder.Encode(TYuvPicture::Reference(*frame, false), jpeg);
        const TBitmap picture = DecodeJpeg(jpeg);
        ExpectPixel(picture, 12, 8, c.red, c.green, c.blue, 4);
    }
}

TEST(JpegPlanes, BytesDependOnThePictureOnlyNotOnRowPadding) {
    TJpegEncoder encoder;
    const TColour grey{120, 128, 128}, green{150, 44, 21};
    for (const bool optimized : {false, true}) {
        encoder.SetOptimizedHuffman(optimized);
        std::vector<std::uint8_t> first, again;
        // 37 x 21: neither a whole MCU wide nor high, so the padding would be read if the
        // encoder took the rows as they are.
        encoder.Encode(TYuvPicture::Reference(*MakeFrame(AV_PIX_FMT_YUV420P, 37, 21, grey, green, 0), false), first);
        encoder.Encode(TYuvPicture::Reference(*MakeFrame(AV_PIX_FMT_YUV420P, 37, 21, grey, green, 255), false), again);
        EXPECT_EQ(first, again) << "optimized Huffman " << optimized;
        ASSERT_GE(first.size(), 4u);
        EXPECT_EQ(first[0], 0xFF);
        EXPECT_EQ(first[1], 0xD8);
        EXPECT_EQ(first[first.size() - 2], 0xFF);
        EXPECT_EQ(first.back(), 0xD9);
    }
    // A copy of a picture shares its planes and encodes to the same bytes.
    const TYuvPicture picture = TYuvPicture::Reference(*MakeFrame(AV_PIX_FMT_YUV422P, 16, 16, grey, green, 9), true);
    const TYuvPicture copy = picture;
    std::vector<std::uint8_t> a, b;
    encoder.Encode(picture, a);
    encoder.Encode(copy, b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(copy.Row(0, 0), picture.Row(0, 0));
    EXPECT_THROW(encoder.Encode(TYuvPicture(), a), std::runtime_error);
}

}  // namespace
}  // namespace pellicor
