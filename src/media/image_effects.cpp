#include "media/image_effects.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "util/numbers.h"

namespace pellicor {

namespace {

using ChannelTable = std::array<std::uint8_t, 256>;

// The hot row loops are built for AVX-512 and AVX2 besides the baseline; the loader picks
// what the processor runs.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define PELLICOR_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define PELLICOR_VECTOR_CLONES
#endif

// A bitmap whose buffer really holds width x height pixels, with rows short enough to be
// counted in int bytes (padding included); anything else is left alone.
bool Usable(const TBitmap& image) {
    return !image.empty() && image.width < INT_MAX / 3 - 2 &&
           image.pixels.size() >= image.stride() * static_cast<std::size_t>(image.height);
}

std::size_t PixelCount(const TBitmap& image) {
    return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

std::uint8_t ClampByte(std::int64_t value) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
}

// Rec. 601 luminance in 8.8 fixed point; the weights add up to 256.
int Luminance(int red, int green, int blue) {
    return (77 * red + 150 * green + 29 * blue + 128) >> 8;
}

template <typename Map>
ChannelTable MakeTable(Map map) {
    ChannelTable table{};
    for (int component = 0; component < 256; ++component) table[component] = ClampByte(map(component));
    return table;
}

void ApplyTables(TBitmap& image, const ChannelTable& red, const ChannelTable& green, const ChannelTable& blue) {
    std::uint8_t* pixel = image.pixels.data();
    for (std::size_t count = PixelCount(image); count > 0; --count, pixel += 3) {
        pixel[0] = red[pixel[0]];
        pixel[1] = green[pixel[1]];
        pixel[2] = blue[pixel[2]];
    }
}

// Builds one table per channel from the channel's parameter and applies the three.
template <typename Parameter, typename Map>
void ApplyChannelMap(TBitmap& image, Parameter red, Parameter green, Parameter blue, Map map) {
    if (!Usable(image)) return;
    ApplyTables(image, MakeTable([&](int c) { return map(c, red); }), MakeTable([&](int c) { return map(c, green); }),
                MakeTable([&](int c) { return map(c, blue); }));
}

// A symmetric 3x3 kernel: weights of the centre, the four side and the four corner
// neighbours, and the power of two the sum is divided by (rounded, halves up). Split by
// rows, the sum for a pixel is
//   (Centre * c + Side * (l + r)) of its own row + (Side * c + Corner * (l + r)) of the rows
//   above and below,
// with c the component in the pixel's column and l, r those to its left and right. Each row's
// two terms are computed once and serve the three output rows that use it. Pixels beyond
// the border repeat the border pixel. 16-bit values are wide enough (|sum| <= 16 * 255).
template <int Centre, int Side, int Corner>
PELLICOR_VECTOR_CLONES void KernelRowTerms(std::int16_t* __restrict ownTerm, std::int16_t* __restrict neighbourTerm,
                                           const std::uint8_t* __restrict row, int bytes) {
    const auto store = [&](int i, int pair) {
        ownTerm[i] = static_cast<std::int16_t>(Centre * row[i] + Side * pair);
        neighbourTerm[i] = static_cast<std::int16_t>(Side * row[i] + Corner * pair);
    };
    const int firstInner = std::min(3, bytes), endInner = std::max(firstInner, bytes - 3);
    for (int i = 0; i < firstInner; ++i) store(i, row[i] + row[i + 3 < bytes ? i + 3 : i]);
    for (int i = firstInner; i < endInner; ++i) store(i, row[i - 3] + row[i + 3]);
    for (int i = endInner; i < bytes; ++i) store(i, row[i - 3] + row[i]);
}

template <int Shift>
PELLICOR_VECTOR_CLONES void KernelRowOutput(std::uint8_t* __restrict out, const std::int16_t* __restrict above,
                                            const std::int16_t* __restrict own,
                                            const std::int16_t* __restrict below, int bytes) {
    constexpr int half = (1 << Shift) >> 1;
    for (int i = 0; i < bytes; ++i) {
        const auto sum = static_cast<std::int16_t>(own[i] + above[i] + below[i] + half);
        out[i] = static_cast<std::uint8_t>(std::clamp<std::int16_t>(static_cast<std::int16_t>(sum >> Shift), 0, 255));
    }
}

template <int Centre, int Side, int Corner, int Shift>
void Convolve(TBitmap& image) {
    if (!Usable(image)) return;
    // Terms of three rows at a time; row r lives in slot r % 3.
    const std::size_t bytes = image.stride();
    std::vector<std::int16_t> buffer(bytes * 6);
    const auto ownTerm = [&](int row) { return buffer.data() + bytes * static_cast<std::size_t>(row % 3); };
    const auto neighbourTerm = [&](int row) { return ownTerm(row) + bytes * 3; };
    const auto computeTerms = [&](int row) {
        KernelRowTerms<Centre, Side, Corner>(ownTerm(row), neighbourTerm(row), image.row(row), image.width * 3);
    };
    computeTerms(0);
    for (int y = 0; y < image.height; ++y) {
        if (y + 1 < image.height) computeTerms(y + 1);  // before row y changes, while row y + 1 is original
        KernelRowOutput<Shift>(image.row(y), neighbourTerm(std::max(y - 1, 0)), ownTerm(y),
                               neighbourTerm(std::min(y + 1, image.height - 1)), image.width * 3);
    }
}

// Integer hash (lowbias32) of a pixel position and a seed.
std::uint32_t PositionHash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = (x * 0x9E3779B1u) ^ (y * 0x85EBCA77u) ^ seed;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

PELLICOR_VECTOR_CLONES void SaturatePixels(std::uint8_t* __restrict pixel, std::size_t count, int factor) {
    for (; count > 0; --count, pixel += 3) {
        const int luminance = Luminance(pixel[0], pixel[1], pixel[2]);
        for (int channel = 0; channel < 3; ++channel) {
            const int distance = pixel[channel] - luminance;
            pixel[channel] = static_cast<std::uint8_t>(std::clamp(luminance + ((distance * factor + 32768) >> 16), 0, 255));
        }
    }
}

// Luminance of a row into line[1 .. width], with line[0] and line[width + 1] repeating the ends.
PELLICOR_VECTOR_CLONES void LuminanceLine(std::uint8_t* __restrict line, const std::uint8_t* __restrict pixel, int width) {
    for (int x = 0; x < width; ++x, pixel += 3)
        line[x + 1] = static_cast<std::uint8_t>(Luminance(pixel[0], pixel[1], pixel[2]));
    line[0] = line[1];
    line[width + 1] = line[width];
}

PELLICOR_VECTOR_CLONES void ContourRow(std::uint8_t* __restrict out, const std::uint8_t* __restrict above,
                                       const std::uint8_t* __restrict here, const std::uint8_t* __restrict below,
                                       int width) {
    for (int x = 0; x < width; ++x, out += 3) {
        const int neighbours =
            above[x] + above[x + 1] + above[x + 2] + here[x] + here[x + 2] + below[x] + below[x + 1] + below[x + 2];
        const int edge = std::abs(8 * here[x + 1] - neighbours);
        out[0] = out[1] = out[2] = static_cast<std::uint8_t>(255 - std::min(edge, 255));
    }
}

// Mirrors a row: its bytes reversed into the scratch line, then copied back with each
// pixel's channels in order again.
PELLICOR_VECTOR_CLONES void ReversePixels(std::uint8_t* __restrict row, std::uint8_t* __restrict scratch, int width) {
    const int bytes = width * 3;
    for (int i = 0; i < bytes; ++i) scratch[i] = row[bytes - 1 - i];
    for (int i = 0; i < bytes; i += 3) {
        row[i] = scratch[i + 2];
        row[i + 1] = scratch[i + 1];
        row[i + 2] = scratch[i];
    }
}

// Rounded mean of up to 100 x 100 components by multiplication: with n < 2^22 and
// d <= 10000 < 2^14, (n * ceil(2^40 / d)) >> 40 is exactly n / d truncated.
class ExactDivider {
public:
    explicit ExactDivider(std::uint32_t divisor)
        : divisor_(divisor), reciprocal_(((std::uint64_t{1} << 40) + divisor - 1) / divisor) {}
    std::uint8_t RoundedQuotient(std::uint32_t sum) const {
        return static_cast<std::uint8_t>(((sum + divisor_ / 2) * reciprocal_) >> 40);
    }

private:
    std::uint32_t divisor_;
    std::uint64_t reciprocal_;
};

// Adds a row into 16-bit column sums (a block is at most 100 rows: 100 * 255 fits).
PELLICOR_VECTOR_CLONES void AddRow(std::uint16_t* __restrict sums, const std::uint8_t* __restrict row, int bytes) {
    for (int i = 0; i < bytes; ++i) sums[i] = static_cast<std::uint16_t>(sums[i] + row[i]);
}

// Fills `count` consecutive blocks of a line with the rounded means of their column sums;
// FixedWidth > 0 fixes the block width at compile time, 0 takes `width`.
template <int FixedWidth>
PELLICOR_VECTOR_CLONES void MeanBlocks(std::uint8_t* __restrict line, const std::uint16_t* __restrict sums, int count, int width,
                const ExactDivider& divider) {
    const int blockWidth = FixedWidth > 0 ? FixedWidth : width;
    for (int block = 0; block < count; ++block, line += blockWidth * 3, sums += blockWidth * 3) {
        std::uint32_t red = 0, green = 0, blue = 0;
        for (int x = 0; x < blockWidth * 3; x += 3) {
            red += sums[x];
            green += sums[x + 1];
            blue += sums[x + 2];
        }
        const std::uint8_t mean[3] = {divider.RoundedQuotient(red), divider.RoundedQuotient(green),
                                      divider.RoundedQuotient(blue)};
        for (int x = 0; x < blockWidth * 3; x += 3) std::copy(mean, mean + 3, line + x);
    }
}

// Where each pixel of row y takes its colour from: a column and a row of the picture.
PELLICOR_VECTOR_CLONES void ChaosSources(std::int32_t* __restrict sourceX, std::int32_t* __restrict sourceY, int width,
                                         int height, int y, std::uint32_t diameter, std::uint32_t seed) {
    const int lowest = -static_cast<int>(diameter / 2);
    for (int x = 0; x < width; ++x) {
        const std::uint32_t hash = PositionHash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed);
        const int dx = lowest + static_cast<int>(((hash & 0xFFFFu) * diameter) >> 16);
        const int dy = lowest + static_cast<int>(((hash >> 16) * diameter) >> 16);
        sourceX[x] = std::clamp(x + dx, 0, width - 1);
        sourceY[x] = std::clamp(y + dy, 0, height - 1);
    }
}

}  // namespace

