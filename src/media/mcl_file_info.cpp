#include "media/mcl_file_info.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <system_error>

#include "media/ffmpeg_support.h"
#include "media/media_error.h"
#include "media/source_info.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

constexpr int kProgressEveryPackets = 256;
constexpr int kReadFailureLimit = 256;

std::string CodecName(AVCodecID id) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id);
    if (!descriptor) return "";
    return descriptor->long_name ? descriptor->long_name : descriptor->name;
}

std::int32_t ClampToInt32(double value) {
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(RoundHalfEven(std::clamp(value, 0.0, high)));
}

std::int32_t Kibibytes(std::int64_t bytes) {
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(bytes / 1024, std::numeric_limits<std::int32_t>::max()));
}

// What one pass over every packet of the file finds.
struct TPacketCensus {
    std::int64_t videoPackets = 0;
    std::int64_t videoBytes = 0;
    std::int64_t videoFirst = std::numeric_limits<std::int64_t>::max();  // video time base
    std::int64_t videoLast = std::numeric_limits<std::int64_t>::min();
    std::int64_t audioBytes = 0;
    std::int64_t audioFirst = std::numeric_limits<std::int64_t>::max();  // audio time base
    std::int64_t audioEnd = std::numeric_limits<std::int64_t>::min();
};

TPacketCensus TakeCensus(AVFormatContext& format, int video, int audio, std::int64_t fileSize,
                         const TMclProgressCallback& progress) {
    TPacketCensus census;
    TMclProgress state;
    state.total = fileSize > 0 ? Kibibytes(fileSize) : -1;
    ffmpeg::PacketPtr packet = ffmpeg::NewPacket();
    int failures = 0;
    for (std::int64_t count = 0;; ++count) {
        const int read = av_read_frame(&format, packet.get());
        if (read == AVERROR_EOF || (read < 0 && (avio_feof(format.pb) || ++failures > kReadFailureLimit))) {
            break;
        }
        if (read < 0) continue;
        failures = 0;
        if (packet->flags & AV_PKT_FLAG_DISCARD) {
            // cut away by an edit list: never shown
        } else if (packet->stream_index == video) {
            ++census.videoPackets;
            census.videoBytes += packet->size;
            if (packet->pts != AV_NOPTS_VALUE) {
                census.videoFirst = std::min(census.videoFirst, packet->pts);
                census.videoLast = std::max(census.videoLast, packet->pts);
            }
        } else if (packet->stream_index == audio) {
            census.audioBytes += packet->size;
            if (packet->pts != AV_NOPTS_VALUE) {
                census.audioFirst = std::min(census.audioFirst, packet->pts);
                census.audioEnd = std::max(census.audioEnd, packet->pts + std::max<std::int64_t>(packet->duration, 0));
            }
        }
        av_packet_unref(packet.get());
        if (progress && count % kProgressEveryPackets == 0) {
            state.position = Kibibytes(std::max<std::int64_t>(avio_tell(format.pb), 0));
            progress(state);
        }
    }
    if (progress) {
        state.position = state.total > 0 ? state.total : 1;
        state.finished = true;
        progress(state);
    }
    return census;
}

}  // namespace

void MclGetFileInfo(const std::string& path, TMclFileInfo& info,
                    const TMclProgressCallback& progress) {
    info = TMclFileInfo{};
    ffmpeg::FormatPtr format = ffmpeg::OpenContainer(path);
    info.fName = path;
    const AVInputFormat& container = *format->iformat;
    info.fFmtName = container.long_name ? container.long_name : container.name;
    std::error_code error;
    const auto fileSize = std::filesystem::file_size(path, error);
    const std::int64_t size = error ? avio_size(format->pb) : static_cast<std::int64_t>(fileSize);
    info.fSize = static_cast<double>(std::max<std::int64_t>(size, 0));

    const int video = ffmpeg::FindStream(*format, AVMEDIA_TYPE_VIDEO);
    const int audio = ffmpeg::FindStream(*format, AVMEDIA_TYPE_AUDIO);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const bool used = static_cast<int>(i) == video || static_cast<int>(i) == audio;
        format->streams[i]->discard = used ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }

    if (video >= 0) {
        const AVStream& stream = *format->streams[video];
        info.vExists = kTrue32;
        info.vSupported = ffmpeg::OpenDecoder(stream) ? kTrue32 : 0;
        info.vCodec = stream.codecpar->codec_id;
        info.vFmtName = CodecName(stream.codecpar->codec_id);
        info.vFreq = av_q2d(ffmpeg::VideoFrameRate(stream));
        info.resX = stream.codecpar->width;
        info.resY = stream.codecpar->height;
        info.resB = 1;
        info.bpp = 24;
    }
    if (audio >= 0) {
        const AVStream& stream = *format->streams[audio];
        const ffmpeg::PcmLayout pcm = ffmpeg::DeliveredPcm(*stream.codecpar);
        info.aExists = kTrue32;
        info.aSupported = ffmpeg::OpenDecoder(stream) ? kTrue32 : 0;
        info.aCodec = stream.codecpar->codec_id;
        info.aFmtName = CodecName(stream.codecpar->codec_id);
        info.aFreq = pcm.rate;
        info.aChannels = pcm.channels;
        info.aBitsChn = pcm.bits;
        info.aSampleSize = pcm.channels * pcm.bits / 8;
    }

    const TPacketCensus census = TakeCensus(*format, video, audio, size, progress);
    if (video >= 0) {
        const AVStream& stream = *format->streams[video];
        // Frames are frame times from the first picture to the last, as the reader counts
        // them (a picture held for three frame times counts three); without timestamps, or
        // with timestamps that make no sense, the pictures themselves.
        std::int64_t frames = census.videoPackets;
        if (census.videoLast >= census.videoFirst) {
            const std::int64_t times =
                av_rescale_q_rnd(census.videoLast - census.videoFirst, stream.time_base,
                                 av_inv_q(ffmpeg::VideoFrameRate(stream)), AV_ROUND_NEAR_INF) + 1;
            if (times > 0 && times <= 4 * census.videoPackets + 16) frames = times;
        }
        info.vLen = ClampToInt32(static_cast<double>(frames));
        info.vTimeLenf = info.vFreq > 0 ? info.vLen / info.vFreq : 0;
        info.vBytesLen = static_cast<double>(census.videoBytes);
    }
    if (audio >= 0) {
        const AVStream& stream = *format->streams[audio];
        double seconds = 0;
        if (census.audioEnd > census.audioFirst) {
            seconds = static_cast<double>(census.audioEnd - census.audioFirst) * av_q2d(stream.time_base);
        } else if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
            seconds = static_cast<double>(stream.duration) * av_q2d(stream.time_base);
        } else if (format->duration != AV_NOPTS_VALUE && format->duration > 0) {
            seconds = static_cast<double>(format->duration) / AV_TIME_BASE;
        }
        info.aLen = ClampToInt32(seconds * info.aFreq);
        info.aTimeLen = info.aFreq > 0 ? info.aLen / info.aFreq : 0;
        info.aBytesLen = static_cast<double>(census.audioBytes);
    }
}

}  // namespace pellicor
