// Frames per second of MclReadImage over the 1280x720 fixture (60 frames of MPEG-4 part 2,
// a key frame every 12): in order, every second frame (a 25 -> 12 fps conversion), and in
// random order (each read seeks and decodes forward from a key frame). Wall-clock time:
// the decoder works in threads of its own.
//
// Besides, the conversion of a 4:2:0 picture to RGB alone, at widths the scaler writes
// straight into the bitmap (1280) and through its scratch rows (1288).

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "media/mcl.h"
#include "media/rgb_converter.h"

namespace {

const std::string kClip = std::string(PELLICOR_FIXTURES_DIR) + "/hd720.mp4";
constexpr int kFrames = 60;

void ReadInSteps(benchmark::State& state, int step) {
    auto reader = pellicor::MclReadOpen(kClip);
    pellicor::TMclImage image;
    int index = 0;
    for (auto _ : state) {
        if (index >= kFrames) {
            state.PauseTiming();  // start over without timing the reopening
            reader = pellicor::MclReadOpen(kClip);
            index = 0;
            state.ResumeTiming();
        }
        pellicor::MclReadImage(*reader, index, image);
        benchmark::DoNotOptimize(image.pixels.data());
        index += step;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["seeks"] = reader->SeekCount();
}

void BM_SequentialRead(benchmark::State& state) { ReadInSteps(state, 1); }
void BM_EverySecondFrame(benchmark::State& state) { ReadInSteps(state, 2); }

void BM_RandomRead(benchmark::State& state) {
    auto reader = pellicor::MclReadOpen(kClip);
    pellicor::TMclImage image;
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pick(0, kFrames - 1);
    for (auto _ : state) {
        pellicor::MclReadImage(*reader, pick(random), image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["seeks"] = reader->SeekCount();
}

void BM_ConvertToRgb(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    constexpr int kHeight = 720;
    pellicor::ffmpeg::FramePtr frame = pellicor::ffmpeg::NewFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = kHeight;
    frame->colorspace = AVCOL_SPC_BT709;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
        state.SkipWithError("no picture");
        return;
    }
    std::mt19937 random(7);
    for (AVBufferRef* const buffer : frame->buf) {
        if (!buffer) break;
        for (std::size_t at = 0; at < buffer->size; ++at) buffer->data[at] = static_cast<std::uint8_t>(random());
    }
    pellicor::TRgbConverter converter;
    pellicor::TBitmap image;
    for (auto _ : state) {
        converter.Convert(*frame, width, kHeight, image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_ConvertToRgb)->Arg(1280)->Arg(1288)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SequentialRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EverySecondFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RandomRead)->Unit(benchmark::kMillisecond)->UseRealTime();
