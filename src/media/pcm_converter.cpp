#include "media/pcm_converter.h"

#include <algorithm>
#include <string>

#include "media/media_error.h"

namespace pellicor {

namespace {
constexpr int kMaxRate = 1000000;
constexpr std::int64_t kChunk = 1 << 16;  // sample frames per resampler call
}  // namespace

void TPcmConverter::Check(const ffmpeg::PcmLayout& layout) {
    if (layout.rate < 1 || layout.rate > kMaxRate || layout.channels < 1 || layout.channels > 2 ||
        (layout.bits != 8 && layout.bits != 16)) {
        throw EMediaError("unsupported PCM layout: " + std::to_string(layout.rate) + " Hz, " +
                          std::to_string(layout.channels) + " channels, " +
                          std::to_string(layout.bits) + " bits");
    }
}

TPcmConverter::TPcmConverter(ffmpeg::PcmLayout from, ffmpeg::PcmLayout to) : from_(from), to_(to) {
    Check(from_);
    Check(to_);
    AVChannelLayout inLayout = ffmpeg::PcmChannelLayout(from_.channels);
    AVChannelLayout outLayout = ffmpeg::PcmChannelLayout(to_.channels);
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &outLayout, ffmpeg::PcmSampleFormat(to_.bits), to_.rate,
                            &inLayout, ffmpeg::PcmSampleFormat(from_.bits), from_.rate, 0,
                            nullptr) < 0 ||
        swr_init(raw) < 0) {
        swr_free(&raw);
        throw EMediaError("cannot set up the sound conversion");
    }
    resampler_.reset(raw);
}

void TPcmConverter::Run(const std::uint8_t* data, int sampleCount, std::vector<std::uint8_t>& out) {
    const int outBytes = to_.channels * to_.bits / 8;
    const int room = swr_get_out_samples(resampler_.get(), sampleCount);
    if (room <= 0) return;
    const std::size_t used = out.size();
    out.resize(used + static_cast<std::size_t>(room) * outBytes);
    std::uint8_t* target = out.data() + used;
    const std::uint8_t* source = data;
    const int made = swr_convert(resampler_.get(), &target, room, data ? &source : nullptr,
                                 sampleCount);
    if (made < 0) {
        out.resize(used);
        throw EMediaError("the sound conversion failed");
    }
    out.resize(used + static_cast<std::size_t>(made) * outBytes);
}

void TPcmConverter::Convert(const std::uint8_t* data, std::int64_t sampleCount,
                            std::vector<std::uint8_t>& out) {
    const int inBytes = from_.channels * from_.bits / 8;
    for (std::int64_t done = 0; done < sampleCount;) {
        const std::int64_t part = std::min(kChunk, sampleCount - done);
        Run(data + done * inBytes, static_cast<int>(part), out);
        done += part;
    }
}

void TPcmConverter::Flush(std::vector<std::uint8_t>& out) { Run(nullptr, 0, out); }

}  // namespace pellicor
