#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace pellicor {

// A block of PCM sound: interleaved samples, 8-bit unsigned or 16-bit signed little-endian.
struct TMclSound {
    int rate = 0;      // samples per second
    int channels = 0;  // 1 or 2 as the reader delivers them
    int bits = 0;      // 8 or 16
    std::vector<std::uint8_t> data;

    int FrameBytes() const { return channels * bits / 8; }
    std::int64_t SampleCount() const {
        return FrameBytes() > 0 ? static_cast<std::int64_t>(data.size()) / FrameBytes() : 0;
    }
};

using TMclSoundHandle = std::unique_ptr<TMclSound>;

// A new empty sound / released.
TMclSoundHandle MclSndCreate();
void MclSndFree(TMclSoundHandle& sound);

// Rate, channels, bits per sample, data size in bytes and the PCM data of a sound.
void MclSndGetInfo(const TMclSound& sound, int& rate, int& channels, int& bits, int& size,
                   const std::uint8_t*& data);

// Converts the sound in place to the rate, channel count (1 or 2) and bits (8 or 16)
// given; throws EMediaError for other values.
void MclSndResample(TMclSound& sound, int rate, int channels, int bits);

}  // namespace pellicor
