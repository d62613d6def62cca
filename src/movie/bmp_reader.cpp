#include "movie/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

#include "swf/data_object.h"

#include "movie/byte_source.h"

namespace pellicor {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kAlphaMaskHeaderSize = 56;  // V3 headers and later carry an alpha mask too
constexpr int kMaxDimension = 65535;            // SWF bitmaps keep sizes in 16 bits

std::size_t StrideFor(int width, int bitCount) {
    return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

bool IsDefaultMasks(const TBMPReader& reader) {
    if (reader.BitCount() == 16)
        return reader.RedMask() == 0x7C00 && reader.GreenMask() == 0x03E0 && reader.BlueMask() == 0x001F;
    return reader.RedMask() == 0xFF0000 && reader.GreenMask() == 0xFF00 && reader.BlueMask() == 0xFF;
}

// The bits of a channel scaled to targetBits.
std::uint32_t Channel(std::uint32_t pixel, std::uint32_t mask, int targetBits) {
    if (mask == 0) return 0;
    const int bits = TBMPReader::MaskBits(mask);
    const std::uint32_t value = (pixel & mask) >> std::countr_zero(mask);
    if (bits >= targetBits) return value >> (bits - targetBits);
    return value * ((1u << targetBits) - 1) / ((1u << bits) - 1);
}

}  // namespace

int TBMPReader::MaskBits(std::uint32_t mask) {
    if (mask == 0) return 0;
    return 32 - std::countl_zero(mask) - std::countr_zero(mask);
}

void TBMPReader::SetMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    redMask_ = red;
    greenMask_ = green;
    blueMask_ = blue;
    alphaDeclared_ = false;
    alphaMask_ = 0;
    if (header_.BitCount == 32 && ((red | green | blue) & 0xFF000000u) == 0) alphaMask_ = 0xFF000000u;
}

void TBMPReader::SetFormat(int width, int height, int bitCount, int redBits, int greenBits, int blueBits) {
    const long long rows = height < 0 ? -static_cast<long long>(height) : height;
    if (width < 1 || width > kMaxDimension || rows < 1 || rows > kMaxDimension)
        throw EImageError("BMP picture size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is not supported");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        throw EImageError("BMP pictures of " + std::to_string(bitCount) + " bits per pixel are not supported");
    const std::size_t stride = StrideFor(width, bitCount);
    if (stride * static_cast<std::size_t>(rows) > kMaxPixelBytes)
        throw EImageError("BMP picture of " + std::to_string(width) + " x " + std::to_string(rows) + " is too large");
    const bool defaultBits = redBits == 0 && greenBits == 0 && blueBits == 0;
    if (!defaultBits && (redBits < 0 || greenBits < 0 || blueBits < 0 || redBits + greenBits + blueBits > bitCount))
        throw EImageError("Colour bit counts do not fit the pixel size");

    header_ = TBitmapInfoHeader{};
    header_.Width = width;
    header_.Height = height;
    header_.BitCount = static_cast<std::uint16_t>(bitCount);
    header_.SizeImage = static_cast<std::uint32_t>(stride * rows);
    stride_ = stride;
    pixels_.assign(stride * rows, 0);
    palette_.fill(TBMPPaletteEntry{});
    SetMasks(0, 0, 0);
    if (bitCount == 16 || bitCount == 32) {
        if (defaultBits) {
            redBits = greenBits = blueBits = bitCount == 16 ? 5 : 8;
        } else {
            header_.Compression = kBMPCompressionBitFields;
        }
        const auto maskOf = [](int bits, int shift) {
            return static_cast<std::uint32_t>(((std::uint64_t{1} << bits) - 1) << shift);
        };
        SetMasks(maskOf(redBits, greenBits + blueBits), maskOf(greenBits, blueBits), maskOf(blueBits, 0));
    }
}

void TBMPReader::LoadFromFile(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EImageError("Cannot open the picture \"" + fileName + "\"");
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw EImageError("Cannot read the picture \"" + fileName + "\"");
    LoadFromStream(bytes);
}

void TBMPReader::LoadFromStream(std::span<const std::uint8_t> bytes) {
    TBMPReader loaded;  // a file that fails leaves the reader as it was
    loaded.Parse(bytes);
    *this = std::move(loaded);
}

