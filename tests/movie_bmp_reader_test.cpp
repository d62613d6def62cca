#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <vector>

#include "movie/bmp_reader.h"
#include "movie_reader_test_support.h"

namespace pellicor {
namespace {

using namespace test_support;

TBMPReader Load(const BmpFile& bmp) {
    TBMPReader reader;
    reader.LoadFromStream(bmp.Build());
    return reader;
}

Bytes Inflate(const Bytes& compressed, std::size_t size) {
    Bytes out(size + 16);
    uLongf length = out.size();
    EXPECT_EQ(uncompress(out.data(), &length, compressed.data(), compressed.size()), Z_OK);
    out.resize(length);
    return out;
}

std::vector<std::uint32_t> Indices(const TBMPReader& reader, int rowFromTop) {
    std::vector<std::uint32_t> out;
    for (int x = 0; x < reader.Width(); ++x) out.push_back(reader.PixelValue(reader.Row(reader.Height() - 1 - rowFromTop), x));
    return out;
}

TEST(BMPReader, TrueColourRowsComeOutTopRowFirstWhateverTheFileOrder) {
    const Grid grid = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x102030, 0x405060, 0x708090}};
    const Bytes expected = {0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0, 0x70, 0x80, 0x90};
    for (bool topDown : {false, true}) {
        BmpFile bmp{.width = 3, .height = topDown ? -2 : 2, .bits = 24, .data = PackRows(24, grid, topDown)};
        TBMPReader reader = Load(bmp);
        EXPECT_EQ(reader.Stride(), 12u);
        EXPECT_EQ(reader.Height(), 2);
        const TLosslessFormat format = LosslessFormatFromBMP(reader);
        EXPECT_EQ(format.Format, 5);
        EXPECT_EQ(format.RowWidth, 3u);
        EXPECT_FALSE(format.HasAlpha);
        EXPECT_EQ(LosslessPixelBytes(reader, format), expected) << "topDown " << topDown;
        EXPECT_EQ(Inflate(LosslessPixelData(reader, format), expected.size()), expected);
    }
    // A bit count of 0 reads as 24 bits.
    BmpFile zero{.width = 3, .height = 2, .bits = 0, .data = PackRows(24, grid)};
    TBMPReader reader = Load(zero);
    EXPECT_EQ(reader.BitCount(), 24);
    EXPECT_EQ(LosslessPixelBytes(reader, LosslessFormatFromBMP(reader)), expected);
}

