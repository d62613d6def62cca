#include "media/stream_decoder.h"

#include <utility>

#include "media/media_error.h"

namespace pellicor {

namespace {
// Consecutive failures (unreadable packets, rejected data) after which a stream is taken
// as ended, so a damaged file cannot keep the decoder spinning.
constexpr int kFailureLimit = 256;
}  // namespace

TStreamDecoder::TStreamDecoder(std::string path, AVMediaType type, int threads)
    : path_(std::move(path)), type_(type), packet_(ffmpeg::NewPacket()), threads_(threads) {
    Open();
}

void TStreamDecoder::Open() {
    codec_.reset();
    format_ = ffmpeg::OpenContainer(path_);
    streamIndex_ = ffmpeg::FindStream(*format_, type_);
    const char* kind = type_ == AVMEDIA_TYPE_VIDEO ? "video" : "audio";
    if (streamIndex_ < 0) {
        throw EMediaError("\"" + path_ + "\" has no " + kind + " stream");
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        format_->streams[i]->discard =
            static_cast<int>(i) == streamIndex_ ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    codec_ = ffmpeg::OpenDecoder(Stream(), threads_);
    if (!codec_) {
        throw EMediaError("the " + std::string(kind) + " of \"" + path_ + "\" cannot be decoded");
    }
    draining_ = false;
}

bool TStreamDecoder::SendNextPacket() {
    for (int failures = 0; failures < kFailureLimit;) {
        const int read = av_read_frame(format_.get(), packet_.get());
        if (read == AVERROR_EOF || (read < 0 && avio_feof(format_->pb))) break;
        if (read < 0) {
            ++failures;
            continue;
        }
        if (packet_->stream_index != streamIndex_) {
            av_packet_unref(packet_.get());
            continue;
        }
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        // Only called after the decoder asked for input, so EAGAIN cannot happen here;
        // rejected data is damage and is skipped.
        if (sent >= 0) return true;
        ++failures;
    }
    avcodec_send_packet(codec_.get(), nullptr);
    draining_ = true;
    return false;
}

bool TStreamDecoder::DecodeNext(AVFrame& frame) {
    for (int failures = 0; failures < kFailureLimit;) {
        const int received = avcodec_receive_frame(codec_.get(), &frame);
        if (received >= 0) return true;
        if (received == AVERROR_EOF) return false;
        if (received != AVERROR(EAGAIN)) {
            ++failures;  // a damaged frame; go on with the next one
            continue;
        }
        if (draining_) return false;
        SendNextPacket();
    }
    return false;
}

bool TStreamDecoder::SeekBefore(std::int64_t timestamp) {
    ++seekCount_;
    const int result =
        av_seek_frame(format_.get(), streamIndex_, timestamp, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(codec_.get());
    draining_ = false;
    return result >= 0;
}

void TStreamDecoder::Rewind() {
    ++seekCount_;
    Open();
}

bool TStreamDecoder::CanSeek() {
    if (!format_->pb || !(format_->pb->seekable & AVIO_SEEKABLE_NORMAL)) return false;
    const AVStream& stream = Stream();
    const std::int64_t start = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    return SeekBefore(start);
}

}  // namespace pellicor
