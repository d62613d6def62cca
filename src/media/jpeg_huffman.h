#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pellicor {

// One Huffman table as a JPEG DHT segment holds it: bits[n] codes of length n (1..16,
// bits[0] unused) and the symbols in order of their codes.
struct THuffmanTable {
    std::array<std::uint8_t, 17> bits{};
    std::array<std::uint8_t, 256> values{};
};

// The tables of a baseline colour JPEG: [0] for luma, [1] for both chroma components.
struct THuffmanTables {
    std::array<THuffmanTable, 2> dc;
    std::array<THuffmanTable, 2> ac;
};

// How often each Huffman symbol occurs in a picture's coefficients.
struct TSymbolCounts {
    std::array<std::array<std::uint32_t, 256>, 2> dc{};
    std::array<std::array<std::uint32_t, 256>, 2> ac{};
};

// The symbol counts of a baseline JPEG without restart markers made by our encoder (4:2:0
// or any other sampling, three components), read back from its entropy-coded data: no
// inverse DCT. Throws std::runtime_error when the bytes are no such JPEG.
TSymbolCounts CountJpegSymbols(std::span<const std::uint8_t> jpeg);

// The table that codes `counts` in the fewest bits (codes of at most 16 bits, the all-ones
// code kept free), built as the JPEG standard does (annex K.2) and as libjpeg does for its
// optimised tables. Symbols that never occur get no code.
THuffmanTable OptimalHuffmanTable(const std::array<std::uint32_t, 256>& counts);

// Tables that are optimal for `counts` and yet have a code for every symbol a baseline
// picture may use (each possible symbol counts one more), so they encode any other
// picture too.
THuffmanTables TablesCoveringEverySymbol(const TSymbolCounts& counts);

}  // namespace pellicor
