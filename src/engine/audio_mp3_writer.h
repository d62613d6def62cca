#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

typedef struct lame_global_struct lame_global_flags;

namespace pellicor {

// Raised by the MP3 file writer: the file cannot be created or written, or the encoder
// refuses its settings or the samples. The message is meant for people.
class EAudioEncoderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the MP3 file of a task is encoded at: output samples per second, kbit/s (constant
// bitrate) and the mode value (1 mono, 2 stereo for a stereo source, else mono).
struct TMp3Settings {
    int SampleRate = 44100;
    int Bitrate = 128;
    int Mode = 2;
    bool operator==(const TMp3Settings&) const = default;
};

// The settings of a bitrate choice (destAudioBitrate 0..9: "32Kbps" .. "320Kbps"); any
// other value gives 44100 Hz at 128 kbit/s, mode 2.
TMp3Settings Mp3SettingsFor(int bitrateChoice);

// Encodes blocks of signed 16-bit PCM into one MP3 file with LAME, at the settings' sample
// rate, bitrate and mode whatever the rate of the blocks (LAME resamples). The file holds
// plain MPEG audio frames: no ID3 tag and no Xing/Info frame.
class TMp3FileWriter {
public:
    // Creates the file now.
    TMp3FileWriter(const std::string& path, const TMp3Settings& settings);
    // Closes quietly when Close was not called.
    ~TMp3FileWriter();
    TMp3FileWriter(const TMp3FileWriter&) = delete;
    TMp3FileWriter& operator=(const TMp3FileWriter&) = delete;

    // sampleFrames interleaved frames of `channels` (1 or 2) samples at `rate` per second.
    // The first block fixes the input layout; later blocks must keep it.
    void Write(const std::int16_t* samples, std::size_t sampleFrames, int rate, int channels);
    // Flushes the encoder and closes the file; later calls do nothing.
    void Close();

    // The input layout fixed by the first block (0 before it).
    int InputRate() const { return inputRate_; }
    int InputChannels() const { return inputChannels_; }

private:
    void Start(int rate, int channels);
    void Put(const std::uint8_t* data, std::size_t size);

    std::string path_;
    TMp3Settings settings_;
    std::FILE* file_ = nullptr;
    lame_global_flags* lame_ = nullptr;
    int inputRate_ = 0;
    int inputChannels_ = 0;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace pellicor