void MclImgBrightness(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    // c' = c + round(255 * p / 100)
    ApplyChannelMap(image, red, green, blue, [](int c, std::int32_t percent) {
        return c + RoundHalfEven(255.0 * std::clamp(percent, -100, 100) / 100.0);
    });
}

void MclImgContrast(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    // c' = round(127.5 + (c - 127.5) * (100 + p) / 100)
    ApplyChannelMap(image, red, green, blue, [](int c, std::int32_t percent) {
        return RoundHalfEven(127.5 + (c - 127.5) * (100 + std::clamp(percent, -100, 100)) / 100.0);
    });
}

void MclImgGamma(TBitmap& image, double red, double green, double blue) {
    // c' = round(255 * (c / 255) ^ (1 / gamma)); a gamma that is not a number counts as 1
    ApplyChannelMap(image, red, green, blue, [](int c, double gamma) {
        gamma = std::isnan(gamma) ? 1.0 : std::clamp(gamma, 0.01, 5.0);
        return RoundHalfEven(255.0 * std::pow(c / 255.0, 1.0 / gamma));
    });
}

void MclImgWhiteBalance(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    // c' = min(255, round(c * 255 / reference))
    ApplyChannelMap(image, red, green, blue, [](int c, std::int32_t reference) {
        return RoundHalfEven(c * 255.0 / std::clamp(reference, 1, 255));
    });
}

