// A movie with a real MP3 stream sound (made with LAME), checked with libavformat's SWF
// demuxer and the MP3 decoder of libavcodec.

#include <gtest/gtest.h>

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
#include "swf/bitmap_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/shape_tags.h"
#include "swf/movie_stream.h"
#include "swf/sound_tags.h"
#include "swf/tag_factory.h"
#include "swf_test_support.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;

constexpr int kSampleRate = 44100;
constexpr int kSamplesPerMp3Frame = 1152;
constexpr int kFrameRate = 12;
constexpr int kSamplesPerMovieFrame = kSampleRate / kFrameRate;  // 3675

// A 440 Hz tone of the given length, 44100 Hz mono, through LAME at 64 kbit/s (no Xing frame).
Bytes EncodeTone(double seconds) {
    std::unique_ptr<lame_global_flags, decltype(&lame_close)> lame(lame_init(), &lame_close);
    if (!lame) return {};
    lame_set_in_samplerate(lame.get(), kSampleRate);
    lame_set_out_samplerate(lame.get(), kSampleRate);
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_brate(lame.get(), 64);
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0) return {};

    std::vector<short> pcm(static_cast<std::size_t>(seconds * kSampleRate));
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<short>(12000 * std::sin(2 * std::numbers::pi * 440.0 * i / kSampleRate));
    Bytes mp3(pcm.size() * 5 / 4 + 7200 + 7200);
    const int encoded =
        lame_encode_buffer(lame.get(), pcm.data(), pcm.data(), static_cast<int>(pcm.size()), mp3.data(),
                           static_cast<int>(mp3.size()));
    if (encoded < 0) return {};
    const int flushed = lame_encode_flush(lame.get(), mp3.data() + encoded, static_cast<int>(mp3.size()) - encoded);
    if (flushed < 0) return {};
    mp3.resize(static_cast<std::size_t>(encoded + flushed));
    return mp3;
}

// Splits MPEG-1 Layer III data into whole frames.
std::vector<Bytes> SplitFrames(const Bytes& mp3) {
    static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    std::vector<Bytes> frames;
    std::size_t pos = 0;
    while (pos + 4 <= mp3.size()) {
        const std::uint8_t* h = &mp3[pos];
        if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) break;  // MPEG-1 Layer III sync
        const int bitrate = kBitrates[h[2] >> 4] * 1000, rate = kRates[(h[2] >> 2) & 3];
        if (bitrate == 0 || rate == 0) break;
        const std::size_t length = 144 * bitrate / rate + ((h[2] >> 1) & 1);
        if (pos + length > mp3.size()) break;
        frames.emplace_back(mp3.begin() + static_cast<std::ptrdiff_t>(pos),
                            mp3.begin() + static_cast<std::ptrdiff_t>(pos + length));
        pos += length;
    }
    return frames;
}

struct TDecoded {
    int Channels = 0;
    int SampleRate = 0;
    std::vector<float> Samples;  // first channel
};

// Opens the file with libavformat, expects one audio stream and decodes all of it.
TDecoded DecodeWithLibav(const std::string& fileName) {
    TDecoded result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, fileName.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "libavformat cannot open the movie";
        return result;
    }
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closeFormat(&format, avformat_close_input);
    EXPECT_STREQ(format->iformat->name, "swf");
    if (avformat_find_stream_info(format, nullptr) < 0) ADD_FAILURE() << "no stream information";
    const int streamIndex = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex < 0) {
        ADD_FAILURE() << "no audio stream";
        return result;
    }
    const AVCodecParameters* parameters = format->streams[streamIndex]->codecpar;
    EXPECT_EQ(parameters->codec_id, AV_CODEC_ID_MP3);
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) {
        ADD_FAILURE() << "no MP3 decoder";
        return result;
    }
    std::unique_ptr<AVCodecContext, void (*)(AVCodecContext*)> decoder(
        avcodec_alloc_context3(codec), [](AVCodecContext* c) { avcodec_free_context(&c); });
    avcodec_parameters_to_context(decoder.get(), parameters);
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        ADD_FAILURE() << "cannot open the MP3 decoder";
        return result;
    }
    std::unique_ptr<AVPacket, void (*)(AVPacket*)> packet(av_packet_alloc(), [](AVPacket* p) { av_packet_free(&p); });
    std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            result.Channels = frame->ch_layout.nb_channels;
            result.SampleRate = frame->sample_rate;
            const auto fmt = static_cast<AVSampleFormat>(frame->format);
            for (int i = 0; i < frame->nb_samples; ++i) {
                if (fmt == AV_SAMPLE_FMT_FLTP || fmt == AV_SAMPLE_FMT_FLT) {
                    const int step = fmt == AV_SAMPLE_FMT_FLT ? result.Channels : 1;
                    result.Samples.push_back(reinterpret_cast<const float*>(frame->data[0])[i * step]);
                } else if (fmt == AV_SAMPLE_FMT_S16P || fmt == AV_SAMPLE_FMT_S16) {
                    const int step = fmt == AV_SAMPLE_FMT_S16 ? result.Channels : 1;
                    result.Samples.push_back(reinterpret_cast<const std::int16_t*>(frame->data[0])[i * step] / 32768.0f);
                }
            }
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex && avcodec_send_packet(decoder.get(), packet.get()) == 0) drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return result;
}