void TBMPReader::Parse(std::span<const std::uint8_t> bytes) {
    const std::size_t size = bytes.size();
    if (size < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') throw EImageError("Not a BMP picture");
    const std::uint32_t fileSizeField = LittleEndian32(&bytes[2]);
    const std::uint32_t dataOffset = LittleEndian32(&bytes[10]);
    const std::uint32_t headerSize = LittleEndian32(&bytes[14]);
    const std::uint8_t* h = &bytes[kFileHeaderSize];

    TBitmapInfoHeader info;
    std::size_t paletteEntrySize = 4;
    if (headerSize == kCoreHeaderSize) {
        if (size < kFileHeaderSize + kCoreHeaderSize) throw EImageError("BMP header is truncated");
        info.Size = kCoreHeaderSize;
        info.Width = LittleEndian16(h + 4);
        info.Height = LittleEndian16(h + 6);
        info.Planes = LittleEndian16(h + 8);
        info.BitCount = LittleEndian16(h + 10);
        paletteEntrySize = 3;
    } else if (headerSize >= kInfoHeaderSize) {
        if (size < kFileHeaderSize + kInfoHeaderSize) throw EImageError("BMP header is truncated");
        info.Size = headerSize;
        info.Width = static_cast<std::int32_t>(LittleEndian32(h + 4));
        info.Height = static_cast<std::int32_t>(LittleEndian32(h + 8));
        info.Planes = LittleEndian16(h + 12);
        info.BitCount = LittleEndian16(h + 14);
        info.Compression = LittleEndian32(h + 16);
        info.SizeImage = LittleEndian32(h + 20);
        info.XPelsPerMeter = static_cast<std::int32_t>(LittleEndian32(h + 24));
        info.YPelsPerMeter = static_cast<std::int32_t>(LittleEndian32(h + 28));
        info.ClrUsed = LittleEndian32(h + 32);
        info.ClrImportant = LittleEndian32(h + 36);
    } else {
        throw EImageError("BMP header of " + std::to_string(headerSize) + " bytes is not supported");
    }
    if (info.BitCount == 0) info.BitCount = 24;  // "the screen's depth": the engine works in 24 bits

    const std::uint32_t compression = info.Compression;
    const bool compressionFits = compression == kBMPCompressionNone ||
                                 (compression == kBMPCompressionRLE8 && info.BitCount == 8) ||
                                 (compression == kBMPCompressionRLE4 && info.BitCount == 4) ||
                                 (compression == kBMPCompressionBitFields && (info.BitCount == 16 || info.BitCount == 32));
    if (!compressionFits)
        throw EImageError("BMP compression " + std::to_string(compression) + " with " +
                          std::to_string(info.BitCount) + " bits per pixel is not supported");

    SetFormat(info.Width, info.Height, info.BitCount);
    const std::uint32_t sizeImage = header_.SizeImage;
    header_ = info;
    if (header_.SizeImage == 0) header_.SizeImage = sizeImage;

    // Bit fields: three masks after a 40-byte header, inside the larger headers, which also
    // carry an alpha mask.
    if (compression == kBMPCompressionBitFields) {
        const std::size_t masksAt = kFileHeaderSize + kInfoHeaderSize;
        if (size < masksAt + 12) throw EImageError("BMP colour masks are truncated");
        const std::uint32_t red = LittleEndian32(&bytes[masksAt]);
        const std::uint32_t green = LittleEndian32(&bytes[masksAt + 4]);
        const std::uint32_t blue = LittleEndian32(&bytes[masksAt + 8]);
        if ((red | green | blue) != 0) SetMasks(red, green, blue);
        if (headerSize >= kAlphaMaskHeaderSize && info.BitCount == 32 && size >= masksAt + 16) {
            const std::uint32_t alpha = LittleEndian32(&bytes[masksAt + 12]);
            if (alpha != 0) {
                alphaMask_ = alpha;
                alphaDeclared_ = true;
            }
        }
    }

    if (info.BitCount <= 8) {
        // The palette lies between the header (and, for a 40-byte bit-field header, its
        // masks, which palette pictures never have) and the pixel data.
        const std::uint64_t paletteAt = kFileHeaderSize + std::uint64_t{headerSize};
        std::uint64_t paletteEnd = size;
        if (dataOffset > paletteAt) paletteEnd = std::min<std::uint64_t>(paletteEnd, dataOffset);
        const std::size_t nominal = std::size_t{1} << info.BitCount;
        std::size_t entries = (info.Size != kCoreHeaderSize && info.ClrUsed > 0 && info.ClrUsed <= 256) ? info.ClrUsed : nominal;
        if (paletteAt < paletteEnd)
            entries = std::min<std::uint64_t>(entries, (paletteEnd - paletteAt) / paletteEntrySize);
        else
            entries = 0;
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = &bytes[paletteAt + i * paletteEntrySize];
            palette_[i] = {e[0], e[1], e[2], paletteEntrySize == 4 ? e[3] : std::uint8_t{0}};
        }
        for (std::size_t i = 0; i < nominal; ++i) palette_[i].Alpha = 255;
    }

    const std::span<const std::uint8_t> data =
        dataOffset < size ? bytes.subspan(dataOffset) : std::span<const std::uint8_t>{};
    const int rows = Height();
    if (compression == kBMPCompressionRLE8 || compression == kBMPCompressionRLE4) {
        // The compressed data runs up to the file size the header gives, when that is sane.
        std::size_t length = data.size();
        if (fileSizeField > dataOffset && fileSizeField <= size) length = fileSizeField - dataOffset;
        DecodeRLE(data.first(length), compression == kBMPCompressionRLE4);
        if (header_.Height < 0) FlipRows();
    } else {
        // Straight into the buffer, as much as the file holds; a top-down file is stored
        // bottom-up like every other.
        for (int i = 0; i < rows; ++i) {
            const std::size_t from = static_cast<std::size_t>(i) * stride_;
            if (from >= data.size()) break;
            const int target = header_.Height < 0 ? rows - 1 - i : i;
            std::memcpy(Row(target), data.data() + from, std::min(stride_, data.size() - from));
        }
    }
}

