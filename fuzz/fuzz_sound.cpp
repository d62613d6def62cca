// Sound files: the wave reader, the MP3 reader with its MPEG audio frame scan, and the
// ID3v1 and ID3v2 tags.

#include <cstddef>
#include <cstdint>
#include <span>

#include "movie/byte_source.h"
#include "movie/id3_tags.h"
#include "movie/mpeg_audio.h"
#include "movie/sound_error.h"
#include "movie/sound_reader.h"

using namespace pellicor;

namespace {

template <class Read>
void Attempt(Read read) {
    try {
        read();
    } catch (const ESoundError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    Attempt([&] {
        TMemoryByteSource source(bytes);
        TWaveReader().ReadWave(source);
    });
    Attempt([&] {
        TMemoryByteSource source(bytes);
        TWaveReader().ReadMP3(source);
    });
    Attempt([&] {
        TMemoryByteSource source(bytes);
        TMPEGaudio mpeg;
        if (mpeg.ReadFromSource(source)) {
            mpeg.Duration();
            mpeg.FrameLength();
        }
    });
    Attempt([&] {
        TMemoryByteSource source(bytes);
        TID3v2().ReadFromSource(source);
    });
    Attempt([&] {
        TMemoryByteSource source(bytes);
        TID3v1().ReadFromSource(source);
    });
    return 0;
}