void MclImgSolarize(TBitmap& image, std::int32_t red, std::int32_t green, std::int32_t blue) {
    // c' = c >= threshold ? 255 - c : c
    ApplyChannelMap(image, red, green, blue, [](int c, std::int32_t threshold) {
        return c >= std::clamp(threshold, 1, 255) ? 255 - c : c;
    });
}

void MclImgSaturation(TBitmap& image, std::int32_t percent) {
    // c' = L + (c - L) * (100 + p) / 100 around the luminance L, the factor in 16.16 fixed point
    if (!Usable(image)) return;
    const int factor = static_cast<int>(RoundHalfEven((100 + std::clamp(percent, -100, 100)) * 65536.0 / 100.0));
    SaturatePixels(image.pixels.data(), PixelCount(image), factor);
}

// c' = (4c + 2 * sides + corners) / 16
void MclImgSoften(TBitmap& image) { Convolve<4, 2, 1, 4>(image); }

// c' = c + (8c - neighbours) / 8
void MclImgSharpen(TBitmap& image) { Convolve<16, -1, -1, 3>(image); }

// c' = c + (8c - neighbours) / 2
void MclImgEdgeEnhance(TBitmap& image) { Convolve<10, -1, -1, 1>(image); }

// c' = 8c - neighbours: bright where a component stands out from its surroundings
void MclImgFindEdges(TBitmap& image) { Convolve<8, -1, -1, 0>(image); }

