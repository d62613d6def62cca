#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <utility>

#include "effects/image_effects.h"
#include "effects_test_images.h"

namespace pellicor {
namespace {

using test::FilledImage;
using test::MakeImage;
using test::PatternImage;
using test::PixelAt;
using test::Rgb;
using test::SetPixel;

TEST(EffectsImage, BrightnessAddsRoundedPercentOfFullScaleAndClamps) {
    TBitmap image = MakeImage(2, 1, {{10, 200, 250}, {0, 128, 255}});
    MclImgBrightness(image, 50, -20, 10);  // +127.5 -> 128, -51, +25.5 -> 26
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{138, 149, 255}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{128, 77, 255}));

    image = MakeImage(1, 1, {{10, 200, 30}});
    MclImgBrightness(image, INT_MAX, INT_MIN, 0);  // clamped to +100 %, -100 %
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 0, 30}));
}

TEST(EffectsImage, ContrastScalesAroundMidGrey) {
    TBitmap image = MakeImage(2, 1, {{200, 100, 30}, {0, 255, 0}});
    MclImgContrast(image, 50, -50, -100);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{236, 114, 128}));  // 236.25, 113.75, 127.5 (half to even)
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{0, 191, 128}));  // -63.75, 191.25, 127.5

    image = MakeImage(2, 1, {{0, 255, 77}, {255, 0, 77}});
    MclImgContrast(image, 100, 300, 0);  // 300 is clamped to 100; 0 changes nothing
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{0, 255, 77}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{255, 0, 77}));
    image = MakeImage(1, 1, {{100, 160, 77}});
    MclImgContrast(image, 100, 100, 0);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{72, 192, 77}));  // 127.5 - 55 = 72.5 -> 72; 127.5 + 65 = 192.5 -> 192
}

TEST(EffectsImage, GammaMapsThroughPowerAndClampsItsRange) {
    TBitmap image = MakeImage(2, 1, {{64, 64, 64}, {0, 255, 255}});
    MclImgGamma(image, 2.0, 0.5, 1.0);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{128, 16, 64}));  // 255 * sqrt(64/255) = 127.75; 64^2 / 255 = 16.06
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{0, 255, 255}));

    // Zero (an unfilled record) counts as 0.01, huge as 5, not-a-number leaves the channel.
    image = MakeImage(1, 1, {{64, 64, 64}});
    MclImgGamma(image, 0.0, 1e300, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{0, 193, 64}));  // 255 * (64/255)^0.2 = 193.4
}

TEST(EffectsImage, WhiteBalanceScalesByReference) {
    TBitmap image = MakeImage(2, 1, {{100, 60, 255}, {250, 150, 0}});
    MclImgWhiteBalance(image, 200, 100, 255);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{128, 153, 255}));  // 127.5 -> 128
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{255, 255, 0}));

    image = MakeImage(1, 1, {{1, 0, 200}});
    MclImgWhiteBalance(image, 0, -5, 1000);  // 1, 1, 255
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 0, 200}));
}

TEST(EffectsImage, SolarizeInvertsAtOrAboveThreshold) {
    TBitmap image = MakeImage(2, 1, {{127, 0, 254}, {128, 1, 255}});
    MclImgSolarize(image, 128, 1, 255);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{127, 0, 254}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{127, 254, 0}));

    image = MakeImage(1, 1, {{0, 255, 255}});
    MclImgSolarize(image, -7, 999, 0);  // 1, 255, 1
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{0, 0, 0}));
}

TEST(EffectsImage, SaturationMovesAroundLuminance) {
    // Luminance of (200, 100, 50): (77*200 + 150*100 + 29*50 + 128) >> 8 = 124.
    const TBitmap source = MakeImage(2, 1, {{200, 100, 50}, {90, 90, 90}});
    TBitmap image = source;
    MclImgSaturation(image, -100);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{124, 124, 124}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{90, 90, 90}));

    image = source;
    MclImgSaturation(image, 100);  // distances doubled: 276, 76, -24
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{255, 76, 0}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{90, 90, 90}));

    image = source;
    MclImgSaturation(image, -50);  // distances halved: 38, -12, -37
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{162, 112, 87}));

    TBitmap clamped = source;
    MclImgSaturation(clamped, INT_MAX);
    image = source;
    MclImgSaturation(image, 100);
    EXPECT_EQ(clamped.pixels, image.pixels);
}

