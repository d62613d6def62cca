// Cost of every image effect and of whole effect chains on a 1280x720 frame, next to the
// baseline JPEG encoding (quality 75) that every converted frame goes through anyway.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "effects/effect_chain.h"
#include "effects/image_effects.h"
#include "media/bitmap.h"

namespace pellicor {
namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// A frame with what video frames have: smooth gradients, hard-edged shapes and some grain.
const TBitmap& Frame() {
    static const TBitmap frame = [] {
        TBitmap image(kWidth, kHeight);
        std::uint32_t noise = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int grain = static_cast<int>(noise >> 28) - 8;
                const bool inDisc = (x - 800) * (x - 800) + (y - 300) * (y - 300) < 180 * 180;
                const bool inBar = y > 520 && y < 600 && x > 100 && x < 1100;
                int red = x * 255 / kWidth, green = y * 255 / kHeight, blue = 255 - (x + y) * 255 / (kWidth + kHeight);
                if (inDisc) red = 230, green = 180, blue = 40;
                if (inBar) red = 20, green = 40, blue = 200;
                std::uint8_t* pixel = image.at(x, y);
                pixel[0] = static_cast<std::uint8_t>(std::clamp(red + grain, 0, 255));
                pixel[1] = static_cast<std::uint8_t>(std::clamp(green + grain, 0, 255));
                pixel[2] = static_cast<std::uint8_t>(std::clamp(blue + grain, 0, 255));
            }
        return image;
    }();
    return frame;
}

// Times one operation on a fresh copy of the frame each iteration (the copy is not timed).
void TimeOnFrame(benchmark::State& state, const std::function<void(TBitmap&)>& operation) {
    TBitmap image = Frame();
    for (auto _ : state) {
        state.PauseTiming();
        image.pixels = Frame().pixels;
        state.ResumeTiming();
        operation(image);
        benchmark::DoNotOptimize(image.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Frame().pixels.size()));
}

TFilterSettings Filter(std::int32_t type) {
    TFilterSettings filter;
    filter.destFilterType = type;
    return filter;
}

// Five filters of different kinds: three 3x3 filters, a flip and pixelize.
TEffectSettings FiveFilterChain() {
    TEffectSettings effects;
    effects.destIsApplyEffects = true;
    for (std::int32_t type : {kFilterSoften, kFilterSharpen, kFilterEdgeEnhance, kFilterFlipHorizontal, kFilterPixelize})
        effects.destFilters.Add(Filter(type));
    return effects;
}

// Every colour effect switched on, then the five filters.
TEffectSettings WholeChain() {
    TEffectSettings effects = FiveFilterChain();
    effects.destIsBrightness = true;
    effects.destBrightnessR = 10, effects.destBrightnessG = 5, effects.destBrightnessB = -5;
    effects.destIsContrast = true;
    effects.destContrastR = effects.destContrastG = effects.destContrastB = 20;
    effects.destIsGamma = true;
    effects.destGammaR = 1.2, effects.destGammaG = 1.1, effects.destGammaB = 0.9;
    effects.destIsWhiteBalance = true;
    effects.destWhiteBalanceR = 250, effects.destWhiteBalanceG = 245, effects.destWhiteBalanceB = 240;
    effects.destIsSolarize = true;
    effects.destSolarizeR = effects.destSolarizeG = effects.destSolarizeB = 250;
    effects.destIsSaturation = true;
    effects.destSaturationPercent = 30;
    return effects;
}

// Baseline JPEG of the frame at quality 75 into memory, as the frame stage writes it.
void EncodeJpeg(const TBitmap& image, std::vector<unsigned char>& out) {
    jpeg_compress_struct compressor{};
    jpeg_error_mgr errors{};
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compressor, &buffer, &size);
    compressor.image_width = static_cast<JDIMENSION>(image.width);
    compressor.image_height = static_cast<JDIMENSION>(image.height);
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 75, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.row(static_cast<int>(compressor.next_scanline)));
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&compressor);
    std::free(buffer);
}

void BM_JpegEncodeQuality75(benchmark::State& state) {
    std::vector<unsigned char> jpeg;
    for (auto _ : state) {
        EncodeJpeg(Frame(), jpeg);
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Frame().pixels.size()));
}
BENCHMARK(BM_JpegEncodeQuality75)->Unit(benchmark::kMillisecond);

void BM_ChainFiveFilters(benchmark::State& state) {
    const TEffectSettings effects = FiveFilterChain();
    TimeOnFrame(state, [&](TBitmap& image) { ApplyEffects(image, effects); });
}
BENCHMARK(BM_ChainFiveFilters)->Unit(benchmark::kMillisecond);

void BM_ChainAllColourEffectsAndFiveFilters(benchmark::State& state) {
    const TEffectSettings effects = WholeChain();
    TimeOnFrame(state, [&](TBitmap& image) { ApplyEffects(image, effects); });
}
BENCHMARK(BM_ChainAllColourEffectsAndFiveFilters)->Unit(benchmark::kMillisecond);

// One benchmark per operation, with typical parameters.
[[maybe_unused]] const int kRegisterEffects = [] {
    const std::pair<const char*, std::function<void(TBitmap&)>> effects[] = {
        {"Brightness", [](TBitmap& i) { MclImgBrightness(i, 10, 5, -5); }},
        {"Contrast", [](TBitmap& i) { MclImgContrast(i, 20, 20, 20); }},
        {"Gamma", [](TBitmap& i) { MclImgGamma(i, 1.2, 1.1, 0.9); }},
        {"WhiteBalance", [](TBitmap& i) { MclImgWhiteBalance(i, 250, 245, 240); }},
        {"Solarize", [](TBitmap& i) { MclImgSolarize(i, 250, 250, 250); }},
        {"Saturation", [](TBitmap& i) { MclImgSaturation(i, 30); }},
        {"Soften", [](TBitmap& i) { MclImgSoften(i); }},
        {"Sharpen", [](TBitmap& i) { MclImgSharpen(i); }},
        {"EdgeEnhance", [](TBitmap& i) { MclImgEdgeEnhance(i); }},
        {"FindEdges", [](TBitmap& i) { MclImgFindEdges(i); }},
        {"TraceContour", [](TBitmap& i) { MclImgTraceContour(i); }},
        {"FlipVertical", [](TBitmap& i) { MclImgFlipVertical(i); }},
        {"FlipHorizontal", [](TBitmap& i) { MclImgFlipHorizontal(i); }},
        {"Pixelize3x3", [](TBitmap& i) { MclImgPixelize(i, 3, 3); }},
        {"Chaos5", [](TBitmap& i) { MclImgChaos(i, 5); }},
        {"DeinterlaceInterpolate", [](TBitmap& i) { MclImgDeinterlace(i, -1, -1); }},
    };
    for (const auto& [name, operation] : effects)
        benchmark::RegisterBenchmark((std::string("BM_Effect/") + name).c_str(),
                                     [operation = operation](benchmark::State& state) { TimeOnFrame(state, operation); })
            ->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace
}  // namespace pellicor
