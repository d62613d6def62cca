#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "movie/image_error.h"

namespace pellicor {

// The compression values of a BMP info header that the reader understands.
inline constexpr std::uint32_t kBMPCompressionNone = 0;
inline constexpr std::uint32_t kBMPCompressionRLE8 = 1;
inline constexpr std::uint32_t kBMPCompressionRLE4 = 2;
inline constexpr std::uint32_t kBMPCompressionBitFields = 3;

// The 40-byte BITMAPINFOHEADER. Height keeps the file's sign (negative: rows stored top-down).
struct TBitmapInfoHeader {
    std::uint32_t Size = 40;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t Planes = 1;
    std::uint16_t BitCount = 0;
    std::uint32_t Compression = kBMPCompressionNone;
    std::uint32_t SizeImage = 0;
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
    std::uint32_t ClrUsed = 0;
    std::uint32_t ClrImportant = 0;
};

// One palette entry as a BMP stores it.
struct TBMPPaletteEntry {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Alpha = 0;
    bool operator==(const TBMPPaletteEntry&) const = default;
};

// A Windows BMP picture as a device-independent pixel buffer: rows bottom-up (row 0 is the
// bottom row of the picture, whatever order the file used), each row padded to a multiple
// of 4 bytes, pixels in the file's layout (palette indices for 1, 4 and 8 bits, the file's
// 16- or 32-bit values with their masks, blue-green-red for 24 bits). Run-length encoded
// files are decoded on loading. A bit count of 0 ("the screen's depth") is read as 24.
class TBMPReader {
public:
    // Largest pixel buffer a file may ask for; anything larger is refused as damaged.
    static constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

    // EImageError when the file cannot be read or is not a BMP picture the reader knows.
    void LoadFromFile(const std::string& fileName);
    // The whole file in memory. Pixel data that the file lacks (truncated) stays zero. A file
    // that fails leaves the reader as it was.
    void LoadFromStream(std::span<const std::uint8_t> bytes);

    // A fresh picture: header, zeroed pixel buffer and palette. Bit counts 1, 4, 8, 16, 24
    // and 32; width and |height| 1 to 65535. For 16 and 32 bits the colour bit counts give
    // the masks (blue lowest); all 0 means 5-5-5 or 8-8-8.
    void SetFormat(int width, int height, int bitCount, int redBits = 0, int greenBits = 0, int blueBits = 0);

    // Colours in use. 1 bit: 1 when every pixel is index 0, else 2. 4 and 8 bits: the used
    // palette entries; unless all 16/256 are used, the palette is compacted (used entries
    // to the front in their old order, every pixel rewritten). 16, 24 and 32 bits: the
    // number of distinct pixel values.
    std::uint32_t ColourCount();

    const TBitmapInfoHeader& InfoHeader() const { return header_; }
    int Width() const { return header_.Width; }
    int Height() const { return header_.Height < 0 ? -header_.Height : header_.Height; }
    int BitCount() const { return header_.BitCount; }
    bool Empty() const { return pixels_.empty(); }

    // Row table: bytes per row and the start of row index (0 = bottom row of the picture).
    std::size_t Stride() const { return stride_; }
    std::uint8_t* Row(int index) { return pixels_.data() + stride_ * static_cast<std::size_t>(index); }
    const std::uint8_t* Row(int index) const { return pixels_.data() + stride_ * static_cast<std::size_t>(index); }
    std::span<const std::uint8_t> Pixels() const { return pixels_; }

    // 256 entries; entries a palette picture does not define are black with alpha 255.
    std::array<TBMPPaletteEntry, 256>& Palette() { return palette_; }
    const std::array<TBMPPaletteEntry, 256>& Palette() const { return palette_; }
    // Palette index (1, 4, 8 bits) or raw pixel value (16, 24, 32 bits) at x of a row.
    std::uint32_t PixelValue(const std::uint8_t* row, int x) const;

    // Masks and bit counts of 16- and 32-bit pictures (0 for the others).
    std::uint32_t RedMask() const { return redMask_; }
    std::uint32_t GreenMask() const { return greenMask_; }
    std::uint32_t BlueMask() const { return blueMask_; }
    int RedBits() const { return MaskBits(redMask_); }
    int GreenBits() const { return MaskBits(greenMask_); }
    int BlueBits() const { return MaskBits(blueMask_); }
    // Alpha of 32-bit pictures: the mask a V4/V5 header declares, else the top byte when the
    // colour masks leave it free, else 0 (no alpha).
    std::uint32_t AlphaMask() const { return alphaMask_; }
    // The file declared an alpha mask (V4/V5 header with bit fields).
    bool AlphaDeclared() const { return alphaDeclared_; }

    // Highest set bit - lowest set bit + 1; 0 for an empty mask.
    static int MaskBits(std::uint32_t mask);

private:
    void Parse(std::span<const std::uint8_t> bytes);
    void SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
    void SetPixelValue(std::uint8_t* row, int x, std::uint32_t value);
    void DecodeRLE(std::span<const std::uint8_t> data, bool fourBit);
    void FlipRows();

    TBitmapInfoHeader header_;
    std::array<TBMPPaletteEntry, 256> palette_{};
    std::vector<std::uint8_t> pixels_;
    std::size_t stride_ = 0;
    std::uint32_t redMask_ = 0, greenMask_ = 0, blueMask_ = 0, alphaMask_ = 0;
    bool alphaDeclared_ = false;
};

// How a BMP picture becomes DefineBitsLossless data.
struct TLosslessFormat {
    std::uint8_t Format = 0;       // 3 colour-mapped, 4 15-bit RGB, 5 24-bit RGB, 1 32-bit with alpha (written as 5)
    std::uint32_t RowWidth = 0;    // pixels per output row, padding included
    std::uint32_t ColourCount = 0; // colour table entries (format 3 only)
    bool HasAlpha = false;         // DefineBitsLossless2
};

// The format for the reader's bit count: 1/4/8 -> 3 (row width rounded up to 4, colour
// count from ColourCount, which compacts the palette), 16 -> 4 (row width even),
// 24 -> 5, 32 -> 1 with alpha. EImageError for an empty reader.
TLosslessFormat LosslessFormatFromBMP(TBMPReader& reader);

// The uncompressed pixel data, top row first: for format 3 the colour table (red, green,
// blue and, with HasAlpha, alpha) then one index byte per pixel; format 4 each pixel high
// byte first as 5-5-5 (other 16-bit masks are converted); format 5 bytes 0, R, G, B;
// format 1 bytes A, R, G, B, a pixel of alpha 0 being all zero (colours as stored, not
// premultiplied). Rows are padded with zero pixels to RowWidth. When a 32-bit picture
// without a declared alpha mask has alpha 0 in every pixel, its top byte is unused
// padding and the pixels are opaque. EImageError when the format does not fit the reader.
std::vector<std::uint8_t> LosslessPixelBytes(const TBMPReader& reader, const TLosslessFormat& format);

// LosslessPixelBytes compressed with zlib at the default level: the tag's pixel data.
std::vector<std::uint8_t> LosslessPixelData(const TBMPReader& reader, const TLosslessFormat& format);

}  // namespace pellicor
