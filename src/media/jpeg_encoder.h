#pragma once

#include <cstdint>
#include <vector>

#include "media/bitmap.h"
#include "media/jpeg_huffman.h"
#include "media/yuv_picture.h"

namespace pellicor {

// Baseline colour JPEG encoding of the engine's pictures (libjpeg-turbo), at a fixed
// quality: forced baseline quantisation tables, neither grey-scale nor progressive, with
// Huffman tables made for each picture unless switched off. An encoder holds only its
// settings, so one encoder may serve several threads at once.
class TJpegEncoder {
public:
    // 1..100, the JPEG quality itself; values outside are clamped.
    void SetQuality(int quality);
    int Quality() const { return quality_; }

    // Huffman tables made for each picture (a second pass over its coefficients, still
    // baseline) instead of the standard tables: fewer bytes for the same picture.
    void SetOptimizedHuffman(bool optimized) { optimizedHuffman_ = optimized; }
    bool OptimizedHuffman() const { return optimizedHuffman_; }

    // Replaces the contents of `output` with the JPEG bytes of the picture (its capacity is
    // kept, so one buffer serves every frame). Throws std::runtime_error for an empty
    // picture or when the encoder fails.
    void Encode(const TBitmap& picture, std::vector<std::uint8_t>& output) const;
    // The same from decoded planes, which go into the JPEG as they are (studio-range
    // samples are stretched to the full range JPEG uses, BT.709 samples converted to the
    // BT.601 YCbCr of JPEG, 4:2:2 and 4:4:4 chroma averaged to the 4:2:0 of every other
    // picture): no conversion to RGB and back.
    void Encode(const TYuvPicture& picture, std::vector<std::uint8_t>& output) const;
    // The same with the given Huffman tables (one pass, whatever SetOptimizedHuffman says);
    // they must have a code for every symbol of the picture (TablesCoveringEverySymbol).
    void Encode(const TBitmap& picture, std::vector<std::uint8_t>& output, const THuffmanTables& tables) const;
    void Encode(const TYuvPicture& picture, std::vector<std::uint8_t>& output, const THuffmanTables& tables) const;

private:
    template <typename TPicture>
    void EncodeWith(const TPicture& picture, std::vector<std::uint8_t>& output, const THuffmanTables* tables) const;

    int quality_ = 75;
    bool optimizedHuffman_ = true;
};

}  // namespace pellicor