// 3x3 picture: background (100, 0, 255), centre (110, 255, 0); one channel of each kind.
TBitmap CentreSpot() {
    TBitmap image = FilledImage(3, 3, {100, 0, 255});
    SetPixel(image, 1, 1, {110, 255, 0});
    return image;
}

TEST(EffectsImage, ConvolutionFiltersCentreSideAndClamping) {
    TBitmap image = CentreSpot();
    MclImgSoften(image);  // (4c + 2 sides + corners) / 16
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{103, 64, 191}));  // 1640/16 = 102.5; 1020/16 = 63.75; 3060/16
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{101, 32, 223}));  // 1620/16 = 101.25; 510/16 = 31.9; 3570/16 = 223.1
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{101, 16, 239}));  // corner sees the spot once, as a corner

    image = CentreSpot();
    MclImgSharpen(image);  // c + (8c - neighbours) / 8
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{120, 255, 0}));
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{99, 0, 255}));  // 98.75
    EXPECT_EQ(PixelAt(image, 2, 2), (Rgb{99, 0, 255}));

    image = CentreSpot();
    MclImgEdgeEnhance(image);  // c + (8c - neighbours) / 2
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{150, 255, 0}));
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{95, 0, 255}));

    image = CentreSpot();
    MclImgFindEdges(image);  // 8c - neighbours
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{80, 255, 0}));
    EXPECT_EQ(PixelAt(image, 2, 1), (Rgb{0, 0, 255}));
    EXPECT_EQ(PixelAt(image, 0, 2), (Rgb{0, 0, 255}));
}

TEST(EffectsImage, ConvolutionRepeatsBorderPixels) {
    // 2x2 with a spot in the top-left corner: beyond the border the corner repeats, so it
    // counts as centre, two sides and a corner of itself.
    TBitmap image = MakeImage(2, 2, {{160, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    MclImgSoften(image);
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{90, 0, 0}));  // (640 + 320 + 320 + 160) / 16
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{30, 0, 0}));  // side and repeated corner
    EXPECT_EQ(PixelAt(image, 0, 1), (Rgb{30, 0, 0}));
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{10, 0, 0}));

    // A flat picture stays flat (sharpen, edge enhance) or goes black (find edges), a one-pixel
    // one included.
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{4, 1}, std::pair{1, 3}, std::pair{5, 4}}) {
        TBitmap flat = FilledImage(width, height, {37, 200, 255});
        MclImgSoften(flat);
        MclImgSharpen(flat);
        MclImgEdgeEnhance(flat);
        EXPECT_EQ(flat.pixels, FilledImage(width, height, {37, 200, 255}).pixels);
        MclImgFindEdges(flat);
        EXPECT_EQ(flat.pixels, FilledImage(width, height, {0, 0, 0}).pixels);
    }
}

TEST(EffectsImage, TraceContourDrawsDarkEdgesOnWhiteFromLuminance) {
    TBitmap image = FilledImage(3, 3, {100, 100, 100});
    SetPixel(image, 1, 1, {110, 110, 110});
    MclImgTraceContour(image);
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{175, 175, 175}));  // 255 - |880 - 800|
    EXPECT_EQ(PixelAt(image, 1, 0), (Rgb{245, 245, 245}));  // 255 - |800 - 810|
    EXPECT_EQ(PixelAt(image, 2, 2), (Rgb{245, 245, 245}));

    image = FilledImage(3, 3, {0, 0, 0});
    SetPixel(image, 1, 1, {255, 0, 0});  // luminance 77
    MclImgTraceContour(image);
    EXPECT_EQ(PixelAt(image, 1, 1), (Rgb{0, 0, 0}));
    EXPECT_EQ(PixelAt(image, 0, 0), (Rgb{178, 178, 178}));

    image = FilledImage(2, 1, {12, 240, 99});
    MclImgTraceContour(image);
    EXPECT_EQ(image.pixels, FilledImage(2, 1, {255, 255, 255}).pixels);
}