// The sizes of the pictures libavformat finds in the file; it must also see exactly one video
// and one audio stream.
std::vector<std::pair<int, int>> DecodedPictureSizes(const std::string& fileName) {
    std::vector<std::pair<int, int>> sizes;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, fileName.c_str(), nullptr, nullptr) < 0) return sizes;
    avformat_find_stream_info(format, nullptr);
    int video = 0, audio = 0;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        video += format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        audio += format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    }
    EXPECT_EQ(video, 1);
    EXPECT_EQ(audio, 1);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    while (av_read_frame(format, packet) >= 0) {
        if (format->streams[packet->stream_index]->codecpar->codec_id == AV_CODEC_ID_MJPEG) {
            AVCodecContext* decoder = avcodec_alloc_context3(codec);
            if (avcodec_open2(decoder, codec, nullptr) == 0 && avcodec_send_packet(decoder, packet) == 0 &&
                avcodec_receive_frame(decoder, frame) == 0)
                sizes.emplace_back(frame->width, frame->height);
            avcodec_free_context(&decoder);
        }
        av_packet_unref(packet);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return sizes;
}

TEST(SWFSoundStreamMovie, LameFramesInStreamBlocksDecodeWithLibav) {
    const Bytes mp3 = EncodeTone(1.0);
    const std::vector<Bytes> mp3Frames = SplitFrames(mp3);
    ASSERT_GE(mp3Frames.size(), 38u) << "LAME gave " << mp3.size() << " bytes";

    // A 200 x 150 pixel stage at 12 frames per second.
    TBasedSWFStream movie(false, TRect{0, 0, 4000, 3000}, kFrameRate);
    movie.WriteHeader();
    TSWFSetBackgroundColor background;
    background.Color.SetRGB(0xFFFFFF);
    movie.WriteObject(background);

    // The first frame also shows a real JPEG through a rectangle filled with it.
    const Bytes jpeg = test_support::EncodeJpeg(200, 150, false);
    TSWFDefineBitsJPEG2 bitmap;
    bitmap.CharacterID = 1;
    bitmap.SetData(jpeg.data(), jpeg.size());
    movie.WriteObject(bitmap);
    TSWFDefineShape2 shape;
    shape.ShapeID = 2;
    shape.ShapeBounds = TSWFRect(0, 4000, 0, 3000);
    TSWFMatrix fit;
    fit.SetScale(20.0 + 15.0 / 4096, 20.0 + 15.0 / 4096);
    fit.SetTranslate(-5, -5);
    shape.AddImageFill(bitmap.CharacterID, fit);
    auto& start = shape.AddStyleChange();
    start.SetMoveTo(0, 0);
    start.SetFillStyle1(1);
    shape.AddStraightEdge(4000, 0);
    shape.AddStraightEdge(0, 3000);
    shape.AddStraightEdge(-4000, 0);
    shape.AddStraightEdge(0, -3000);
    shape.AddEndRecord();
    movie.WriteObject(shape);
    TSWFPlaceObject2 place;
    place.SetCharacterID(shape.ShapeID);
    place.Depth = 1;
    movie.WriteObject(place);

    TSWFSoundStreamHead2 head;
    head.PlaybackSoundRate = sndRate44k;
    head.PlaybackSoundSize = 1;
    head.StreamSoundCompression = sndMP3;
    head.StreamSoundRate = sndRate44k;
    head.StreamSoundSize = 1;
    head.StreamSoundSampleCount = kSamplesPerMovieFrame;
    movie.WriteObject(head);

    // One block per movie frame: as many whole MP3 frames as the frame's samples reach, with
    // the seek carrying the difference to the next block.
    std::size_t consumed = 0;
    int delivered = 0, movieFrames = 0;
    TSWFShowFrame showFrame;
    while (consumed < mp3Frames.size()) {
        const int seek = movieFrames == 0 ? 0 : movieFrames * kSamplesPerMovieFrame - delivered;
        std::size_t count = std::abs(seek) > kSamplesPerMp3Frame
            ? 0 : static_cast<std::size_t>((seek + kSamplesPerMovieFrame) / kSamplesPerMp3Frame);
        count = std::min(count, mp3Frames.size() - consumed);
        TSWFSoundStreamBlock block;
        block.StreamSoundCompression = head.StreamSoundCompression;
        block.SampleCount = static_cast<std::uint16_t>(count * kSamplesPerMp3Frame);
        block.SeekSamples = static_cast<std::int16_t>(count ? seek : 0);
        Bytes data;
        for (std::size_t i = 0; i < count; ++i)
            data.insert(data.end(), mp3Frames[consumed + i].begin(), mp3Frames[consumed + i].end());
        const auto dataLength = static_cast<std::uint32_t>(data.size());
        block.SetData(std::move(data));
        if (count > 0) {
            // The stream sound's own header gives the same tag as the class.
            const Bytes header = test::WrittenBytes([&](TBitsEngine& e) {
                WriteSoundStreamBlockHeader(e, dataLength + 4, true);
            });
            const Bytes tag = test::TagBytes(block);
            ASSERT_EQ(Bytes(tag.begin(), tag.begin() + 6), header);
        }
        movie.WriteObject(block);
        movie.WriteObject(showFrame);
        consumed += count;
        delivered += block.SampleCount;
        ++movieFrames;
    }
    movie.WriteEndTag(nullptr);
    ASSERT_EQ(movie.FramesWritten(), movieFrames);
    EXPECT_EQ(movie.Version(), 5);  // MP3 stream sound needs 4
    movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), kFrameRate,
                      static_cast<std::uint16_t>(movieFrames));
    const auto& file = dynamic_cast<TMemoryStream&>(movie.Stream());
    const std::string fileName = test_support::TestTempDir() + "pellicor_sound_stream_test.swf";
    file.SaveToFile(fileName);

    // Our own tag reader walks the same file: every block holds whole MP3 frames.
    {
        TMemoryStream stream(file.Bytes());
        TBitsEngine reader(stream);
        const TSWFHeader header = ReadSWFHeader(reader);
        EXPECT_EQ(header.FrameCount, movieFrames);
        EXPECT_EQ(header.FileLength, file.Size());
        int blocks = 0;
        std::size_t frameBytes = 0;
        for (;;) {
            auto tag = ReadSWFTag(reader);
            if (tag->TagID() == tagEnd) break;
            if (auto* block = dynamic_cast<TSWFSoundStreamBlock*>(tag.get())) {
                ++blocks;
                frameBytes += static_cast<std::size_t>(block->DataSize()) - 4;  // read without the head's format
            }
        }
        EXPECT_EQ(blocks, movieFrames);
        EXPECT_EQ(frameBytes, mp3.size());
        EXPECT_EQ(reader.BytesLeft(), 0u);
    }

    EXPECT_EQ(DecodedPictureSizes(fileName), (std::vector<std::pair<int, int>>{{200, 150}}));
    const TDecoded decoded = DecodeWithLibav(fileName);
    std::remove(fileName.c_str());
    EXPECT_EQ(decoded.Channels, 1);
    EXPECT_EQ(decoded.SampleRate, kSampleRate);
    // Every MP3 frame decodes to 1152 samples.
    EXPECT_GE(decoded.Samples.size(), mp3Frames.size() * kSamplesPerMp3Frame - kSamplesPerMp3Frame);
    ASSERT_GT(decoded.Samples.size(), 30000u);

    // The decoded sound is the tone: about 880 zero crossings per second, clearly audible.
    const std::size_t from = 5000, to = 30000;  // past the encoder delay, before the end
    int crossings = 0;
    float peak = 0;
    for (std::size_t i = from + 1; i < to; ++i) {
        if ((decoded.Samples[i - 1] < 0) != (decoded.Samples[i] < 0)) ++crossings;
        peak = std::max(peak, std::fabs(decoded.Samples[i]));
    }
    const double seconds = static_cast<double>(to - from) / kSampleRate;
    EXPECT_NEAR(crossings / seconds, 880.0, 20.0);
    EXPECT_GT(peak, 0.2f);
}

}  // namespace
}  // namespace pellicor
