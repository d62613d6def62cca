#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "movie/bmp_reader.h"
#include "movie/jpeg_probe.h"
#include "movie/sound_reader.h"
#include "movie_reader_test_support.h"

// Every reader gets every prefix of well-formed seed files, mutated copies and random
// bytes. The only acceptable outcomes are a result that stays within the data or the
// reader's own error; the sanitizer build catches any read past a buffer.

namespace pellicor {
namespace {

using namespace test_support;

class Fuzzer {
public:
    explicit Fuzzer(std::uint32_t seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(Below(256)); }

    // A few bytes replaced; sometimes a 16- or 32-bit field in the first 64 bytes set to an
    // extreme value, where the headers of all these formats keep their sizes.
    Bytes Mutate(Bytes bytes) {
        if (bytes.empty()) return bytes;
        for (int n = 1 + Below(6); n > 0; --n) bytes[Below(static_cast<int>(bytes.size()))] = Byte();
        if (Below(2) == 0 && bytes.size() >= 4) {
            const std::size_t at = Below(static_cast<int>(std::min<std::size_t>(bytes.size() - 3, 64)));
            const std::uint8_t fill = Below(2) ? 0xFF : 0x00;
            std::fill_n(bytes.begin() + at, 2 + 2 * Below(2), fill);
        }
        return bytes;
    }

    Bytes Random(const Bytes& prefix, int maxSize) {
        Bytes bytes = prefix;
        for (int n = Below(maxSize); n > 0; --n) bytes.push_back(Below(4) == 0 ? 0xFF : Byte());
        return bytes;
    }

private:
    std::mt19937 random_;
};

// Every prefix up to limit, then every step bytes.
std::vector<std::size_t> PrefixLengths(std::size_t size, std::size_t limit = 2048, std::size_t step = 61) {
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < size; n += n < limit ? 1 : step) lengths.push_back(n);
    return lengths;
}

void ExerciseBMP(std::span<const std::uint8_t> bytes) {
    TBMPReader reader;
    try {
        reader.LoadFromStream(bytes);
    } catch (const EImageError&) {
        return;
    }
    ASSERT_EQ(reader.Pixels().size(), reader.Stride() * reader.Height());
    if (reader.Pixels().size() > (64u << 10)) return;  // a large header on a small file: loading was the test
    const TLosslessFormat format = LosslessFormatFromBMP(reader);
    const std::size_t pixelBytes = format.Format == 3 ? 1 : format.Format == 4 ? 2 : 4;
    const std::size_t table = format.Format == 3 ? 3 * format.ColourCount : 0;
    EXPECT_EQ(LosslessPixelBytes(reader, format).size(), table + format.RowWidth * pixelBytes * reader.Height());
}

void ExerciseSound(std::span<const std::uint8_t> bytes) {
    TMemoryByteSource source(bytes);
    try {
        TMPEGaudio mpeg;
        if (mpeg.ReadFromSource(source)) {
            EXPECT_LT(mpeg.FramePosition + 4, bytes.size());
            EXPECT_TRUE(std::isfinite(mpeg.Duration()));
            EXPECT_GT(mpeg.FrameLength(), 0);
        }
    } catch (const ESoundError&) {
        EXPECT_LT(bytes.size(), TID3v1::kTagSize);
    }
    for (bool wave : {true, false}) {
        TWaveReader reader;
        try {
            wave ? reader.ReadWave(source) : reader.ReadMP3(source);
        } catch (const ESoundError&) {
            continue;
        }
        EXPECT_LE(std::uint64_t{reader.DataOffset} + reader.DataSize, bytes.size());
        EXPECT_TRUE(std::isfinite(reader.Duration));
        if (reader.BytesPerFrame) {
            EXPECT_LE(std::uint64_t{reader.FrameCount} * reader.BytesPerFrame, reader.DataSize);
        }
    }
}

TEST(ReaderFuzz, BMPReader) {
    Fuzzer fuzz(1001);
    const Grid grid = {{1, 0, 3, 2, 1, 0, 3}, {3, 3, 2, 1, 0, 1, 2}, {0, 1, 2, 3, 0, 1, 2}};
    const std::vector<std::uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<BmpFile> seeds;
    for (int bits : {1, 4, 8, 16, 24, 32}) seeds.push_back({.width = 7, .height = 3, .bits = bits, .palette = palette, .data = PackRows(bits, grid)});
    seeds.push_back({.width = 7, .height = -3, .bits = 24, .data = PackRows(24, grid, true)});
    seeds.push_back({.width = 7, .height = 3, .bits = 4, .headerSize = 12, .palette = palette, .data = PackRows(4, grid)});
    seeds.push_back({.width = 7, .height = 3, .bits = 8, .compression = 1, .palette = palette,
                     .data = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 4, 2, 0, 0, 1}});
    seeds.push_back({.width = 7, .height = 3, .bits = 4, .compression = 2, .palette = palette,
                     .data = {7, 0x12, 0, 0, 0, 5, 0x12, 0x30, 0x10, 0, 0, 2, 1, 1, 2, 0x33, 0, 1}});
    seeds.push_back({.width = 7, .height = 3, .bits = 32, .compression = 3, .headerSize = 124,
                     .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, .data = PackRows(32, grid)});
    for (const BmpFile& seed : seeds) {
        const Bytes file = seed.Build();
        for (std::size_t n : PrefixLengths(file.size())) ExerciseBMP(std::span(file).first(n));
        for (int i = 0; i < 400; ++i) ExerciseBMP(fuzz.Mutate(file));
    }
    for (int i = 0; i < 300; ++i) ExerciseBMP(fuzz.Random({'B', 'M'}, 1500));
}

TEST(ReaderFuzz, JpegProbe) {
    Fuzzer fuzz(2002);
    for (bool progressive : {false, true}) {
        const Bytes file = EncodeJpeg(40, 30, progressive);
        for (std::size_t n : PrefixLengths(file.size())) {
            const TJpegSize size = ProbeJpegSize(std::span(file).first(n));
            EXPECT_TRUE(size == TJpegSize{} || size == (TJpegSize{40, 30}));
        }
        for (int i = 0; i < 1000; ++i) ProbeJpegSize(fuzz.Mutate(file));
    }
    for (int i = 0; i < 1000; ++i) ProbeJpegSize(fuzz.Random({0xFF, 0xD8}, 400));
}

TEST(ReaderFuzz, SoundReaders) {
    Fuzzer fuzz(3003);
    Bytes tagged = ID3v2Tag(600, 590);
    const Bytes mono = EncodeMp3(24000, 1, 32, false, false, 0.5).bytes;
    tagged.insert(tagged.end(), mono.begin(), mono.end());
    const std::vector<Bytes> seeds = {
        EncodeMp3(44100, 2, 128, false, false, 0.3).bytes,
        EncodeMp3(44100, 2, 128, true, true, 0.3).bytes,
        tagged,
        Wave(1, 2, 44100, 16, Bytes(1000, 7), {{"LIST", Bytes(3, 'x')}}),
        Wave(0x55, 1, 24000, 0, mono),
    };
    for (const Bytes& file : seeds) {
        for (std::size_t n : PrefixLengths(file.size(), 1024, 37)) ExerciseSound(std::span(file).first(n));
        for (int i = 0; i < 300; ++i) ExerciseSound(fuzz.Mutate(file));
    }
    for (int i = 0; i < 300; ++i) ExerciseSound(fuzz.Random({'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'}, 600));
    for (int i = 0; i < 300; ++i) ExerciseSound(fuzz.Random({}, 5000));
}

}  // namespace
}  // namespace pellicor