void TBMPReader::FlipRows() {
    std::vector<std::uint8_t> swap(stride_);
    for (int top = 0, bottom = Height() - 1; top < bottom; ++top, --bottom) {
        std::memcpy(swap.data(), Row(top), stride_);
        std::memcpy(Row(top), Row(bottom), stride_);
        std::memcpy(Row(bottom), swap.data(), stride_);
    }
}

void TBMPReader::DecodeRLE(std::span<const std::uint8_t> data, bool fourBit) {
    const int width = Width();
    const int rows = Height();
    std::size_t at = 0;
    int x = 0;
    int y = 0;
    const auto put = [&](std::uint32_t value) {
        if (x < width) SetPixelValue(Row(y), x++, value);
    };
    // The i-th pixel of a byte sequence: the byte, or for 4 bits its nibbles high first.
    const auto pixel = [fourBit](std::uint8_t b, int i) { return fourBit ? (i % 2 == 0 ? b >> 4 : b & 15) : b; };
    while (y < rows && at + 2 <= data.size()) {
        const std::uint8_t count = data[at];
        const std::uint8_t value = data[at + 1];
        at += 2;
        if (count > 0) {  // a run: the byte, or its two nibbles by turns
            for (int i = 0; i < count && x < width; ++i) put(pixel(value, i));
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: right dx, up dy rows
            if (at + 2 > data.size()) break;
            x = std::min(x + data[at], width);
            y += data[at + 1];
            at += 2;
        } else {  // value literal pixels, padded to a 16-bit boundary
            const std::size_t literalBytes = fourBit ? (value + 1u) / 2 : value;
            const std::size_t available = std::min(literalBytes, data.size() - at);
            for (int i = 0; i < value; ++i) {
                const std::size_t byteAt = fourBit ? i / 2 : i;
                if (byteAt >= available) break;
                put(pixel(data[at + byteAt], i));
            }
            at += literalBytes + (literalBytes & 1);
        }
    }
}

std::uint32_t TBMPReader::PixelValue(const std::uint8_t* row, int x) const {
    switch (header_.BitCount) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15;
        case 8: return row[x];
        case 16: return LittleEndian16(row + 2 * x);
        case 24: return row[3 * x] | std::uint32_t{row[3 * x + 1]} << 8 | std::uint32_t{row[3 * x + 2]} << 16;
        default: return LittleEndian32(row + 4 * x);
    }
}

void TBMPReader::SetPixelValue(std::uint8_t* row, int x, std::uint32_t value) {
    switch (header_.BitCount) {
        case 1: {
            const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
            row[x / 8] = static_cast<std::uint8_t>(value ? row[x / 8] | bit : row[x / 8] & ~bit);
            break;
        }
        case 4:
            row[x / 2] = static_cast<std::uint8_t>(x % 2 == 0 ? (row[x / 2] & 0x0F) | (value & 15) << 4
                                                             : (row[x / 2] & 0xF0) | (value & 15));
            break;
        case 8: row[x] = static_cast<std::uint8_t>(value); break;
        default: break;  // only palette pictures are rewritten or run-length decoded
    }
}

std::uint32_t TBMPReader::ColourCount() {
    if (pixels_.empty()) return 0;
    const int width = Width();
    const int rows = Height();
    const int bits = BitCount();
    if (bits == 1) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x)
                if (PixelValue(Row(y), x) != 0) return 2;
        return 1;
    }
    if (bits == 4 || bits == 8) {
        const std::uint32_t entries = 1u << bits;
        std::array<bool, 256> used{};
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) used[PixelValue(Row(y), x)] = true;
        std::array<std::uint8_t, 256> newIndex{};
        std::uint32_t count = 0;
        for (std::uint32_t i = 0; i < entries; ++i)
            if (used[i]) {
                newIndex[i] = static_cast<std::uint8_t>(count);
                palette_[count++] = palette_[i];
            }
        if (count == entries) return count;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) SetPixelValue(Row(y), x, newIndex[PixelValue(Row(y), x)]);
        return count;
    }
    std::vector<std::uint32_t> values;
    values.reserve(static_cast<std::size_t>(width) * rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) values.push_back(PixelValue(Row(y), x));
    std::sort(values.begin(), values.end());
    return static_cast<std::uint32_t>(std::unique(values.begin(), values.end()) - values.begin());
}