void MclImgTraceContour(TBitmap& image) {
    // grey v = 255 - min(255, |8L - neighbours' L|) on the luminance L: dark edges on white
    if (!Usable(image)) return;
    // Luminance plane one pixel wider on every side, border values repeated.
    const std::size_t planeWidth = static_cast<std::size_t>(image.width) + 2;
    const std::size_t height = static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> plane(planeWidth * (height + 2));
    for (std::size_t y = 0; y < height; ++y)
        LuminanceLine(plane.data() + planeWidth * (y + 1), image.row(static_cast<int>(y)), image.width);
    std::copy_n(plane.data() + planeWidth, planeWidth, plane.data());
    std::copy_n(plane.data() + planeWidth * height, planeWidth, plane.data() + planeWidth * (height + 1));
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* above = plane.data() + planeWidth * y;
        ContourRow(image.row(static_cast<int>(y)), above, above + planeWidth, above + 2 * planeWidth, image.width);
    }
}

void MclImgFlipVertical(TBitmap& image) {
    // row y <-> row height - 1 - y
    if (!Usable(image)) return;
    for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(image.row(top), image.row(top) + image.stride(), image.row(bottom));
}

void MclImgFlipHorizontal(TBitmap& image) {
    // pixel x <-> pixel width - 1 - x in every row
    if (!Usable(image)) return;
    std::vector<std::uint8_t> scratch(image.stride());
    for (int y = 0; y < image.height; ++y) ReversePixels(image.row(y), scratch.data(), image.width);
}