TEST(EffectsImage, FlipsMoveWholePixels) {
    TBitmap image = MakeImage(3, 2, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}});
    MclImgFlipHorizontal(image);
    EXPECT_EQ(image.pixels,
              MakeImage(3, 2, {{7, 8, 9}, {4, 5, 6}, {1, 2, 3}, {16, 17, 18}, {13, 14, 15}, {10, 11, 12}}).pixels);
    MclImgFlipVertical(image);
    EXPECT_EQ(image.pixels,
              MakeImage(3, 2, {{16, 17, 18}, {13, 14, 15}, {10, 11, 12}, {7, 8, 9}, {4, 5, 6}, {1, 2, 3}}).pixels);

    image = MakeImage(1, 3, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    MclImgFlipVertical(image);
    EXPECT_EQ(image.pixels, MakeImage(1, 3, {{3, 3, 3}, {2, 2, 2}, {1, 1, 1}}).pixels);
    MclImgFlipHorizontal(image);
    EXPECT_EQ(image.pixels, MakeImage(1, 3, {{3, 3, 3}, {2, 2, 2}, {1, 1, 1}}).pixels);
}

TEST(EffectsImage, PixelizeAveragesBlocksIncludingPartialOnes) {
    // Red = 10x + 50y; green is 1 at (0, 0) and (1, 0) only, a block mean of 0.5.
    TBitmap image(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) SetPixel(image, x, y, {10 * x + 50 * y, y == 0 && x < 2 ? 1 : 0, 200});
    const TBitmap source = image;
    MclImgPixelize(image, 2, 2);
    const int expectedRed[3][5] = {{30, 30, 50, 50, 65}, {30, 30, 50, 50, 65}, {105, 105, 125, 125, 140}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(PixelAt(image, x, y), (Rgb{expectedRed[y][x], x < 2 && y < 2 ? 1 : 0, 200})) << x << "," << y;

    image = source;
    MclImgPixelize(image, 1, 0);  // 1 x 1 blocks (0 clamped to 1) change nothing
    EXPECT_EQ(image.pixels, source.pixels);

    image = source;
    MclImgPixelize(image, 1000, 1000);  // 100 x 100 covers everything: the mean of all
    EXPECT_EQ(image.pixels, FilledImage(5, 3, {70, 0, 200}).pixels);
}

TEST(EffectsImage, ChaosTakesPixelsFromWithinItsDiameterRepeatably) {
    // Every pixel names its own position, so the result shows where each one came from.
    TBitmap source(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) SetPixel(source, x, y, {x, y, 7});

    for (int level : {2, 5, 1000}) {
        const int diameter = std::min(level, 100);
        TBitmap image = source;
        MclImgChaos(image, level);
        int smallest = INT_MAX, largest = INT_MIN, moved = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const Rgb pixel = PixelAt(image, x, y);
                ASSERT_EQ(pixel[2], 7);
                const int dx = pixel[0] - x, dy = pixel[1] - y;
                // Offsets lie in -d/2 .. (d-1)/2 (smaller where clamped at the border).
                smallest = std::min(smallest, dx);
                largest = std::max(largest, dx);
                ASSERT_GE(dx, -diameter / 2);
                ASSERT_LE(dx, (diameter - 1) / 2);
                ASSERT_GE(dy, -diameter / 2);
                ASSERT_LE(dy, (diameter - 1) / 2);
                moved += dx != 0 || dy != 0;
            }
        if (diameter <= 5) {  // every offset of the window turns up
            EXPECT_EQ(smallest, -diameter / 2) << level;
            EXPECT_EQ(largest, (diameter - 1) / 2) << level;
        }
        EXPECT_GT(moved, 64 * 48 / 2) << level;

        TBitmap again = source;
        MclImgChaos(again, level);
        EXPECT_EQ(again.pixels, image.pixels) << level;
        TBitmap otherSeed = source;
        MclImgChaos(otherSeed, level, kChaosSeed + 1);
        EXPECT_NE(otherSeed.pixels, image.pixels) << level;
    }

    TBitmap image = source;
    MclImgChaos(image, 1);
    EXPECT_EQ(image.pixels, source.pixels);
    MclImgChaos(image, -40);
    EXPECT_EQ(image.pixels, source.pixels);
}

