#include "media/ffmpeg_support.h"

#include <algorithm>
#include <mutex>

#include "media/media_error.h"

namespace pellicor::ffmpeg {

FramePtr NewFrame() {
    FramePtr frame(av_frame_alloc());
    if (!frame) throw std::bad_alloc();
    return frame;
}

PacketPtr NewPacket() {
    PacketPtr packet(av_packet_alloc());
    if (!packet) throw std::bad_alloc();
    return packet;
}

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

FormatPtr OpenContainer(const std::string& path) {
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (result < 0) {
        throw EMediaError("cannot open \"" + path + "\": " + ErrorText(result));
    }
    FormatPtr format(raw);
    result = avformat_find_stream_info(format.get(), nullptr);
    if (result < 0) {
        throw EMediaError("cannot read the streams of \"" + path + "\": " + ErrorText(result));
    }
    return format;
}

int FindStream(const AVFormatContext& format, AVMediaType type) {
    int found = -1;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream& stream = *format.streams[i];
        if (stream.codecpar->codec_type != type) continue;
        if (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) continue;
        if (type == AVMEDIA_TYPE_VIDEO &&
            (stream.codecpar->width <= 0 || stream.codecpar->height <= 0)) {
            continue;
        }
        if (type == AVMEDIA_TYPE_AUDIO && stream.codecpar->sample_rate <= 0) continue;
        if (found < 0 || (stream.disposition & AV_DISPOSITION_DEFAULT &&
                          !(format.streams[found]->disposition & AV_DISPOSITION_DEFAULT))) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

CodecPtr OpenDecoder(const AVStream& stream, int threads) {
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!decoder) return nullptr;
    CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec) throw std::bad_alloc();
    if (avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0) return nullptr;
    codec->pkt_timebase = stream.time_base;
    codec->thread_count = std::max(threads, 0);
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return nullptr;
    return codec;
}

bool IsFullRange(const AVFrame& frame) {
    const auto format = static_cast<AVPixelFormat>(frame.format);
    return frame.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
           format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P;
}

AVRational VideoFrameRate(const AVStream& stream) {
    for (AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate}) {
        // Rates beyond 1000 fps are timestamp units rather than frame rates.
        if (rate.num > 0 && rate.den > 0 && av_q2d(rate) <= 1000.0) return rate;
    }
    return AVRational{25, 1};
}

PcmLayout DeliveredPcm(const AVCodecParameters& parameters) {
    PcmLayout layout;
    layout.rate = parameters.sample_rate;
    layout.channels = std::clamp(parameters.ch_layout.nb_channels, 1, 2);
    const auto format = static_cast<AVSampleFormat>(parameters.format);
    layout.bits = (format == AV_SAMPLE_FMT_U8 || format == AV_SAMPLE_FMT_U8P) ? 8 : 16;
    return layout;
}

AVSampleFormat PcmSampleFormat(int bits) {
    return bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

AVChannelLayout PcmChannelLayout(int channels) {
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    return layout;
}

}  // namespace pellicor::ffmpeg
