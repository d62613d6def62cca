#pragma once

// Helpers for the conversion engine tests: a context filled from a fixture as a new task
// would fill it, a progress that records what the engine reports, the converted file read
// back tag by tag, and the same file read and decoded by libavformat/libavcodec.

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/convert_task.h"
#include "media/bitmap.h"
#include "media_fixtures.h"
#include "settings/cov_settings.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"

namespace pellicor::engine_test {

using Bytes = std::vector<std::uint8_t>;
using testing::Fixture;

// Records the stages (first log lines), the messages and the pumps; onPump may stop the run.
class TRecordingProgress : public TProgress {
public:
    std::vector<std::string> stages;
    std::vector<std::string> logLines;
    std::vector<std::string> messages;
    int pumps = 0;
    std::function<void(TRecordingProgress&)> onPump;

    void Pump() override {
        ++pumps;
        if (onPump) onPump(*this);
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }

protected:
    void LogChanged() override {
        if (Log().empty()) return;
        logLines.push_back(Log().back());
        if (Log().size() == 1) stages.push_back(Log().front());
    }
};

// The context of a new task for `source` (default settings: every frame at the source's
// rounded rate, stage = frame size, Flash MX, quality 75, white background, no actions),
// written uncompressed to `dest`. False when the probe refuses the source.
inline bool FillContext(const std::string& source, const std::string& dest, TPassSettings& context) {
    TCovSettings task;
    if (!InitTaskSettings(source, task, kInitProbe)) return false;
    const TSourceInfo& info = task.sourceInfo;
    const bool video = info.vExists != 0 && info.vSupported != 0;
    context.isGif = video && info.srcFileFormat == "Animated GIF";
    context.isVideo = video && !context.isGif;
    context.isAudio = false;
    context.srcPath = source;
    context.destPath = dest;
    context.resX = context.destWidth = context.destRegionWidth = info.resX;
    context.resY = context.destHeight = context.destRegionHeight = info.resY;
    context.srcFrameRate = info.vFreq;
    context.destFrameRate = task.destFrameRate;
    context.startIndex = task.destStartFrame - 1;
    context.endIndex = task.destEndFrame - 1;
    context.destFrameQuality = task.destFrameQuality;
    context.destFlashFormat = task.destFlashFormat;
    context.destIsFlashCompressed = false;
    context.destFlashBackgroundColor = task.destFlashBackgroundColor;
    context.destFlashPassword = task.destFlashPassword;
    context.effects = task.effects;
    context.destFlashEndRepeatTimes = task.destFlashEndRepeatTimes;
    context.destFlashStartWaitSeconds = task.destFlashStartWaitSeconds;
    context.destFlashEndOpenLinkURL = context.destFlashClickOpenLinkURL = task.destFlashEndOpenLinkURL;
    return true;
}

// Runs ConvertTask with Converting set, as a front end does.
inline bool Convert(TPassSettings& context, TProgress* progress = nullptr) {
    Converting = true;
    Paused = false;
    const bool result = ConvertTask(context, progress);
    Converting = false;
    return result;
}

// ---- the file read back ----

struct TSwfTag {
    std::uint16_t code = 0;
    Bytes body;
};

struct TSwfFile {
    bool compressed = false;
    std::uint8_t version = 0;
    std::uint32_t headerLength = 0;  // the length field of the header
    std::uint64_t fileSize = 0;      // bytes on disk
    std::uint64_t uncompressedSize = 0;
    TSWFHeader header;
    std::vector<TSwfTag> tags;
    bool endsAtEndTag = false;  // the End tag is the last tag and ends the data exactly

