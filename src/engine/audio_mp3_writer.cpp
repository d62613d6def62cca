#include "engine/audio_mp3_writer.h"

#include <lame/lame.h>

#include <cerrno>
#include <cstring>
#include <algorithm>

namespace pellicor {

TMp3Settings Mp3SettingsFor(int bitrateChoice) {
    switch (bitrateChoice) {
        case 0: return {11025, 32, 1};
        case 1: return {22050, 56, 1};
        case 2: return {22050, 64, 2};
        case 3: return {44100, 112, 2};
        case 4: return {44100, 128, 2};
        case 5: return {44100, 160, 2};
        case 6: return {44100, 192, 2};
        case 7: return {44100, 224, 2};
        case 8: return {44100, 256, 2};
        case 9: return {44100, 320, 2};
        default: return {44100, 128, 2};
    }
}

TMp3FileWriter::TMp3FileWriter(const std::string& path, const TMp3Settings& settings)
    : path_(path), settings_(settings) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw EAudioEncoderError("Cannot create \"" + path + "\": " + std::strerror(errno));
}

TMp3FileWriter::~TMp3FileWriter() {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close reports.
    }
    if (lame_) lame_close(lame_);
    if (file_) std::fclose(file_);
}

void TMp3FileWriter::Start(int rate, int channels) {
    if (rate <= 0 || (channels != 1 && channels != 2))
        throw EAudioEncoderError("Cannot encode sound of " + std::to_string(channels) + " channels at " +
                                 std::to_string(rate) + " Hz");
    lame_ = lame_init();
    if (!lame_) throw EAudioEncoderError("Cannot start the MP3 encoder");
    lame_set_in_samplerate(lame_, rate);
    lame_set_num_channels(lame_, channels);
    lame_set_out_samplerate(lame_, settings_.SampleRate);
    lame_set_brate(lame_, settings_.Bitrate);
    lame_set_VBR(lame_, vbr_off);
    lame_set_mode(lame_, settings_.Mode == 2 && channels == 2 ? JOINT_STEREO : MONO);
    lame_set_bWriteVbrTag(lame_, 0);
    lame_set_write_id3tag_automatic(lame_, 0);
    if (lame_init_params(lame_) < 0)
        throw EAudioEncoderError("The MP3 encoder refuses " + std::to_string(settings_.SampleRate) + " Hz at " +
                                 std::to_string(settings_.Bitrate) + " kbit/s");
    inputRate_ = rate;
    inputChannels_ = channels;
}

void TMp3FileWriter::Write(const std::int16_t* samples, std::size_t sampleFrames, int rate, int channels) {
    if (!file_) throw EAudioEncoderError("The MP3 file \"" + path_ + "\" is closed");
    if (!lame_) Start(rate, channels);
    if (rate != inputRate_ || channels != inputChannels_)
        throw EAudioEncoderError("A sound block changes the layout of the MP3 encoder's input");
    constexpr std::size_t kChunk = 1 << 16;  // sample frames per encoder call
    for (std::size_t done = 0; done < sampleFrames;) {
        const std::size_t count = std::min(kChunk, sampleFrames - done);
        buffer_.resize(count * 5 / 4 + 7200);  // LAME's worst case
        short* pcm = const_cast<short*>(samples + done * channels);
        const int n = static_cast<int>(count);
        const int size = static_cast<int>(buffer_.size());
        const int encoded = channels == 2 ? lame_encode_buffer_interleaved(lame_, pcm, n, buffer_.data(), size)
                                          : lame_encode_buffer(lame_, pcm, nullptr, n, buffer_.data(), size);
        if (encoded < 0) throw EAudioEncoderError("The MP3 encoder failed (" + std::to_string(encoded) + ")");
        Put(buffer_.data(), static_cast<std::size_t>(encoded));
        done += count;
    }
}

void TMp3FileWriter::Close() {
    if (!file_) return;
    bool written = true;
    if (lame_) {
        buffer_.resize(7200);
        const int flushed = lame_encode_flush(lame_, buffer_.data(), static_cast<int>(buffer_.size()));
        if (flushed > 0) written = std::fwrite(buffer_.data(), 1, flushed, file_) == static_cast<std::size_t>(flushed);
    }
    written = std::fclose(file_) == 0 && written;
    file_ = nullptr;
    if (!written) throw EAudioEncoderError("Cannot write \"" + path_ + "\"");
}

void TMp3FileWriter::Put(const std::uint8_t* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, file_) != size)
        throw EAudioEncoderError("Cannot write \"" + path_ + "\": " + std::strerror(errno));
}

}  // namespace pellicor
