// JPEG encoding of one 1280x720 frame of the fixture clip, the four ways the frame stage
// can take: from the decoder's planes or from RGB, with Huffman tables made for the
// picture or the standard ones. Counters give the bytes of each, so time and size of the
// optimised tables can be weighed against each other. PELLICOR_BENCH_CLIP names another
// clip (frame 30 of it is used).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "media/jpeg_encoder.h"
#include "media/mcl.h"

namespace {

std::string Clip() {
    const char* clip = std::getenv("PELLICOR_BENCH_CLIP");
    return clip ? clip : std::string(PELLICOR_FIXTURES_DIR) + "/hd720.mp4";
}
constexpr int kFrame = 30;

struct TFrame {
    pellicor::TYuvPicture planes;
    pellicor::TBitmap rgb;
};

const TFrame& Frame() {
    static const TFrame frame = [] {
        TFrame result;
        auto reader = pellicor::MclReadOpen(Clip(), 1);
        if (!pellicor::MclReadPlanes(*reader, kFrame, result.planes)) throw std::runtime_error("no planes");
        pellicor::MclReadImage(*reader, kFrame, result.rgb);
        return result;
    }();
    return frame;
}

template <typename TPicture>
void EncodeEach(benchmark::State& state, const TPicture& picture, bool optimized) {
    pellicor::TJpegEncoder encoder;
    encoder.SetQuality(75);
    encoder.SetOptimizedHuffman(optimized);
    std::vector<std::uint8_t> jpeg;
    for (auto _ : state) {
        encoder.Encode(picture, jpeg);
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
}

void BM_JpegFromPlanes(benchmark::State& state) { EncodeEach(state, Frame().planes, false); }
void BM_JpegFromPlanesOptimizedHuffman(benchmark::State& state) { EncodeEach(state, Frame().planes, true); }
void BM_JpegFromRgb(benchmark::State& state) { EncodeEach(state, Frame().rgb, false); }
void BM_JpegFromRgbOptimizedHuffman(benchmark::State& state) { EncodeEach(state, Frame().rgb, true); }

}  // namespace

BENCHMARK(BM_JpegFromPlanes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegFromPlanesOptimizedHuffman)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegFromRgb)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegFromRgbOptimizedHuffman)->Unit(benchmark::kMillisecond);