TEST(EffectsImage, DeinterlaceKeepsOneFieldAndFillsTheOther) {
    const TBitmap source = MakeImage(1, 4, {{10, 10, 10}, {20, 20, 20}, {41, 41, 41}, {80, 80, 80}});
    const auto run = [&](std::int32_t keepEven, std::int32_t interpolate) {
        TBitmap image = source;
        MclImgDeinterlace(image, keepEven, interpolate);
        return std::array<int, 4>{image.pixels[0], image.pixels[3], image.pixels[6], image.pixels[9]};
    };
    EXPECT_EQ(run(-1, 0), (std::array<int, 4>{10, 10, 41, 41}));
    EXPECT_EQ(run(-1, -1), (std::array<int, 4>{10, 26, 41, 41}));  // (10 + 41) / 2 rounded up; last line copied
    EXPECT_EQ(run(0, 0), (std::array<int, 4>{20, 20, 20, 80}));    // top line copies the one below
    EXPECT_EQ(run(0, -1), (std::array<int, 4>{20, 20, 50, 80}));
    EXPECT_EQ(run(1, 7), run(-1, -1));  // any non-zero flag is true

    TBitmap single = MakeImage(2, 1, {{1, 2, 3}, {4, 5, 6}});
    MclImgDeinterlace(single, 0, -1);  // no even line to keep: nothing to fill from
    EXPECT_EQ(single.pixels, MakeImage(2, 1, {{1, 2, 3}, {4, 5, 6}}).pixels);
}

// Straightforward per-pixel versions of the filters, for pictures wide enough to go
// through the vectorised loops (the hand-computed cases above are too small for that).
TBitmap ReferenceConvolve(const TBitmap& source, int centre, int side, int corner, int shift) {
    TBitmap result(source.width, source.height);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int weight = dx == 0 && dy == 0 ? centre : (dx == 0 || dy == 0 ? side : corner);
                        const int sx = std::clamp(x + dx, 0, source.width - 1);
                        const int sy = std::clamp(y + dy, 0, source.height - 1);
                        sum += weight * source.at(sx, sy)[c];
                    }
                const int rounded = static_cast<int>(std::floor((sum + ((1 << shift) >> 1)) / double(1 << shift)));
                result.at(x, y)[c] = static_cast<std::uint8_t>(std::clamp(rounded, 0, 255));
            }
    return result;
}

