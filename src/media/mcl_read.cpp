#include "media/mcl_read.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "media/media_error.h"
#include "media/rgb_converter.h"
#include "media/stream_decoder.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

// Going forward by at most this many frames always decodes on: a seek would land on a key
// frame at least as far back in typical files.
constexpr std::int64_t kDecodeAheadFrames = 12;
// Without a key-frame index, jumps of more than this are sought to.
constexpr double kSeekAheadSeconds = 4.0;
// Audio jumps of more than this are sought to; shorter ones decode on.
constexpr double kAudioSeekAheadSeconds = 30.0;
// Audio seeks land this much early so the decoder has settled at the sample asked for.
constexpr double kAudioPrerollSeconds = 0.25;

double Seconds(std::int64_t timestamp, AVRational timeBase) {
    return static_cast<double>(timestamp) * av_q2d(timeBase);
}

std::int64_t Timestamp(double seconds, AVRational timeBase) {
    return RoundHalfEven(seconds / av_q2d(timeBase));
}

// Planes a JPEG encoder takes: 8-bit planar YCbCr, chroma subsampled as JPEG allows, of
// the BT.601 matrix (JPEG's own, and what the conversion to RGB assumes for an untagged
// picture) or of BT.709 (converted on the way into the encoder). Other matrices go through
// RGB, so both ways give the same colours.
std::optional<EYuvMatrix> JpegPlanesMatrix(const AVFrame& frame) {
    switch (frame.format) {
        case AV_PIX_FMT_YUV420P: case AV_PIX_FMT_YUVJ420P:
        case AV_PIX_FMT_YUV422P: case AV_PIX_FMT_YUVJ422P:
        case AV_PIX_FMT_YUV444P: case AV_PIX_FMT_YUVJ444P:
            break;
        default:
            return std::nullopt;
    }
    switch (frame.colorspace) {
        case AVCOL_SPC_UNSPECIFIED: case AVCOL_SPC_RESERVED:
        case AVCOL_SPC_BT470BG: case AVCOL_SPC_SMPTE170M:
            return EYuvMatrix::Bt601;
        case AVCOL_SPC_BT709:
            return EYuvMatrix::Bt709;
        default:
            return std::nullopt;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Video

class TVideoTrack {
public:
    TVideoTrack(const std::string& path, int threads);

    void Read(std::int64_t index, TMclImage& image);
    bool ReadPlanes(std::int64_t index, TYuvPicture& picture);
    double OriginSeconds() const { return Seconds(basePts_, timeBase_); }
    int SeekCount() const { return decoder_.SeekCount(); }

private:
    struct TDecodedFrame {
        ffmpeg::FramePtr frame = ffmpeg::NewFrame();
        std::int64_t index = -1;
        bool valid = false;
    };

    std::int64_t IndexOf(std::int64_t pts) const;
    std::int64_t TimestampOf(std::int64_t index) const;
    bool Holds(std::int64_t index) const;
    bool SeekPaysOff(std::int64_t index);
    bool DecodeFirst();
    void Advance();
    void SeekTo(std::int64_t index);
    const AVFrame& Pick(std::int64_t index) const;
    const AVFrame& Position(std::int64_t index);

    TStreamDecoder decoder_;
    AVRational rate_;
    AVRational timeBase_;
    int width_ = 0;
    int height_ = 0;
    bool timestamped_ = true;  // false: frames are counted instead
    std::int64_t basePts_ = 0;

    // The last two pictures decoded, in display order, and room for the next one.
    TDecodedFrame current_;
    TDecodedFrame previous_;
    TDecodedFrame spare_;
    bool ended_ = false;

    TRgbConverter converter_;
};

TVideoTrack::TVideoTrack(const std::string& path, int threads)
    : decoder_(path, AVMEDIA_TYPE_VIDEO, threads),
      rate_(ffmpeg::VideoFrameRate(decoder_.Stream())),
      timeBase_(decoder_.Stream().time_base),
      width_(decoder_.Stream().codecpar->width),
      height_(decoder_.Stream().codecpar->height) {
    if (!DecodeFirst()) throw EMediaError("no picture of \"" + path + "\" can be decoded");
    const std::int64_t pts = current_.frame->best_effort_timestamp;
    timestamped_ = pts != AV_NOPTS_VALUE;
    basePts_ = timestamped_ ? pts : 0;
    current_.index = 0;
}

std::int64_t TVideoTrack::IndexOf(std::int64_t pts) const {
    return av_rescale_q_rnd(pts - basePts_, timeBase_, av_inv_q(rate_),
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

std::int64_t TVideoTrack::TimestampOf(std::int64_t index) const {
    return basePts_ + av_rescale_q(index, av_inv_q(rate_), timeBase_);
}

bool TVideoTrack::Holds(std::int64_t index) const {
    if (!current_.valid) return false;
    if (current_.index == index) return true;
    return previous_.valid && previous_.index <= index && index < current_.index;
}

bool TVideoTrack::SeekPaysOff(std::int64_t index) {
    const std::int64_t ahead = index - current_.index;
    if (ahead <= kDecodeAheadFrames) return false;
    AVStream& stream = decoder_.Stream();
    const int entry = av_index_search_timestamp(&stream, TimestampOf(index), AVSEEK_FLAG_BACKWARD);
    if (entry >= 0) {
        // Worth it only when the key frame before the target lies beyond the current picture.
        const AVIndexEntry* keyFrame = avformat_index_get_entry(&stream, entry);
        const std::int64_t here = current_.frame->best_effort_timestamp;
        return keyFrame && here != AV_NOPTS_VALUE && keyFrame->timestamp > here;
    }
    return static_cast<double>(ahead) > kSeekAheadSeconds * av_q2d(rate_);
}

// Decodes the first picture after opening or repositioning into current_.
bool TVideoTrack::DecodeFirst() {
    previous_.valid = false;
    current_.valid = false;
    ended_ = false;
    if (!decoder_.DecodeNext(*current_.frame)) {
        ended_ = true;
        return false;
    }
    current_.valid = true;
    return true;
}

void TVideoTrack::Advance() {
    if (!decoder_.DecodeNext(*spare_.frame)) {
        ended_ = true;
        return;
    }
    const std::int64_t pts = spare_.frame->best_effort_timestamp;
    // Pictures without a timestamp follow the one before.
    spare_.index = timestamped_ && pts != AV_NOPTS_VALUE ? IndexOf(pts) : current_.index + 1;
    spare_.valid = true;
    std::swap(previous_, current_);
    std::swap(current_, spare_);
}

void TVideoTrack::SeekTo(std::int64_t index) {
    const std::int64_t target = TimestampOf(index);
    const std::int64_t oneSecond = std::max<std::int64_t>(1, av_rescale_q(1, {1, 1}, timeBase_));
    std::int64_t backoff = 0;
    for (;;) {
        const std::int64_t at = target - backoff;
        bool restarted = false;
        if (!timestamped_ || at <= basePts_ || !decoder_.SeekBefore(at)) {
            decoder_.Rewind();
            restarted = true;
        }
        if (DecodeFirst()) {
            const std::int64_t pts = current_.frame->best_effort_timestamp;
            const bool known = timestamped_ && pts != AV_NOPTS_VALUE;
            if (restarted) {
                current_.index = known ? IndexOf(pts) : 0;
                return;
            }
            if (known) {
                current_.index = IndexOf(pts);
                if (current_.index <= index) return;
            }
        } else if (restarted) {
            throw EMediaError("no picture can be decoded any more");
        }
        // Landed after the frame (or nowhere): go back further.
        backoff = backoff == 0 ? oneSecond : backoff * 2;
    }
}

const AVFrame& TVideoTrack::Pick(std::int64_t index) const {
    if (current_.index == index) return *current_.frame;
    if (current_.index < index) {
        throw EMediaError("frame " + std::to_string(index) + " is past the last frame (" +
                          std::to_string(current_.index) + ")");
    }
    if (previous_.valid && previous_.index <= index) return *previous_.frame;
    return *current_.frame;  // nothing earlier could be decoded: the nearest later picture
}

const AVFrame& TVideoTrack::Position(std::int64_t index) {
    if (index < 0) throw EMediaError("frame index " + std::to_string(index) + " is negative");
    if (!Holds(index)) {
        // At the end already: no need to look again.
        if (!(ended_ && current_.valid && index > current_.index) &&
            (!current_.valid || index < current_.index || SeekPaysOff(index))) {
            SeekTo(index);
        }
        while (!ended_ && current_.index < index) Advance();
    }
    return Pick(index);
}

void TVideoTrack::Read(std::int64_t index, TMclImage& image) {
    converter_.Convert(Position(index), width_, height_, image);
}

bool TVideoTrack::ReadPlanes(std::int64_t index, TYuvPicture& picture) {
    const AVFrame& frame = Position(index);
    if (frame.width != width_ || frame.height != height_) return false;
    const std::optional<EYuvMatrix> matrix = JpegPlanesMatrix(frame);
    if (!matrix) return false;
    picture = TYuvPicture::Reference(frame, ffmpeg::IsFullRange(frame), *matrix);
    return true;
}

// ---------------------------------------------------------------------------------------
// Audio

class TAudioTrack {
public:
    // `origin`: the time of sample 0 in seconds; the first decoded sound when not given.
    TAudioTrack(const std::string& path, std::optional<double> origin);
    ~TAudioTrack() {
        av_channel_layout_uninit(&outLayout_);
        av_channel_layout_uninit(&resamplerLayout_);
    }
    TAudioTrack(const TAudioTrack&) = delete;
    TAudioTrack& operator=(const TAudioTrack&) = delete;

    void Read(std::int64_t first, int count, TMclSound& sound);
    int SeekCount() const { return decoder_.SeekCount(); }

private:
    std::int64_t BufferEnd() const {
        return bufferStart_ + static_cast<std::int64_t>(buffer_.size()) / frameBytes_;
    }
    bool DecodeMore();
    void Append(const AVFrame& frame);
    void Restart();
    void SeekTo(std::int64_t first);

    TStreamDecoder decoder_;
    ffmpeg::PcmLayout pcm_;
    int frameBytes_ = 0;
    AVChannelLayout outLayout_;
    ffmpeg::ResamplerPtr resampler_;
    int resamplerRate_ = 0;
    int resamplerFormat_ = -1;
    AVChannelLayout resamplerLayout_{};
    ffmpeg::FramePtr frame_ = ffmpeg::NewFrame();

    bool originKnown_ = false;
    double origin_ = 0;
    std::vector<std::uint8_t> buffer_;  // delivered PCM from sample bufferStart_ on
    std::int64_t bufferStart_ = 0;
    bool positioned_ = false;     // bufferStart_ is known (not right after opening/seeking)
    bool fromStreamStart_ = true;  // the buffer begins with the stream's first sound
    bool ended_ = false;
};

TAudioTrack::TAudioTrack(const std::string& path, std::optional<double> origin)
    : decoder_(path, AVMEDIA_TYPE_AUDIO),
      pcm_(ffmpeg::DeliveredPcm(*decoder_.Stream().codecpar)),
      frameBytes_(pcm_.channels * pcm_.bits / 8),
      outLayout_(ffmpeg::PcmChannelLayout(pcm_.channels)),
      originKnown_(origin.has_value()),
      origin_(origin.value_or(0.0)) {
    if (!DecodeMore()) throw EMediaError("no sound of \"" + path + "\" can be decoded");
}

void TAudioTrack::Append(const AVFrame& frame) {
    AVChannelLayout inLayout = frame.ch_layout;
    if (inLayout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&inLayout, frame.ch_layout.nb_channels);
    }
    if (!resampler_ || resamplerRate_ != frame.sample_rate || resamplerFormat_ != frame.format ||
        av_channel_layout_compare(&resamplerLayout_, &inLayout) != 0) {
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, &outLayout_, ffmpeg::PcmSampleFormat(pcm_.bits), pcm_.rate,
                                &inLayout, static_cast<AVSampleFormat>(frame.format),
                                frame.sample_rate, 0, nullptr) < 0 ||
            swr_init(raw) < 0) {
            swr_free(&raw);
            throw EMediaError("the sound cannot be converted to PCM");
        }
        resampler_.reset(raw);
        resamplerRate_ = frame.sample_rate;
        resamplerFormat_ = frame.format;
        av_channel_layout_uninit(&resamplerLayout_);
        av_channel_layout_copy(&resamplerLayout_, &inLayout);
    }
    const int room = swr_get_out_samples(resampler_.get(), frame.nb_samples);
    if (room <= 0) return;
    const std::size_t used = buffer_.size();
    buffer_.resize(used + static_cast<std::size_t>(room) * frameBytes_);
    std::uint8_t* out = buffer_.data() + used;
    const int made = swr_convert(resampler_.get(), &out, room,
                                 const_cast<const std::uint8_t**>(frame.extended_data),
                                 frame.nb_samples);
    buffer_.resize(used + static_cast<std::size_t>(std::max(made, 0)) * frameBytes_);
}

bool TAudioTrack::DecodeMore() {
    if (ended_) return false;
    if (!decoder_.DecodeNext(*frame_)) {
        ended_ = true;
        return false;
    }
    const std::int64_t pts = frame_->best_effort_timestamp;
    const AVRational timeBase = decoder_.Stream().time_base;
    if (!originKnown_) {
        origin_ = pts != AV_NOPTS_VALUE ? Seconds(pts, timeBase) : 0.0;
        originKnown_ = true;
    }
    if (!positioned_) {
        // The buffer starts where this sound belongs on the time line.
        buffer_.clear();
        bufferStart_ = pts != AV_NOPTS_VALUE
                           ? RoundHalfEven((Seconds(pts, timeBase) - origin_) * pcm_.rate)
                           : 0;
        positioned_ = true;
    }
    Append(*frame_);
    if (bufferStart_ < 0) {
        // Sound before the origin is not addressable.
        const std::int64_t drop =
            std::min<std::int64_t>(-bufferStart_, static_cast<std::int64_t>(buffer_.size()) / frameBytes_);
        buffer_.erase(buffer_.begin(), buffer_.begin() + drop * frameBytes_);
        bufferStart_ += drop;
        if (bufferStart_ < 0 && buffer_.empty()) positioned_ = false;  // place the next one
    }
    return true;
}

void TAudioTrack::Restart() {
    decoder_.Rewind();
    resampler_.reset();
    buffer_.clear();
    positioned_ = false;
    fromStreamStart_ = true;
    ended_ = false;
    DecodeMore();
}

void TAudioTrack::SeekTo(std::int64_t first) {
    const AVRational timeBase = decoder_.Stream().time_base;
    const double seconds =
        origin_ + static_cast<double>(first) / pcm_.rate - kAudioPrerollSeconds;
    const std::int64_t start = decoder_.Stream().start_time;
    const std::int64_t at = Timestamp(seconds, timeBase);
    if ((start != AV_NOPTS_VALUE && at <= start) || seconds <= 0 || !decoder_.SeekBefore(at)) {
        Restart();
        return;
    }
    resampler_.reset();
    buffer_.clear();
    positioned_ = false;
    fromStreamStart_ = false;
    ended_ = false;
    const bool decoded = DecodeMore();
    // Landed after the sample, or cannot tell where: decode from the start instead.
    if (decoded && (frame_->best_effort_timestamp == AV_NOPTS_VALUE || bufferStart_ > first)) {
        Restart();
    }
}

void TAudioTrack::Read(std::int64_t first, int count, TMclSound& sound) {
    if (count < 0) throw EMediaError("a negative sample count");
    sound.rate = pcm_.rate;
    sound.channels = pcm_.channels;
    sound.bits = pcm_.bits;
    sound.data.assign(static_cast<std::size_t>(count) * frameBytes_, pcm_.bits == 8 ? 0x80 : 0);
    if (count == 0) return;

    const std::int64_t end = first + count;
    const bool behind = first < bufferStart_ && !fromStreamStart_;
    // Past the end of the sound nothing is to be gained by seeking.
    const bool farAhead =
        !ended_ && first > BufferEnd() + static_cast<std::int64_t>(kAudioSeekAheadSeconds * pcm_.rate);
    if (behind || farAhead) SeekTo(first);
    while (!ended_ && BufferEnd() < end) DecodeMore();

    const std::int64_t from = std::max(first, bufferStart_);
    const std::int64_t to = std::min(end, BufferEnd());
    if (from < to) {
        std::memcpy(sound.data.data() + (from - first) * frameBytes_,
                    buffer_.data() + (from - bufferStart_) * frameBytes_,
                    static_cast<std::size_t>(to - from) * frameBytes_);
    }
    // Keep the block just read (a repeated read needs no seek), drop what lies before it.
    const std::int64_t drop = std::clamp<std::int64_t>(first - bufferStart_, 0, BufferEnd() - bufferStart_);
    if (drop > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + drop * frameBytes_);
        bufferStart_ += drop;
        fromStreamStart_ = false;
    }
}

