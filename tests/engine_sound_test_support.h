#pragma once

// Sound of written movies, for the engine tests: libavformat opens the movie and decodes its
// audio stream; the strongest tone in it; 440 Hz tone sources as wave and MP3 bytes.

#include <gtest/gtest.h>

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "movie_reader_test_support.h"

namespace pellicor::sound_test {

struct TDecoded {
    bool HasAudio = false;
    AVCodecID Codec = AV_CODEC_ID_NONE;
    int SampleRate = 0;  // of the stream, as the SWF head announces it
    std::vector<float> Samples;  // first channel

    double Seconds() const { return SampleRate ? static_cast<double>(Samples.size()) / SampleRate : 0; }
};

inline float SampleAt(const AVFrame& frame, int index) {
    switch (frame.format) {
        case AV_SAMPLE_FMT_U8: return (frame.data[0][index * frame.ch_layout.nb_channels] - 128) / 128.0f;
        case AV_SAMPLE_FMT_S16: return reinterpret_cast<const std::int16_t*>(frame.data[0])[index * frame.ch_layout.nb_channels] / 32768.0f;
        case AV_SAMPLE_FMT_S16P: return reinterpret_cast<const std::int16_t*>(frame.data[0])[index] / 32768.0f;
        case AV_SAMPLE_FMT_FLT: return reinterpret_cast<const float*>(frame.data[0])[index * frame.ch_layout.nb_channels];
        case AV_SAMPLE_FMT_FLTP: return reinterpret_cast<const float*>(frame.data[0])[index];
        default: ADD_FAILURE() << "sample format " << frame.format; return 0;
    }
}

// Opens the movie with libavformat (its SWF demuxer) and decodes its audio stream, if any.
inline TDecoded DecodeMovieSound(const std::string& path) {
    TDecoded result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return result;
    }
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closeFormat(&format, avformat_close_input);
    EXPECT_STREQ(format->iformat->name, "swf");
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) return result;
    result.HasAudio = true;
    const AVCodecParameters* parameters = format->streams[index]->codecpar;
    result.Codec = parameters->codec_id;
    result.SampleRate = parameters->sample_rate;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        ADD_FAILURE() << "no decoder for codec " << parameters->codec_id;
        return result;
    }
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> decoder(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(decoder.get(), parameters);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        ADD_FAILURE() << "cannot open the decoder";
        return result;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame) == 0) {
            EXPECT_EQ(frame->sample_rate, result.SampleRate) << "decoded rate differs from the head's";
            for (int i = 0; i < frame->nb_samples; ++i) result.Samples.push_back(SampleAt(*frame, i));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet) == 0) drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    return result;
}

// The strongest frequency (Hz, 2 Hz steps from 100 to 2000) in up to a second of the middle
// of the sound, and the sound's RMS level there.
struct TTone {
    double Frequency = 0;
    double Level = 0;
};

inline TTone MeasureTone(const TDecoded& sound) {
    TTone tone;
    const std::size_t length = std::min<std::size_t>(sound.Samples.size() / 2, sound.SampleRate);
    if (length == 0) return tone;
    const std::size_t from = (sound.Samples.size() - length) / 2;
    double energy = 0;
    for (std::size_t i = 0; i < length; ++i) energy += sound.Samples[from + i] * sound.Samples[from + i];
    tone.Level = std::sqrt(energy / length);
    double best = -1;
    for (double f = 100; f <= 2000; f += 2) {  // Goertzel
        const double coefficient = 2 * std::cos(2 * std::numbers::pi * f / sound.SampleRate);
        double s1 = 0, s2 = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const double s0 = sound.Samples[from + i] + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
        if (power > best) {
            best = power;
            tone.Frequency = f;
        }
    }
    return tone;
}

// A 16-bit PCM wave file of a 440 Hz tone.
inline std::vector<std::uint8_t> ToneWave(int rate, int channels, double seconds) {
    std::vector<std::uint8_t> data;
    const int samples = static_cast<int>(rate * seconds);
    for (int i = 0; i < samples; ++i)
        for (int c = 0; c < channels; ++c)
            test_support::Put16(data, static_cast<std::uint16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 440.0 * i / rate))));
    return test_support::Wave(1, static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate), 16, data);
}

// A 440 Hz tone through LAME (mono, 64 kbit/s), with or without a Xing/Info frame.
inline std::vector<std::uint8_t> ToneMp3(int rate, double seconds) {
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, 1);
    lame_set_mode(lame, MONO);
    lame_set_brate(lame, 64);
    lame_set_bWriteVbrTag(lame, 0);
    lame_init_params(lame);
    std::vector<short> pcm(static_cast<std::size_t>(rate * seconds));
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<short>(8000 * std::sin(2 * std::numbers::pi * 440.0 * i / rate));
    std::vector<std::uint8_t> mp3(pcm.size() * 5 / 4 + 14400);
    int length = lame_encode_buffer(lame, pcm.data(), nullptr, static_cast<int>(pcm.size()), mp3.data(), static_cast<int>(mp3.size()));
    length += lame_encode_flush(lame, mp3.data() + length, static_cast<int>(mp3.size()) - length);
    lame_close(lame);
    mp3.resize(static_cast<std::size_t>(length));
    return mp3;
}

}  // namespace pellicor::sound_test
