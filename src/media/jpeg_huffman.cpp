#include "media/jpeg_huffman.h"

#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

#include "media/jpeg_errors.h"

namespace pellicor {

namespace {

// Coefficient k of the zig-zag scan is coefficient kNaturalOrder[k] of the 8x8 block.
constexpr std::array<int, 64> kNaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The number of bits of |value| (the JPEG "size category").
int Category(int value) {
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    int bits = 0;
    while (magnitude) {
        ++bits;
        magnitude >>= 1;
    }
    return bits;
}

void CountBlock(const JCOEF* block, int& lastDc, std::array<std::uint32_t, 256>& dc,
                std::array<std::uint32_t, 256>& ac) {
    ++dc[static_cast<std::size_t>(Category(block[0] - lastDc))];
    lastDc = block[0];
    int run = 0;
    for (int k = 1; k < 64; ++k) {
        const int value = block[kNaturalOrder[static_cast<std::size_t>(k)]];
        if (value == 0) {
            ++run;
            continue;
        }
        for (; run > 15; run -= 16) ++ac[0xF0];
        ++ac[static_cast<std::size_t>((run << 4) | Category(value))];
        run = 0;
    }
    if (run > 0) ++ac[0x00];
}

// The blocks in the order of the (interleaved) scan: MCU by MCU, in each MCU every
// component's blocks row by row, including the dummy blocks that fill MCUs at the right and
// bottom edges (the coefficient arrays are whole MCUs). DC differences follow that order.
void CountComponents(jpeg_decompress_struct& info, jvirt_barray_ptr* coefficients, TSymbolCounts& counts) {
    const auto common = reinterpret_cast<j_common_ptr>(&info);
    const auto mcuColumns = static_cast<JDIMENSION>(
        (info.image_width + 8 * info.max_h_samp_factor - 1) / (8 * info.max_h_samp_factor));
    const auto mcuRows = static_cast<JDIMENSION>(
        (info.image_height + 8 * info.max_v_samp_factor - 1) / (8 * info.max_v_samp_factor));
    std::array<int, 3> lastDc{};
    std::array<JBLOCKARRAY, 3> rows{};
    for (JDIMENSION mcuRow = 0; mcuRow < mcuRows; ++mcuRow) {
        for (int c = 0; c < 3; ++c) {
            const auto height = static_cast<JDIMENSION>(info.comp_info[c].v_samp_factor);
            rows[c] = (*info.mem->access_virt_barray)(common, coefficients[c], mcuRow * height, height, FALSE);
        }
        for (JDIMENSION mcuColumn = 0; mcuColumn < mcuColumns; ++mcuColumn) {
            for (int c = 0; c < 3; ++c) {
                const jpeg_component_info& component = info.comp_info[c];
                const std::size_t table = c == 0 ? 0 : 1;
                for (int v = 0; v < component.v_samp_factor; ++v)
                    for (int h = 0; h < component.h_samp_factor; ++h)
                        CountBlock(rows[c][v][mcuColumn * component.h_samp_factor + h], lastDc[c], counts.dc[table],
                                   counts.ac[table]);
            }
        }
    }
}

}  // namespace

TSymbolCounts CountJpegSymbols(std::span<const std::uint8_t> jpeg) {
    TSymbolCounts counts;
    jpeg_decompress_struct info{};
    TJpegErrors errors;
    info.err = errors.Install();
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error(std::string("JPEG symbol count: ") + errors.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    if (info.progressive_mode || info.num_components != 3 || info.restart_interval != 0) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error("JPEG symbol count: not a baseline three-component picture");
    }
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&info);
    CountComponents(info, coefficients, counts);
    jpeg_destroy_decompress(&info);
    return counts;
}

// Standard JPEG order of building: merge the two rarest, lengthen their codes; the
// reserved symbol 256 keeps the all-ones code free.
THuffmanTable OptimalHuffmanTable(const std::array<std::uint32_t, 256>& counts) {
    std::array<std::uint64_t, 257> frequency{};
    for (std::size_t i = 0; i < 256; ++i) frequency[i] = counts[i];
    frequency[256] = 1;
    std::array<int, 257> codeSize{};
    std::array<int, 257> others;
    others.fill(-1);
    for (;;) {
        int c1 = -1, c2 = -1;
        std::uint64_t least = ~std::uint64_t{0};
        for (int i = 0; i <= 256; ++i)
            if (frequency[i] && frequency[i] <= least) least = frequency[c1 = i];
        least = ~std::uint64_t{0};
        for (int i = 0; i <= 256; ++i)
            if (frequency[i] && frequency[i] <= least && i != c1) least = frequency[c2 = i];
        if (c2 < 0) break;
        frequency[c1] += frequency[c2];
        frequency[c2] = 0;
        for (++codeSize[c1]; others[c1] >= 0; ++codeSize[c1]) c1 = others[c1];
        others[c1] = c2;
        for (++codeSize[c2]; others[c2] >= 0; ++codeSize[c2]) c2 = others[c2];
    }
    // A code is at most 256 bits long before the limit (real pictures stay far below 32).
    std::array<int, 258> bits{};
    for (int i = 0; i <= 256; ++i)
        if (codeSize[i]) ++bits[static_cast<std::size_t>(codeSize[i])];
    // Codes longer than 16 bits: a pair moves up, a shorter code splits to make room.
    for (int i = 257; i > 16; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0) --j;
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    int longest = 16;
    while (longest > 0 && bits[longest] == 0) --longest;
    if (longest > 0) bits[longest] -= 1;  // the reserved symbol's code
    THuffmanTable table;
    for (int i = 1; i <= 16; ++i) table.bits[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits[i]);
    std::size_t next = 0;
    for (int length = 1; length <= 257; ++length)
        for (int symbol = 0; symbol < 256; ++symbol)
            if (codeSize[symbol] == length) table.values[next++] = static_cast<std::uint8_t>(symbol);
    return table;
}

THuffmanTables TablesCoveringEverySymbol(const TSymbolCounts& counts) {
    THuffmanTables tables;
    for (std::size_t t = 0; t < 2; ++t) {
        std::array<std::uint32_t, 256> dc = counts.dc[t], ac = counts.ac[t];
        for (std::size_t category = 0; category <= 11; ++category) ++dc[category];
        ++ac[0x00];
        ++ac[0xF0];
        for (std::size_t run = 0; run < 16; ++run)
            for (std::size_t category = 1; category <= 10; ++category) ++ac[(run << 4) | category];
        tables.dc[t] = OptimalHuffmanTable(dc);
        tables.ac[t] = OptimalHuffmanTable(ac);
    }
    return tables;
}

}  // namespace pellicor
