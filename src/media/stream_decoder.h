#pragma once

// One stream of one file, demuxed and decoded on its own: the source reader keeps one for
// the video and one for the audio so that reading one never disturbs the other. Internal
// to media/.

#include <cstdint>
#include <string>

#include "media/ffmpeg_support.h"

namespace pellicor {

class TStreamDecoder {
public:
    // Opens the file and the decoder of its stream of this kind; throws EMediaError when
    // there is no such stream or it cannot be decoded. `threads`: the decoder's threads
    // (0: as many as the machine has cores).
    TStreamDecoder(std::string path, AVMediaType type, int threads = 0);

    const AVStream& Stream() const { return *format_->streams[streamIndex_]; }
    AVStream& Stream() { return *format_->streams[streamIndex_]; }
    const AVCodecContext& Codec() const { return *codec_; }

    // The next decoded frame; false at the end of the stream. Damaged packets are skipped.
    bool DecodeNext(AVFrame& frame);

    // Repositions at a key frame at or before the timestamp (stream time base); the
    // decoder is flushed. False when the container cannot seek there.
    bool SeekBefore(std::int64_t timestamp);

    // Back to the very start, by reopening the file: works for every container.
    void Rewind();

    // True when the file can be repositioned: a seekable byte stream and a container that
    // accepts a seek to its start.
    bool CanSeek();

    // Seeks and rewinds made so far.
    int SeekCount() const { return seekCount_; }

private:
    void Open();
    bool SendNextPacket();

    std::string path_;
    AVMediaType type_;
    ffmpeg::FormatPtr format_;
    ffmpeg::CodecPtr codec_;
    ffmpeg::PacketPtr packet_;
    int streamIndex_ = -1;
    int threads_ = 0;
    bool draining_ = false;
    int seekCount_ = 0;
};

}  // namespace pellicor
