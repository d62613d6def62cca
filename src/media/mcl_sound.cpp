#include "media/mcl_sound.h"

#include <limits>

#include "media/media_error.h"
#include "media/pcm_converter.h"

namespace pellicor {

TMclSoundHandle MclSndCreate() { return std::make_unique<TMclSound>(); }

void MclSndFree(TMclSoundHandle& sound) { sound.reset(); }

void MclSndGetInfo(const TMclSound& sound, int& rate, int& channels, int& bits, int& size,
                   const std::uint8_t*& data) {
    if (sound.data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw EMediaError("the sound block is too large");
    }
    rate = sound.rate;
    channels = sound.channels;
    bits = sound.bits;
    size = static_cast<int>(sound.data.size());
    data = sound.data.data();
}

void MclSndResample(TMclSound& sound, int rate, int channels, int bits) {
    const ffmpeg::PcmLayout to{rate, channels, bits};
    const ffmpeg::PcmLayout from{sound.rate, sound.channels, sound.bits};
    TPcmConverter::Check(to);
    if (sound.data.empty()) {
        sound.rate = rate;
        sound.channels = channels;
        sound.bits = bits;
        return;
    }
    TPcmConverter converter(from, to);
    std::vector<std::uint8_t> converted;
    converter.Convert(sound.data.data(), sound.SampleCount(), converted);
    converter.Flush(converted);
    sound.data = std::move(converted);
    sound.rate = rate;
    sound.channels = channels;
    sound.bits = bits;
}

}  // namespace pellicor
