#include "media/jpeg_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "media/bt709_rows.h"
#include "media/jpeg_errors.h"
#include "media/vector_clones.h"

namespace pellicor {

namespace {

// A destination that appends to a vector, growing it as libjpeg fills its buffer.
struct TVectorDestination {
    jpeg_destination_mgr manager{};
    std::vector<std::uint8_t>* output = nullptr;
};

constexpr std::size_t kGrowStep = 64 * 1024;

void InitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    output.resize(std::max(output.capacity(), kGrowStep));
    destination->manager.next_output_byte = output.data();
    destination->manager.free_in_buffer = output.size();
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    const std::size_t used = output.size();
    output.resize(used * 2);
    destination->manager.next_output_byte = output.data() + used;
    destination->manager.free_in_buffer = output.size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    output.resize(output.size() - destination->manager.free_in_buffer);
}

// ---- the picture's samples, handed to libjpeg ----

// libjpeg takes RGB rows one at a time.
struct TRgbSource {
    const TBitmap* picture = nullptr;
};

void SetUp(jpeg_compress_struct& info, const TRgbSource& source) {
    info.image_width = static_cast<JDIMENSION>(source.picture->width);
    info.image_height = static_cast<JDIMENSION>(source.picture->height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
}

void Feed(jpeg_compress_struct& info, TRgbSource& source) {
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(source.picture->row(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
}

// Planes go in as 4:2:0 JPEG, like pictures from RGB (so both ways give the same layout
// and about the same bytes), in a band of one MCU row (16 luma rows) at a time. libjpeg
// reads each component up to the next multiple of its MCU width and height, so the band is
// a copy with the right edge and the bottom rows repeated, as libjpeg does itself for the
// pictures it subsamples. The copy also stretches studio-range samples to the full range
// (or converts BT.709 samples to the BT.601 full range of JPEG), and averages 4:2:2 and
// 4:4:4 chroma down to 4:2:0 as libjpeg's own downsampling would.
struct TPlanesSource {
    const TYuvPicture* picture = nullptr;
    std::array<int, 3> bandWidth{};    // samples per band row, per component
    std::array<int, 3> bandRows{};     // rows per band, per component
    std::vector<std::uint8_t> band;    // all three components' rows
    std::vector<JSAMPROW> rows;        // pointers into band
    std::array<JSAMPARRAY, 3> components{};
    // Two source rows of Cb and Cr each ([row][plane]), before averaging.
    std::array<std::array<std::vector<std::uint8_t>, 2>, 2> chromaRows;
    std::array<std::vector<std::uint8_t>, 2> lumaChroma;  // BT.709: Cb, Cr covering each luma sample
    int lumaChromaRow = -1;                               // the chroma row lumaChroma holds
};

// Studio range to full: Y 16..235 and Cb, Cr 16..240 (around 128) stretched to 0..255, in
// fixed point (255/219 ~ 298/256, 255/224 ~ 291/256), rounded and clamped. A frame has over
// a million samples, so the arithmetic stays in 16 bits for the loop vectoriser (eight
// samples an instruction): d * kScale / 256 is d plus d * (kScale - 256) / 256, exactly,
// and that product fits in 16 bits where d * kScale would not.
template <int kOffset, int kScale, int kCentre>
void StretchRow(const std::uint8_t* from, std::uint8_t* to, int count) {
    static_assert(255 * (kScale - 256) + 128 < 32768);
    for (int x = 0; x < count; ++x) {
        const auto difference = static_cast<std::int16_t>(from[x] - kOffset);
        const auto value = static_cast<std::int16_t>(
            kCentre + difference + static_cast<std::int16_t>((difference * (kScale - 256) + 128) >> 8));
        to[x] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    }
}

// With AVX2 the stretch takes sixteen samples an instruction instead of eight.
PELLICOR_SAMPLE_LOOP_CLONES void StretchLumaRow(const std::uint8_t* from, std::uint8_t* to, int count) {
    StretchRow<16, 298, 0>(from, to, count);
}
PELLICOR_SAMPLE_LOOP_CLONES void StretchChromaRow(const std::uint8_t* from, std::uint8_t* to, int count) {
    StretchRow<128, 291, 128>(from, to, count);
}

void CopyRow(const TYuvPicture& picture, int plane, const std::uint8_t* from, std::uint8_t* to, int count) {
    if (picture.FullRange())
        std::memcpy(to, from, static_cast<std::size_t>(count));
    else if (plane == 0)
        StretchLumaRow(from, to, count);
    else
        StretchChromaRow(from, to, count);
}

void SetUp(jpeg_compress_struct& info, TPlanesSource& source) {
    const TYuvPicture& picture = *source.picture;
    info.image_width = static_cast<JDIMENSION>(picture.width());
    info.image_height = static_cast<JDIMENSION>(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_YCbCr;
    const int mcuColumns = (picture.width() + 15) / 16;
    std::size_t bytes = 0;
    for (int c = 0; c < 3; ++c) {
        source.bandWidth[c] = mcuColumns * (c == 0 ? 16 : 8);
        source.bandRows[c] = c == 0 ? 16 : 8;
        bytes += static_cast<std::size_t>(source.bandWidth[c]) * source.bandRows[c];
    }
    source.band.resize(bytes);
    source.rows.resize(static_cast<std::size_t>(source.bandRows[0] + source.bandRows[1] + source.bandRows[2]));
    std::uint8_t* at = source.band.data();
    std::size_t row = 0;
    for (int c = 0; c < 3; ++c) {
        source.components[c] = &source.rows[row];
        for (int r = 0; r < source.bandRows[c]; ++r, at += source.bandWidth[c]) source.rows[row++] = at;
    }
    for (auto& row : source.chromaRows)
        for (auto& chroma : row) chroma.resize(static_cast<std::size_t>(source.bandWidth[0]));
    if (picture.Matrix() == EYuvMatrix::Bt709)
        for (auto& chroma : source.lumaChroma) chroma.resize(static_cast<std::size_t>(picture.width()));
}

// After jpeg_set_defaults (which chose 4:2:0): the samples come as planes.
void SetSampling(jpeg_compress_struct& info, const TPlanesSource&) { info.raw_data_in = TRUE; }

// The last `width - filled` samples of a row repeat the one before them.
void RepeatRightEdge(std::uint8_t* row, int filled, int width) {
    if (width > filled) std::memset(row + filled, row[filled - 1], static_cast<std::size_t>(width - filled));
}

// Row y of a plane (the last one for rows below it).
const std::uint8_t* PlaneRow(const TYuvPicture& picture, int plane, int y) {
    return picture.Row(plane, std::min(y, picture.PlaneHeight(plane) - 1));
}

// Row y of a BT.601 plane, range-stretched and its right edge repeated up to `width` samples.
void ReadPlaneRow(const TYuvPicture& picture, int plane, int y, std::uint8_t* to, int width) {
    const int planeWidth = picture.PlaneWidth(plane);
    CopyRow(picture, plane, PlaneRow(picture, plane, y), to, planeWidth);
    RepeatRightEdge(to, planeWidth, width);
}

// Each of the first (count + 1) / 2 samples twice, `count` samples in all.
PELLICOR_SAMPLE_LOOP_CLONES void DoubleRow(const std::uint8_t* from, std::uint8_t* to, int count) {
    const int pairs = count / 2;
    for (int x = 0; x < pairs; ++x) to[2 * x] = to[2 * x + 1] = from[x];
    if (count & 1) to[count - 1] = from[pairs];
}

// Luma row y as JPEG samples, `width` of them. A BT.709 luma sample takes the chroma sample
// that covers it (as the conversion to RGB does).
void ReadLumaRow(TPlanesSource& source, int y, std::uint8_t* to, int width) {
    const TYuvPicture& picture = *source.picture;
    if (picture.Matrix() == EYuvMatrix::Bt601) {
        ReadPlaneRow(picture, 0, y, to, width);
        return;
    }
    const int lumaWidth = picture.width();
    const int lumaY = std::min(y, picture.height() - 1);
    const int chromaY = lumaY >> picture.ChromaShiftY();
    const std::uint8_t* chroma[2] = {PlaneRow(picture, 1, chromaY), PlaneRow(picture, 2, chromaY)};
    if (picture.ChromaShiftX() == 1) {
        // Two luma rows share a 4:2:0 chroma row: it is spread out once for both.
        for (int c = 0; c < 2; ++c) {
            if (source.lumaChromaRow != chromaY) DoubleRow(chroma[c], source.lumaChroma[c].data(), lumaWidth);
            chroma[c] = source.lumaChroma[c].data();
        }
        source.lumaChromaRow = chromaY;
    }
    Bt709LumaRowToJpeg(PlaneRow(picture, 0, lumaY), chroma[0], chroma[1], to, lumaWidth, picture.FullRange());
    RepeatRightEdge(to, lumaWidth, width);
}

// Chroma row y of both planes as JPEG samples at the source's chroma resolution, `width`
// of each.
void ReadChromaRows(const TYuvPicture& picture, int y, std::uint8_t* toCb, std::uint8_t* toCr, int width) {
    if (picture.Matrix() == EYuvMatrix::Bt601) {
        ReadPlaneRow(picture, 1, y, toCb, width);
        ReadPlaneRow(picture, 2, y, toCr, width);
        return;
    }
    const int planeWidth = picture.PlaneWidth(1);
    Bt709ChromaRowToJpeg(PlaneRow(picture, 1, y), PlaneRow(picture, 2, y), toCb, toCr, planeWidth, picture.FullRange());
    RepeatRightEdge(toCb, planeWidth, width);
    RepeatRightEdge(toCr, planeWidth, width);
}

// One 4:2:0 chroma row from two rows of 4:2:2 (one sample of each) or 4:4:4 chroma (two of
// each); the rounding bias alternates between neighbours as in libjpeg's downsampling.
void AverageChroma(const std::uint8_t* top, const std::uint8_t* bottom, bool pairs, std::uint8_t* to, int width) {
    if (!pairs) {
        for (int x = 0; x < width; ++x) to[x] = static_cast<std::uint8_t>((top[x] + bottom[x] + (x & 1)) >> 1);
        return;
    }
    for (int x = 0; x < width; ++x) {
        const int sum = top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1];
        to[x] = static_cast<std::uint8_t>((sum + 1 + (x & 1)) >> 2);
    }
}

void FillBand(TPlanesSource& source, int band) {
    const TYuvPicture& picture = *source.picture;
    for (int r = 0; r < source.bandRows[0]; ++r)
        ReadLumaRow(source, band * source.bandRows[0] + r, source.components[0][r], source.bandWidth[0]);
    const bool halfWidth = picture.ChromaShiftX() == 1, halfHeight = picture.ChromaShiftY() == 1;
    auto& rows = source.chromaRows;
    for (int r = 0; r < source.bandRows[1]; ++r) {
        const int y = band * source.bandRows[1] + r;
        if (halfWidth && halfHeight) {
            ReadChromaRows(picture, y, source.components[1][r], source.components[2][r], source.bandWidth[1]);
            continue;
        }
        const int sourceWidth = source.bandWidth[1] * (halfWidth ? 1 : 2);
        ReadChromaRows(picture, 2 * y, rows[0][0].data(), rows[0][1].data(), sourceWidth);
        ReadChromaRows(picture, 2 * y + 1, rows[1][0].data(), rows[1][1].data(), sourceWidth);
        for (int c = 0; c < 2; ++c)
            AverageChroma(rows[0][c].data(), rows[1][c].data(), !halfWidth, source.components[c + 1][r], source.bandWidth[1]);
    }
}

void Feed(jpeg_compress_struct& info, TPlanesSource& source) {
    const auto linesPerBand = static_cast<JDIMENSION>(source.bandRows[0]);
    for (int band = 0; info.next_scanline < info.image_height; ++band) {
        FillBand(source, band);
        jpeg_write_raw_data(&info, source.components.data(), linesPerBand);
    }
}

void SetSampling(jpeg_compress_struct&, const TRgbSource&) {}

void CopyTable(const THuffmanTable& from, JHUFF_TBL& to) {
    std::memcpy(to.bits, from.bits.data(), sizeof to.bits);
    std::memcpy(to.huffval, from.values.data(), sizeof to.huffval);
    to.sent_table = FALSE;
}

// After jpeg_set_defaults, which made the standard tables (0 for luma, 1 for chroma).
void UseTables(jpeg_compress_struct& info, const THuffmanTables& tables) {
    for (std::size_t t = 0; t < 2; ++t) {
        CopyTable(tables.dc[t], *info.dc_huff_tbl_ptrs[t]);
        CopyTable(tables.ac[t], *info.ac_huff_tbl_ptrs[t]);
    }
}

// One picture from `source` into `output`. libjpeg reports errors by a long jump back
// here, so nothing with a destructor may be made between setjmp and the end.
template <typename TSource>
void Compress(TSource& source, int quality, bool optimizedHuffman, const THuffmanTables* tables,
              std::vector<std::uint8_t>& output) {
    output.clear();
    jpeg_compress_struct info{};
    TJpegErrors errors;
    info.err = errors.Install();
    TVectorDestination destination;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        output.clear();
        throw std::runtime_error(std::string("JPEG encoder: ") + errors.message);
    }
    jpeg_create_compress(&info);
    destination.output = &output;
    destination.manager.init_destination = InitDestination;
    destination.manager.empty_output_buffer = EmptyOutputBuffer;
    destination.manager.term_destination = TermDestination;
    info.dest = &destination.manager;

    SetUp(info, source);
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);  // forced baseline quantisation tables
    info.optimize_coding = optimizedHuffman && !tables ? TRUE : FALSE;
    if (tables) UseTables(info, *tables);
    SetSampling(info, source);
    jpeg_start_compress(&info, TRUE);
    Feed(info, source);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

}  // namespace

void TJpegEncoder::SetQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

template <>
void TJpegEncoder::EncodeWith(const TBitmap& picture, std::vector<std::uint8_t>& output,
                              const THuffmanTables* tables) const {
    if (picture.empty() || picture.pixels.size() < picture.stride() * static_cast<std::size_t>(picture.height))
        throw std::runtime_error("JPEG encoder: empty picture");
    TRgbSource source{&picture};
    Compress(source, quality_, optimizedHuffman_, tables, output);
}

template <>
void TJpegEncoder::EncodeWith(const TYuvPicture& picture, std::vector<std::uint8_t>& output,
                              const THuffmanTables* tables) const {
    if (picture.empty() || picture.width() <= 0 || picture.height() <= 0)
        throw std::runtime_error("JPEG encoder: empty picture");
    TPlanesSource source;
    source.picture = &picture;
    Compress(source, quality_, optimizedHuffman_, tables, output);
}

void TJpegEncoder::Encode(const TBitmap& picture, std::vector<std::uint8_t>& output) const {
    EncodeWith(picture, output, nullptr);
}

void TJpegEncoder::Encode(const TYuvPicture& picture, std::vector<std::uint8_t>& output) const {
    EncodeWith(picture, output, nullptr);
}

void TJpegEncoder::Encode(const TBitmap& picture, std::vector<std::uint8_t>& output,
                          const THuffmanTables& tables) const {
    EncodeWith(picture, output, &tables);
}

void TJpegEncoder::Encode(const TYuvPicture& picture, std::vector<std::uint8_t>& output,
                          const THuffmanTables& tables) const {
    EncodeWith(picture, output, &tables);
}

}  // namespace pellicor