// ---------------------------------------------------------------------------------------
// Reader

TMclReader::TMclReader(const std::string& path, int threads) {
    std::string failure;
    try {
        video_ = std::make_unique<TVideoTrack>(path, threads);
    } catch (const EMediaError& error) {
        failure = error.what();
    }
    std::optional<double> origin;
    if (video_) origin = video_->OriginSeconds();
    try {
        audio_ = std::make_unique<TAudioTrack>(path, origin);
    } catch (const EMediaError& error) {
        if (failure.empty()) failure = error.what();
    }
    if (!video_ && !audio_) throw EMediaError(failure);
}

TMclReader::~TMclReader() = default;

void TMclReader::ReadImage(int index, TMclImage& image) {
    if (!video_) throw EMediaError("the source has no video to read");
    video_->Read(index, image);
}

void TMclReader::ReadSound(std::int64_t firstSample, int sampleCount, TMclSound& sound) {
    if (!audio_) throw EMediaError("the source has no sound to read");
    audio_->Read(firstSample, sampleCount, sound);
}

bool TMclReader::ReadPlanes(int index, TYuvPicture& picture) {
    if (!video_) throw EMediaError("the source has no video to read");
    return video_->ReadPlanes(index, picture);
}

int TMclReader::SeekCount() const {
    return (video_ ? video_->SeekCount() : 0) + (audio_ ? audio_->SeekCount() : 0);
}

TMclReadHandle MclReadOpen(const std::string& path, int threads) {
    return std::make_unique<TMclReader>(path, threads);
}

void MclReadImage(TMclReader& reader, int index, TMclImage& image) {
    reader.ReadImage(index, image);
}

bool MclReadPlanes(TMclReader& reader, int index, TYuvPicture& picture) {
    return reader.ReadPlanes(index, picture);
}

void MclReadSound(TMclReader& reader, std::int64_t firstSample, int sampleCount,
                  TMclSound& sound) {
    reader.ReadSound(firstSample, sampleCount, sound);
}

void MclReadClose(TMclReadHandle& reader) { reader.reset(); }

}  // namespace pellicor
