// Huffman tables made from a picture's symbols: the counts read back from a JPEG and the
// tables built from them are libjpeg's own optimised tables, and tables that cover every
// symbol encode any other picture losslessly (the same coefficients as standard tables).

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <vector>

#include "media/bitmap.h"
#include "media/jpeg_encoder.h"
#include "media/jpeg_huffman.h"

namespace pellicor {
namespace {

// A picture with edges, gradients and some noise of its own (seeded), so that its
// coefficients use many symbols.
TBitmap Picture(int width, int height, unsigned seed) {
    TBitmap picture(width, height);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            std::uint8_t* pixel = picture.at(x, y);
            const int noise = static_cast<int>((state >> 16) % 9) - 4;
            pixel[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + noise, 0, 255));
            pixel[1] = static_cast<std::uint8_t>(((x / 8 + y / 8) % 2) ? 200 : 40);
            pixel[2] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + noise * int(seed % 5), 0, 255));
        }
    }
    return picture;
}

struct TDecoded {
    std::vector<std::vector<JCOEF>> coefficients;  // per component, every block in order
    std::vector<THuffmanTable> dc, ac;             // the tables in the file, by slot
};

// Coefficients and tables of a JPEG, through libjpeg itself.
TDecoded Decode(const std::vector<std::uint8_t>& jpeg) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&info);
    TDecoded decoded;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        std::vector<JCOEF>& out = decoded.coefficients.emplace_back();
        for (JDIMENSION row = 0; row < component.height_in_blocks; ++row) {
            JBLOCKARRAY blocks =
                (*info.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&info), arrays[c], row, 1, FALSE);
            for (JDIMENSION column = 0; column < component.width_in_blocks; ++column)
                out.insert(out.end(), blocks[0][column], blocks[0][column] + DCTSIZE2);
        }
    }
    for (int slot = 0; slot < 2; ++slot) {
        for (auto [from, to] : {std::pair{info.dc_huff_tbl_ptrs[slot], &decoded.dc},
                                std::pair{info.ac_huff_tbl_ptrs[slot], &decoded.ac}}) {
            THuffmanTable table;
            if (from) {
                std::copy(std::begin(from->bits), std::end(from->bits), table.bits.begin());
                std::copy(std::begin(from->huffval), std::end(from->huffval), table.values.begin());
            }
            to->push_back(table);
        }
    }
    jpeg_destroy_decompress(&info);
    return decoded;
}

int CodeCount(const THuffmanTable& table) {
    int codes = 0;
    for (int length = 1; length <= 16; ++length) codes += table.bits[static_cast<std::size_t>(length)];
    return codes;
}

void ExpectSameTable(const THuffmanTable& ours, const THuffmanTable& libjpegs) {
    EXPECT_EQ(ours.bits, libjpegs.bits);
    const int codes = CodeCount(ours);
    EXPECT_TRUE(std::equal(ours.values.begin(), ours.values.begin() + codes, libjpegs.values.begin()));
}

TEST(JpegHuffman, CountsAndTablesAreLibjpegsOptimisedOnes) {
    TJpegEncoder encoder;
    for (const int quality : {30, 75, 95}) {
        for (const auto& [width, height] : {std::pair{64, 48}, std::pair{37, 29}}) {
            SCOPED_TRACE(::testing::Message() << "quality " << quality << ", " << width << "x" << height);
            encoder.SetQuality(quality);
            std::vector<std::uint8_t> jpeg;
            encoder.Encode(Picture(width, height, 3), jpeg);  // libjpeg's optimised tables
            const TDecoded decoded = Decode(jpeg);
            const TSymbolCounts counts = CountJpegSymbols(jpeg);
            for (std::size_t t = 0; t < 2; ++t) {
                ExpectSameTable(OptimalHuffmanTable(counts.dc[t]), decoded.dc[t]);
                ExpectSameTable(OptimalHuffmanTable(counts.ac[t]), decoded.ac[t]);
            }
        }
    }
}

TEST(JpegHuffman, TablesFromOnePictureEncodeAnyOtherWithTheSameCoefficients) {
    TJpegEncoder encoder;
    encoder.SetQuality(90);
    // A flat picture uses hardly any symbols; its tables must still code a busy one.
    TBitmap flat(48, 32);
    std::fill(flat.pixels.begin(), flat.pixels.end(), std::uint8_t{128});
    std::vector<std::uint8_t> flatJpeg;
    encoder.Encode(flat, flatJpeg);
    const THuffmanTables tables = TablesCoveringEverySymbol(CountJpegSymbols(flatJpeg));
    for (std::size_t t = 0; t < 2; ++t) {
        EXPECT_EQ(CodeCount(tables.dc[t]), 12);
        EXPECT_EQ(CodeCount(tables.ac[t]), 162);  // EOB, ZRL and 16 runs of 10 sizes
    }

    const TBitmap busy = Picture(320, 240, 11);
    std::vector<std::uint8_t> own, borrowed, standard;
    encoder.Encode(busy, own);
    encoder.Encode(busy, borrowed, tables);
    encoder.SetOptimizedHuffman(false);
    encoder.Encode(busy, standard);
    const TDecoded reference = Decode(standard);
    EXPECT_EQ(Decode(own).coefficients, reference.coefficients);
    EXPECT_EQ(Decode(borrowed).coefficients, reference.coefficients);
    ExpectSameTable(Decode(borrowed).ac[0], tables.ac[0]);

    // Tables of a like picture cost little over the picture's own.
    std::vector<std::uint8_t> likeJpeg, fromLike;
    encoder.SetOptimizedHuffman(true);
    encoder.Encode(Picture(320, 240, 16), likeJpeg);
    encoder.Encode(busy, fromLike, TablesCoveringEverySymbol(CountJpegSymbols(likeJpeg)));
    EXPECT_LT(fromLike.size(), own.size() * 105 / 100) << standard.size();
    EXPECT_LT(fromLike.size(), standard.size());
}

TEST(JpegHuffman, OddCountsStillMakeValidTables) {
    std::array<std::uint32_t, 256> counts{};
    EXPECT_EQ(CodeCount(OptimalHuffmanTable(counts)), 0);  // nothing to code
    counts[7] = 5;
    THuffmanTable one = OptimalHuffmanTable(counts);
    EXPECT_EQ(one.bits[1], 1);
    EXPECT_EQ(one.values[0], 7);
    // Counts like the Fibonacci numbers make the deepest trees: lengths are still cut to 16.
    std::uint32_t a = 1, b = 1;
    for (std::size_t i = 0; i < 40; ++i) {
        counts[i] = a;
        b = std::exchange(a, a + b);
    }
    const THuffmanTable deep = OptimalHuffmanTable(counts);
    EXPECT_EQ(CodeCount(deep), 40);
    // Kraft: the codes, with the all-ones one kept free, fit a 16-bit code space.
    std::uint64_t used = 0;
    for (int length = 1; length <= 16; ++length) used += std::uint64_t{deep.bits[length]} << (16 - length);
    EXPECT_LT(used, std::uint64_t{1} << 16);
}

TEST(JpegHuffman, WhatIsNoBaselineJpegIsRefused) {
    const std::vector<std::uint8_t> junk = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02};
    EXPECT_THROW(CountJpegSymbols(junk), std::runtime_error);
}

}  // namespace
}  // namespace pellicor