TEST(BMPReader, PaletteImagesCompactTheirColourTable) {
    // 8 bits using indices 7 and 200 only: a table of old 7 then old 200, pixels 0 and 1.
    std::vector<std::uint32_t> palette(256);
    for (std::uint32_t i = 0; i < 256; ++i) palette[i] = i << 16 | (255 - i) << 8 | (i * 7 & 255);
    BmpFile bmp{.width = 3, .height = 2, .bits = 8, .palette = palette, .data = PackRows(8, {{200, 7, 200}, {7, 7, 7}})};
    TBMPReader reader = Load(bmp);
    const TLosslessFormat format = LosslessFormatFromBMP(reader);
    EXPECT_EQ(format.Format, 3);
    EXPECT_EQ(format.ColourCount, 2u);  // the tag's table-size field is 1
    EXPECT_EQ(format.RowWidth, 4u);
    const Bytes expected = {7, 248, 49, 200, 55, 120, /* rows */ 1, 0, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(LosslessPixelBytes(reader, format), expected);
    EXPECT_EQ(reader.Palette()[0].Alpha, 255);

    // All 256 in use: nothing moves.
    Grid all(16, std::vector<std::uint32_t>(16));
    for (int i = 0; i < 256; ++i) all[i / 16][i % 16] = 255 - i;
    TBMPReader full = Load({.width = 16, .height = 16, .bits = 8, .palette = palette, .data = PackRows(8, all)});
    EXPECT_EQ(full.ColourCount(), 256u);
    EXPECT_EQ(Indices(full, 0)[0], 255u);
    EXPECT_EQ(full.Palette()[3].Red, 3);

    // 4 bits, width 5: 8-byte rows of 5 indices and 3 zero bytes; indices 3 and 9 become 0 and 1.
    TBMPReader four = Load({.width = 5, .height = 1, .bits = 4, .clrUsed = 16, .palette = {palette.begin(), palette.begin() + 16},
                            .data = PackRows(4, {{9, 3, 3, 9, 9}})});
    const TLosslessFormat fourFormat = LosslessFormatFromBMP(four);
    EXPECT_EQ(fourFormat.RowWidth, 8u);
    EXPECT_EQ(fourFormat.ColourCount, 2u);
    EXPECT_EQ(LosslessPixelBytes(four, fourFormat), (Bytes{3, 252, 21, 9, 246, 63, 1, 0, 0, 1, 1, 0, 0, 0}));

    // 1 bit: one colour while every pixel is index 0, else two; bits most significant first.
    BmpFile mono{.width = 10, .height = 1, .bits = 1, .palette = {0x000000, 0xFFFFFF}, .data = PackRows(1, {std::vector<std::uint32_t>(10, 0)})};
    EXPECT_EQ(Load(mono).ColourCount(), 1u);
    mono.data = PackRows(1, {{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}});
    TBMPReader monoReader = Load(mono);
    const TLosslessFormat monoFormat = LosslessFormatFromBMP(monoReader);
    EXPECT_EQ(monoFormat.ColourCount, 2u);
    EXPECT_EQ(monoFormat.RowWidth, 12u);
    EXPECT_EQ(LosslessPixelBytes(monoReader, monoFormat),
              (Bytes{0, 0, 0, 255, 255, 255, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
}

TEST(BMPReader, CoreHeaderPaletteIsWidened) {
    BmpFile bmp{.width = 2, .height = 1, .bits = 4, .headerSize = 12, .palette = std::vector<std::uint32_t>(16, 0x123456),
                .data = PackRows(4, {{0, 15}})};
    TBMPReader reader = Load(bmp);
    EXPECT_EQ(reader.InfoHeader().Size, 12u);
    EXPECT_EQ(reader.Palette()[15], (TBMPPaletteEntry{0x56, 0x34, 0x12, 255}));
    EXPECT_EQ(reader.Palette()[16], (TBMPPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(Indices(reader, 0), (std::vector<std::uint32_t>{0, 15}));
}

TEST(BMPReader, SixteenBitPixelsAndBitFields) {
    // Default 5-5-5: values pass through high byte first; width 3 pads to 4 pixels.
    TBMPReader plain = Load({.width = 3, .height = 1, .bits = 16, .data = PackRows(16, {{0x7C00, 0x03E0, 0x801F}})});
    EXPECT_EQ(plain.RedBits(), 5);
    const TLosslessFormat format = LosslessFormatFromBMP(plain);
    EXPECT_EQ(format.Format, 4);
    EXPECT_EQ(format.RowWidth, 4u);
    EXPECT_EQ(LosslessPixelBytes(plain, format), (Bytes{0x7C, 0x00, 0x03, 0xE0, 0x80, 0x1F, 0, 0}));

    // 5-6-5 bit fields, after a 40-byte header and inside a V5 header, become 5-5-5.
    for (std::uint32_t headerSize : {40u, 124u}) {
        TBMPReader fields = Load({.width = 2, .height = 1, .bits = 16, .compression = 3, .headerSize = headerSize,
                                  .masks = {0xF800, 0x07E0, 0x001F}, .data = PackRows(16, {{0xF800, 0x07FF}})});
        EXPECT_EQ(fields.GreenBits(), 6);
        EXPECT_EQ(fields.GreenMask(), 0x07E0u);
        EXPECT_EQ(LosslessPixelBytes(fields, LosslessFormatFromBMP(fields)), (Bytes{0x7C, 0x00, 0x03, 0xFF}));
    }

    TBMPReader made;
    made.SetFormat(3, -2, 16, 5, 6, 5);
    EXPECT_EQ(made.RedMask(), 0xF800u);
    EXPECT_EQ(made.BlueMask(), 0x001Fu);
    EXPECT_EQ(made.Stride(), 8u);
    EXPECT_EQ(made.Height(), 2);
    EXPECT_EQ(made.Pixels().size(), 16u);
}

TEST(BMPReader, ThirtyTwoBitPicturesKeepTheirAlpha) {
    // B G R A in the file; a pixel of alpha 0 is all zero, other colours are not premultiplied.
    BmpFile bmp{.width = 3, .height = 1, .bits = 32, .data = PackRows(32, {{0x00AABBCC, 0x80112233, 0xFF445566}})};
    TBMPReader reader = Load(bmp);
    const TLosslessFormat format = LosslessFormatFromBMP(reader);
    EXPECT_EQ(format.Format, 1);
    EXPECT_TRUE(format.HasAlpha);
    EXPECT_EQ(LosslessPixelBytes(reader, format), (Bytes{0, 0, 0, 0, 0x80, 0x11, 0x22, 0x33, 0xFF, 0x44, 0x55, 0x66}));

    // Alpha 0 everywhere: the top byte is padding and the picture is opaque.
    bmp.data = PackRows(32, {{0x00AABBCC, 0x00112233}});
    bmp.width = 2;
    TBMPReader padded = Load(bmp);
    EXPECT_EQ(LosslessPixelBytes(padded, LosslessFormatFromBMP(padded)), (Bytes{0xFF, 0xAA, 0xBB, 0xCC, 0xFF, 0x11, 0x22, 0x33}));

    // A V5 header that declares its alpha mask is taken at its word, even when all is clear.
    TBMPReader declared = Load({.width = 2, .height = 1, .bits = 32, .compression = 3, .headerSize = 124,
                                .masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
                                .data = PackRows(32, {{0x11223300, 0x112233FF}})});
    EXPECT_TRUE(declared.AlphaDeclared());
    EXPECT_EQ(LosslessPixelBytes(declared, LosslessFormatFromBMP(declared)), (Bytes{0, 0, 0, 0, 0xFF, 0x33, 0x22, 0x11}));
}

TEST(BMPReader, RunLengthEncodedPictures) {
    const std::vector<std::uint32_t> palette(256, 0);
    // RLE8, 6 x 4, bottom-up: a run clipped at the row end, literal runs with and without
    // padding, a delta that skips right and up, and the end of the bitmap.
    const Bytes rle8 = {
        3, 5, 9, 6,              // row 0: 5 5 5 6 6 6 (run of 9 clipped at 6)
        0, 0,                    // end of line
        0, 3, 1, 2, 3, 0,        // row 1: literal 1 2 3 + pad
        0, 4, 4, 5, 6, 7,        // literal 4 5 6 7, no pad
        0, 2, 1, 1,              // delta: row 2, x 7 -> clipped
        0, 0,                    // end of line: row 3
        0, 2, 2, 0,              // delta right 2
        2, 9,                    // row 3: x 2, 3 = 9
        0, 1,                    // end of bitmap
        4, 8,                    // ignored
    };
    TBMPReader reader = Load({.width = 6, .height = 4, .bits = 8, .compression = 1, .palette = palette, .data = rle8});
    EXPECT_EQ(Indices(reader, 3), (std::vector<std::uint32_t>{5, 5, 5, 6, 6, 6}));
    EXPECT_EQ(Indices(reader, 2), (std::vector<std::uint32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Indices(reader, 1), (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Indices(reader, 0), (std::vector<std::uint32_t>{0, 0, 9, 9, 0, 0}));

    // RLE4, 5 x 2: runs alternate nibbles, literals of 5 nibbles use 3 bytes + 1 pad.
    const Bytes rle4 = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    TBMPReader four = Load({.width = 5, .height = 2, .bits = 4, .compression = 2, .palette = {palette.begin(), palette.begin() + 16}, .data = rle4});
    EXPECT_EQ(Indices(four, 1), (std::vector<std::uint32_t>{1, 2, 1, 2, 1}));
    EXPECT_EQ(Indices(four, 0), (std::vector<std::uint32_t>{3, 4, 5, 6, 7}));

    // Data cut off mid-literal keeps what arrived.
    TBMPReader cut = Load({.width = 6, .height = 1, .bits = 8, .compression = 1, .palette = palette, .data = {0, 6, 1, 2}});
    EXPECT_EQ(Indices(cut, 0), (std::vector<std::uint32_t>{1, 2, 0, 0, 0, 0}));
}

TEST(BMPReader, DamagedFilesAreCleanErrorsOrZeroPixels) {
    const BmpFile good{.width = 4, .height = 4, .bits = 24, .data = PackRows(24, Grid(4, std::vector<std::uint32_t>(4, 0xFFFFFF)))};
    const Bytes file = good.Build();
    // Pixel data cut short: the rows that are missing stay zero.
    TBMPReader partial;
    partial.LoadFromStream(std::span(file).first(file.size() - 20));
    EXPECT_EQ(partial.Row(3)[0], 0);
    EXPECT_EQ(partial.Row(0)[0], 0xFF);
    EXPECT_THROW(partial.LoadFromStream(BmpFile{.width = 4, .height = 4, .bits = 3}.Build()), EImageError);
    EXPECT_EQ(partial.Width(), 4);  // a failed load keeps the picture

    const auto fails = [](const BmpFile& bmp) {
        TBMPReader reader;
        EXPECT_THROW(reader.LoadFromStream(bmp.Build()), EImageError);
    };
    fails({.width = 0, .height = 4, .bits = 24});
    fails({.width = 70000, .height = 1, .bits = 24});
    fails({.width = 60000, .height = 60000, .bits = 32});  // beyond the buffer limit
    fails({.width = 4, .height = 4, .bits = 7});
    fails({.width = 4, .height = 4, .bits = 24, .compression = 1});
    fails({.width = 4, .height = 4, .bits = 8, .compression = 4});
    fails({.width = 4, .height = 4, .bits = 24, .headerSize = 20});
    TBMPReader reader;
    EXPECT_THROW(reader.LoadFromStream(std::span(file).first(30)), EImageError);
    EXPECT_THROW(reader.LoadFromStream(Bytes(100, 'B')), EImageError);
    EXPECT_THROW(reader.LoadFromFile("/nonexistent/picture.bmp"), EImageError);
    EXPECT_THROW(LosslessFormatFromBMP(reader), EImageError);
    EXPECT_THROW(LosslessPixelBytes(partial, {.Format = 3, .RowWidth = 4, .ColourCount = 2}), EImageError);
}

TEST(BMPReader, LoadsFromFile) {
    const Bytes file = BmpFile{.width = 1, .height = 1, .bits = 24, .data = {1, 2, 3, 0}}.Build();
    const std::string path = WriteTempFile("pellicor_bmp_reader_test.bmp", file);
    TBMPReader reader;
    reader.LoadFromFile(path);
    EXPECT_EQ(reader.PixelValue(reader.Row(0), 0), 0x030201u);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace pellicor
