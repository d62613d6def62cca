#pragma once

// Owners and small helpers for the FFmpeg objects of the media layer. Internal to media/.

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace pellicor::ffmpeg {

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFreer {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;

FramePtr NewFrame();
PacketPtr NewPacket();

// FFmpeg's text for an error code.
std::string ErrorText(int code);

// Opens a container and reads its stream information; throws EMediaError on failure.
// FFmpeg's own log is silenced the first time (bad files would flood the terminal).
FormatPtr OpenContainer(const std::string& path);

// The stream of the given kind the media layer works with: cover pictures are skipped,
// a stream marked default wins over the first one. -1 when there is none.
int FindStream(const AVFormatContext& format, AVMediaType type);

// Opens a decoder for the stream with `threads` threads (0: as many as the machine has
// cores); nullptr when FFmpeg has no decoder for it or it fails to open.
CodecPtr OpenDecoder(const AVStream& stream, int threads = 0);

// Whether a decoded picture's samples span the full range 0..255 (else studio range).
bool IsFullRange(const AVFrame& frame);

// Frames per second of a video stream: the average rate, else the container's base rate,
// else 25.
AVRational VideoFrameRate(const AVStream& stream);

// Channel count, bits per sample and rate of the PCM the media layer delivers for an
// audio stream: at most two channels (more are mixed down), 8 bits for 8-bit sources,
// 16 bits otherwise, the stream's own rate.
struct PcmLayout {
    int rate = 0;
    int channels = 0;
    int bits = 0;
};
PcmLayout DeliveredPcm(const AVCodecParameters& parameters);

// Sample format and default channel layout for an interleaved PCM layout.
AVSampleFormat PcmSampleFormat(int bits);
AVChannelLayout PcmChannelLayout(int channels);

}  // namespace pellicor::ffmpeg
