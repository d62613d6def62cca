#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "media/mcl_sound.h"

namespace pellicor {

class TPcmConverter;

// File format and codec numbers the writer knows: a RIFF WAVE file of plain PCM.
inline constexpr int kMclFileFormatWave = 12;
inline constexpr int kMclCodecPcm = 1;

// Writes sound blocks into a standard RIFF WAVE file (PCM, 8 or 16 bits, 1 or 2 channels).
// Blocks in another layout are converted to the file's as one continuous stream. The file
// is created by the first block (or by Finish when none came) and is complete once Finish
// has patched the sizes in its header.
class TMclWaveWriter {
public:
    TMclWaveWriter();
    ~TMclWaveWriter();  // finishes quietly when Finish was not called
    TMclWaveWriter(const TMclWaveWriter&) = delete;
    TMclWaveWriter& operator=(const TMclWaveWriter&) = delete;

    // Settings; EMediaError once writing has begun or for values the writer cannot write.
    void SetFileName(const std::string& path);
    void SetFileFormat(int format);
    void SetCodec(int codec);
    void SetFormat(int rate, int channels, int bits);

    void Write(const TMclSound& sound);
    void Finish();

private:
    void CheckNotStarted() const;
    void Open();
    void Put(const std::uint8_t* data, std::size_t size);
    void WriteHeader();

    std::string path_;
    int rate_ = 44100;
    int channels_ = 1;
    int bits_ = 8;
    std::FILE* file_ = nullptr;
    std::uint64_t dataBytes_ = 0;
    std::unique_ptr<TPcmConverter> converter_;
    bool finished_ = false;
};

using TMclWriteHandle = std::unique_ptr<TMclWaveWriter>;

TMclWriteHandle MclCreate();
void MclAudioSetFileName(TMclWaveWriter& writer, const std::string& path);
void MclAudioSetFileFormat(TMclWaveWriter& writer, int format);
void MclAudioSetCodec(TMclWaveWriter& writer, int codec);
void MclAudioSetFormat(TMclWaveWriter& writer, int rate, int channels, int bits);
// The sound is appended to the file.
void MclWriteSound(TMclWaveWriter& writer, const TMclSound& sound);
// Finishes and closes the file and releases the writer (also when finishing fails, which
// throws EMediaError).
void MclFree(TMclWriteHandle& writer);

}  // namespace pellicor