void MclImgPixelize(TBitmap& image, std::int32_t width, std::int32_t height) {
    // every block takes the rounded mean of its pixels, channel by channel
    if (!Usable(image)) return;
    const int blockWidth = std::clamp(width, 1, 100);
    const int blockHeight = std::clamp(height, 1, 100);
    if (blockWidth == 1 && blockHeight == 1) return;
    const int bytes = image.width * 3;
    const int fullBlocks = image.width / blockWidth;
    const int lastWidth = image.width % blockWidth;
    std::vector<std::uint16_t> columnSums(static_cast<std::size_t>(bytes));
    for (int top = 0; top < image.height; top += blockHeight) {
        const int rows = std::min(blockHeight, image.height - top);
        std::fill(columnSums.begin(), columnSums.end(), 0);
        for (int y = top; y < top + rows; ++y) AddRow(columnSums.data(), image.row(y), bytes);
        // The means go into the block row's first line, which the other lines then copy.
        std::uint8_t* first = image.row(top);
        const ExactDivider fullBlock(static_cast<std::uint32_t>(blockWidth * rows));
        switch (blockWidth) {  // the common small widths unrolled
            case 2: MeanBlocks<2>(first, columnSums.data(), fullBlocks, blockWidth, fullBlock); break;
            case 3: MeanBlocks<3>(first, columnSums.data(), fullBlocks, blockWidth, fullBlock); break;
            case 4: MeanBlocks<4>(first, columnSums.data(), fullBlocks, blockWidth, fullBlock); break;
            default: MeanBlocks<0>(first, columnSums.data(), fullBlocks, blockWidth, fullBlock); break;
        }
        if (lastWidth > 0) {
            const std::size_t offset = static_cast<std::size_t>(fullBlocks) * blockWidth * 3;
            MeanBlocks<0>(first + offset, columnSums.data() + offset, 1, lastWidth,
                          ExactDivider(static_cast<std::uint32_t>(lastWidth * rows)));
        }
        for (int y = top + 1; y < top + rows; ++y) std::copy(first, first + bytes, image.row(y));
    }
}

void MclImgChaos(TBitmap& image, std::int32_t level, std::uint32_t seed) {
    // pixel (x, y) takes the original pixel (x + dx, y + dy), dx and dy hashed from the
    // seed and the position into -level/2 .. (level - 1)/2, clamped to the picture
    if (!Usable(image)) return;
    const std::uint32_t diameter = static_cast<std::uint32_t>(std::clamp(level, 1, 100));
    if (diameter == 1) return;
    const std::size_t stride = image.stride();
    const std::vector<std::uint8_t> original(image.pixels.begin(),
                                             image.pixels.begin() + static_cast<std::ptrdiff_t>(stride * image.height));
    std::vector<std::int32_t> sourceX(static_cast<std::size_t>(image.width));
    std::vector<std::int32_t> sourceY(static_cast<std::size_t>(image.width));
    for (int y = 0; y < image.height; ++y) {
        ChaosSources(sourceX.data(), sourceY.data(), image.width, image.height, y, diameter, seed);
        std::uint8_t* out = image.row(y);
        for (int x = 0; x < image.width; ++x, out += 3) {
            const std::uint8_t* source = original.data() + stride * static_cast<std::size_t>(sourceY[x]) +
                                         static_cast<std::size_t>(sourceX[x]) * 3;
            std::copy(source, source + 3, out);
        }
    }
}

void MclImgDeinterlace(TBitmap& image, std::int32_t keepEven, std::int32_t interpolate) {
    // a dropped line becomes its kept neighbour, or (above + below + 1) / 2 when interpolating
    if (!Usable(image)) return;
    const std::size_t bytes = image.stride();
    for (int y = keepEven != 0 ? 1 : 0; y < image.height; y += 2) {
        const bool hasAbove = y > 0;
        const bool hasBelow = y + 1 < image.height;
        std::uint8_t* out = image.row(y);
        if (interpolate != 0 && hasAbove && hasBelow) {
            const std::uint8_t* above = image.row(y - 1);
            const std::uint8_t* below = image.row(y + 1);
            for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>((above[i] + below[i] + 1) >> 1);
        } else if (hasAbove || hasBelow) {
            const std::uint8_t* source = image.row(hasAbove ? y - 1 : y + 1);
            std::copy(source, source + bytes, out);
        }
    }
}

}  // namespace pellicor