    int ShowFrames() const {
        int count = 0;
        for (const TSwfTag& tag : tags) count += tag.code == 1 ? 1 : 0;
        return count;
    }
    int Count(std::uint16_t code) const {
        int count = 0;
        for (const TSwfTag& tag : tags) count += tag.code == code ? 1 : 0;
        return count;
    }
    // Tags of one frame (0-based), ShowFrame excluded.
    std::vector<const TSwfTag*> Frame(int index) const {
        std::vector<const TSwfTag*> frame;
        int at = 0;
        for (const TSwfTag& tag : tags) {
            if (tag.code == 1) {
                if (at++ == index) return frame;
                frame.clear();
            } else {
                frame.push_back(&tag);
            }
        }
        return frame;
    }
    const TSwfTag* FirstIn(int frame, std::uint16_t code) const {
        for (const TSwfTag* tag : Frame(frame))
            if (tag->code == code) return tag;
        return nullptr;
    }
};

// The file, decompressed when it is "CWS", its header read and its tags walked with every
// length checked against the data.
inline TSwfFile ReadSwf(const std::string& path) {
    TSwfFile file;
    TMemoryStream raw;
    raw.LoadFromFile(path);
    file.fileSize = raw.Size();
    if (raw.Size() < 8) {
        ADD_FAILURE() << path << " is shorter than an SWF header";
        return file;
    }
    file.compressed = raw.Bytes()[0] == 'C';
    file.version = raw.Bytes()[3];
    std::memcpy(&file.headerLength, raw.Bytes().data() + 4, 4);
    TMemoryStream plain;
    raw.Seek(0);
    DecompressSWF(raw, plain);
    file.uncompressedSize = plain.Size();
    plain.Seek(0);
    TBitsEngine engine(plain);
    file.header = ReadSWFHeader(engine);
    const Bytes& data = plain.Bytes();
    std::size_t at = file.header.HeaderSize;
    while (at + 2 <= data.size()) {
        const std::uint16_t word = static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
        at += 2;
        std::uint32_t length = word & 63;
        if (length == 63) {
            if (at + 4 > data.size()) break;
            std::memcpy(&length, data.data() + at, 4);
            at += 4;
        }
        if (length > data.size() - at) {
            ADD_FAILURE() << "tag " << (word >> 6) << " runs past the end of " << path;
            return file;
        }
        file.tags.push_back({static_cast<std::uint16_t>(word >> 6), Bytes(data.begin() + at, data.begin() + at + length)});
        at += length;
        if (file.tags.back().code == 0) {
            file.endsAtEndTag = at == data.size();
            break;
        }
    }
    return file;
}

// Header length and frame count agree with the file, the tags end with End exactly at the
// end of the data.
inline void ExpectWellFormed(const TSwfFile& file) {
    EXPECT_EQ(file.headerLength, file.uncompressedSize);
    if (!file.compressed) {
        EXPECT_EQ(file.fileSize, file.uncompressedSize);
    }
    EXPECT_EQ(file.header.FrameCount, file.ShowFrames());
    EXPECT_TRUE(file.endsAtEndTag);
}

// ---- the file read by libavformat ----

struct TDecodedMovie {
    int packets = 0;   // video packets of the SWF (every DefineBitsJPEG2)
    int decoded = 0;   // packets that decoded to a picture
    int width = 0, height = 0;  // of the last picture
    AVRational rate{0, 1};
    std::vector<TBitmap> pictures;  // RGB24, in file order
};

// Reads the first video stream with libavformat and decodes every packet. An SWF file that
// is compressed is inflated first into `scratch`: FFmpeg's SWF demuxer loses the end of a
// zlib stream, so compressed files are checked through their uncompressed form.
inline TDecodedMovie DecodeWithLibav(const std::string& path, const std::string& scratch = {}) {
    TDecodedMovie movie;
    std::string input = path;
    {
        TMemoryStream raw;
        raw.LoadFromFile(path);
        if (raw.Size() >= 3 && std::memcmp(raw.Bytes().data(), "CWS", 3) == 0) {
            TMemoryStream plain;
            DecompressSWF(raw, plain);
            input = scratch.empty() ? path + ".fws" : scratch;
            plain.SaveToFile(input);
        }
    }
    av_log_set_level(AV_LOG_FATAL);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, input.c_str(), nullptr, nullptr) != 0) {
        ADD_FAILURE() << "libavformat cannot open " << path;
        return movie;
    }
    avformat_find_stream_info(format, nullptr);
    const int streamIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (streamIndex < 0) {
        avformat_close_input(&format);
        return movie;
    }
    AVStream* stream = format->streams[streamIndex];
    movie.rate = stream->r_frame_rate;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, stream->codecpar);
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto take = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            ++movie.decoded;
            movie.width = frame->width;
            movie.height = frame->height;
            TBitmap picture(frame->width, frame->height);
            // Converted through an aligned buffer of libav's own: the scaler may write past
            // the end of an unpadded row.
            std::uint8_t* planes[4] = {};
            int strides[4] = {};
            av_image_alloc(planes, strides, frame->width, frame->height, AV_PIX_FMT_RGB24, 64);
            SwsContext* scale = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                               frame->width, frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr,
                                               nullptr, nullptr);
            sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scale);
            for (int y = 0; y < frame->height; ++y)
                std::memcpy(picture.row(y), planes[0] + static_cast<std::ptrdiff_t>(y) * strides[0], picture.stride());
            av_freep(&planes[0]);
            movie.pictures.push_back(std::move(picture));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == streamIndex) {
            ++movie.packets;
            if (avcodec_send_packet(decoder, packet) == 0) take();
        }
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    take();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    if (input != path) std::filesystem::remove(input);
    return movie;
}

// Mean of one channel (0 red, 1 green, 2 blue) over a rectangle of the picture.
inline double MeanChannel(const TBitmap& picture, int channel, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    if (x1 < 0) x1 = picture.width;
    if (y1 < 0) y1 = picture.height;
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += picture.at(x, y)[channel];
    return sum / std::max(1, (x1 - x0) * (y1 - y0));
}

// Mean absolute difference of two pictures of the same size (all channels).
inline double MeanDifference(const TBitmap& a, const TBitmap& b) {
    if (a.width != b.width || a.height != b.height) return 255;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
    return sum / static_cast<double>(std::max<std::size_t>(a.pixels.size(), 1));
}

}  // namespace pellicor::engine_test