TEST(EffectsImage, WidePicturesMatchPerPixelFormulas) {
    const TBitmap source = PatternImage(101, 9);
    const auto run = [&](void (*operation)(TBitmap&)) {
        TBitmap image = source;
        operation(image);
        return image.pixels;
    };
    EXPECT_EQ(run(MclImgSoften), ReferenceConvolve(source, 4, 2, 1, 4).pixels);
    EXPECT_EQ(run(MclImgSharpen), ReferenceConvolve(source, 16, -1, -1, 3).pixels);
    EXPECT_EQ(run(MclImgEdgeEnhance), ReferenceConvolve(source, 10, -1, -1, 1).pixels);
    EXPECT_EQ(run(MclImgFindEdges), ReferenceConvolve(source, 8, -1, -1, 0).pixels);

    TBitmap grey(source.width, source.height);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const std::uint8_t* p = source.at(x, y);
            const int luminance = (77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8;
            SetPixel(grey, x, y, {luminance, luminance, luminance});
        }
    const TBitmap laplace = ReferenceConvolve(grey, 8, -1, -1, 0);
    const TBitmap negated = [&] {
        TBitmap inverted = grey;
        for (auto& component : inverted.pixels) component = static_cast<std::uint8_t>(255 - component);
        return ReferenceConvolve(inverted, 8, -1, -1, 0);
    }();
    TBitmap contour(source.width, source.height);  // 255 - |laplacian|, from both signs
    for (std::size_t i = 0; i < contour.pixels.size(); ++i)
        contour.pixels[i] = static_cast<std::uint8_t>(255 - std::max(laplace.pixels[i], negated.pixels[i]));
    EXPECT_EQ(run(MclImgTraceContour), contour.pixels);

    TBitmap mirrored(source.width, source.height);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) SetPixel(mirrored, source.width - 1 - x, y, PixelAt(source, x, y));
    EXPECT_EQ(run(MclImgFlipHorizontal), mirrored.pixels);

    TBitmap saturated = source;
    MclImgSaturation(saturated, 60);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x) {
            const Rgb p = PixelAt(source, x, y);
            const int luminance = (77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8;
            Rgb expected;
            for (int c = 0; c < 3; ++c)  // factor 1.6 = 104858 / 65536 after rounding
                expected[c] = std::clamp(luminance + static_cast<int>(std::floor(((p[c] - luminance) * 104858 + 32768) / 65536.0)), 0, 255);
            ASSERT_EQ(PixelAt(saturated, x, y), expected) << x << "," << y;
        }

    for (const auto& [blockWidth, blockHeight] : {std::pair{7, 4}, std::pair{3, 3}, std::pair{4, 2}, std::pair{2, 5}}) {
        TBitmap pixelized = source;
        MclImgPixelize(pixelized, blockWidth, blockHeight);
        for (int y = 0; y < source.height; ++y)
            for (int x = 0; x < source.width; ++x) {
                const int left = x / blockWidth * blockWidth, top = y / blockHeight * blockHeight;
                const int right = std::min(left + blockWidth, source.width);
                const int bottom = std::min(top + blockHeight, source.height);
                const int count = (right - left) * (bottom - top);
                Rgb expected{};
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int sy = top; sy < bottom; ++sy)
                        for (int sx = left; sx < right; ++sx) sum += source.at(sx, sy)[c];
                    expected[c] = (sum + count / 2) / count;
                }
                ASSERT_EQ(PixelAt(pixelized, x, y), expected) << blockWidth << "x" << blockHeight << " at " << x << "," << y;
            }
    }
}

TEST(EffectsImage, EmptyOrShortBitmapsAreLeftAlone) {
    TBitmap empty;
    TBitmap zeroHeight(4, 0);
    TBitmap shortBuffer(4, 4);
    shortBuffer.pixels.resize(10, 9);
    for (TBitmap* image : {&empty, &zeroHeight, &shortBuffer}) {
        const TBitmap before = *image;
        MclImgBrightness(*image, 50, 50, 50);
        MclImgContrast(*image, 50, 50, 50);
        MclImgGamma(*image, 2, 2, 2);
        MclImgWhiteBalance(*image, 9, 9, 9);
        MclImgSolarize(*image, 1, 1, 1);
        MclImgSaturation(*image, 50);
        MclImgSoften(*image);
        MclImgSharpen(*image);
        MclImgEdgeEnhance(*image);
        MclImgFindEdges(*image);
        MclImgTraceContour(*image);
        MclImgFlipVertical(*image);
        MclImgFlipHorizontal(*image);
        MclImgPixelize(*image, 3, 3);
        MclImgChaos(*image, 9);
        MclImgDeinterlace(*image, -1, -1);
        EXPECT_EQ(image->pixels, before.pixels);
    }
}

TEST(EffectsImage, LongerBufferKeepsItsTail) {
    // Only width x height pixels belong to the picture; bytes past them are not touched.
    TBitmap image = PatternImage(7, 5);
    image.pixels.resize(image.pixels.size() + 6, 42);
    MclImgChaos(image, 9);
    MclImgSoften(image);
    MclImgFlipVertical(image);
    MclImgBrightness(image, 30, 30, 30);
    for (std::size_t i = image.pixels.size() - 6; i < image.pixels.size(); ++i) EXPECT_EQ(image.pixels[i], 42);
}

}  // namespace
}  // namespace pellicor