TLosslessFormat LosslessFormatFromBMP(TBMPReader& reader) {
    if (reader.Empty()) throw EImageError("The BMP reader holds no picture");
    const std::uint32_t width = static_cast<std::uint32_t>(reader.Width());
    TLosslessFormat format;
    switch (reader.BitCount()) {
        case 1:
        case 4:
        case 8:
            format.Format = 3;
            format.RowWidth = (width + 3) / 4 * 4;
            format.ColourCount = reader.ColourCount();
            break;
        case 16:
            format.Format = 4;
            format.RowWidth = (width + 1) / 2 * 2;
            break;
        case 24:
            format.Format = 5;
            format.RowWidth = width;
            break;
        default:
            format.Format = 1;
            format.RowWidth = width;
            format.HasAlpha = true;
            break;
    }
    return format;
}

std::vector<std::uint8_t> LosslessPixelBytes(const TBMPReader& reader, const TLosslessFormat& format) {
    const int bits = reader.BitCount();
    const bool fits = (format.Format == 3 && bits <= 8 && format.ColourCount >= 1 && format.ColourCount <= 256) ||
                      (format.Format == 4 && bits == 16) || (format.Format == 5 && bits == 24) ||
                      (format.Format == 1 && bits == 32);
    const int width = reader.Width();
    if (reader.Empty() || !fits || format.RowWidth < static_cast<std::uint32_t>(width))
        throw EImageError("The lossless format does not fit the BMP picture");
    const int rows = reader.Height();
    const std::size_t padding = format.RowWidth - width;
    const std::size_t pixelBytes = format.Format == 3 ? 1 : format.Format == 4 ? 2 : 4;

    std::vector<std::uint8_t> out;
    out.reserve(format.ColourCount * 4 + format.RowWidth * pixelBytes * rows);
    if (format.Format == 3) {
        for (std::uint32_t i = 0; i < format.ColourCount; ++i) {
            const TBMPPaletteEntry& e = reader.Palette()[i];
            out.insert(out.end(), {e.Red, e.Green, e.Blue});
            if (format.HasAlpha) out.push_back(e.Alpha);
        }
    }

    const bool defaultMasks = IsDefaultMasks(reader);
    bool opaque = false;  // 32 bits: the top byte is padding, not alpha
    if (bits == 32) {
        opaque = reader.AlphaMask() == 0;
        if (!opaque && !reader.AlphaDeclared()) {
            opaque = true;
            for (int y = 0; y < rows && opaque; ++y)
                for (int x = 0; x < width && opaque; ++x)
                    opaque = (reader.PixelValue(reader.Row(y), x) & reader.AlphaMask()) == 0;
        }
    }

    for (int y = rows - 1; y >= 0; --y) {
        const std::uint8_t* row = reader.Row(y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = reader.PixelValue(row, x);
            switch (format.Format) {
                case 3: out.push_back(static_cast<std::uint8_t>(v)); break;
                case 4: {
                    std::uint32_t pix15 = v;
                    if (!defaultMasks)
                        pix15 = Channel(v, reader.RedMask(), 5) << 10 | Channel(v, reader.GreenMask(), 5) << 5 |
                                Channel(v, reader.BlueMask(), 5);
                    out.insert(out.end(), {static_cast<std::uint8_t>(pix15 >> 8), static_cast<std::uint8_t>(pix15)});
                    break;
                }
                case 5:
                    out.insert(out.end(), {0, static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                                           static_cast<std::uint8_t>(v)});
                    break;
                default: {
                    const auto alpha = static_cast<std::uint8_t>(opaque ? 255 : Channel(v, reader.AlphaMask(), 8));
                    if (alpha == 0) {
                        out.insert(out.end(), 4, 0);
                    } else {
                        out.insert(out.end(), {alpha, static_cast<std::uint8_t>(Channel(v, reader.RedMask(), 8)),
                                               static_cast<std::uint8_t>(Channel(v, reader.GreenMask(), 8)),
                                               static_cast<std::uint8_t>(Channel(v, reader.BlueMask(), 8))});
                    }
                    break;
                }
            }
        }
        out.insert(out.end(), padding * pixelBytes, 0);
    }
    return out;
}

std::vector<std::uint8_t> LosslessPixelData(const TBMPReader& reader, const TLosslessFormat& format) {
    return ZlibCompress(LosslessPixelBytes(reader, format));
}

}  // namespace pellicor
