#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "media/mcl_image.h"
#include "media/mcl_sound.h"
#include "media/yuv_picture.h"

namespace pellicor {

class TVideoTrack;
class TAudioTrack;

// An open source file: its video frames by 0-based index and its audio samples by index.
//
// Frame i is the picture shown at time i / frame rate, counted from the first picture
// (the rate is the one the file information reports as vFreq). Reading in increasing order
// keeps the decoder running; going backwards or jumping far ahead seeks to a key frame and
// decodes forward to the exact frame by its timestamp. A frame past the last picture is an
// EMediaError.
//
// Sample s is the sound at time s / sample rate from the same origin as the frames (the
// first picture; the first sample when there is no video), so frames and samples stay in
// step. Samples outside the decoded sound are silence, so a block always has the length
// asked for. The sound comes at the stream's rate, with at most two channels, as 8-bit
// samples for 8-bit sources and 16-bit ones otherwise (what MclGetFileInfo reports).
class TMclReader {
public:
    // Throws EMediaError when the file cannot be opened or has neither a decodable video
    // nor a decodable audio stream. `threads`: the video decoder's threads, 0 for as many
    // as the machine has cores (the pictures are the same whatever the count).
    explicit TMclReader(const std::string& path, int threads = 0);
    ~TMclReader();
    TMclReader(const TMclReader&) = delete;
    TMclReader& operator=(const TMclReader&) = delete;

    bool HasVideo() const { return video_ != nullptr; }
    bool HasAudio() const { return audio_ != nullptr; }

    void ReadImage(int index, TMclImage& image);
    // Frame `index` as the decoder's own planes, where a JPEG encoder can take them as they
    // are (8-bit planar YCbCr of the BT.601 or BT.709 matrix at the source size): true and the
    // picture shares them. False (picture untouched) for other pictures; ReadImage then
    // gives the frame without decoding it again.
    bool ReadPlanes(int index, TYuvPicture& picture);
    void ReadSound(std::int64_t firstSample, int sampleCount, TMclSound& sound);

    // Seeks (and rewinds) made so far by both decoders; sequential reading makes none.
    int SeekCount() const;

private:
    std::unique_ptr<TVideoTrack> video_;
    std::unique_ptr<TAudioTrack> audio_;
};

using TMclReadHandle = std::unique_ptr<TMclReader>;

// Opens a source file for reading (throws EMediaError when it cannot); `threads` as for
// TMclReader.
TMclReadHandle MclReadOpen(const std::string& path, int threads = 0);
// The image is replaced by frame `index` (0-based) at source size.
void MclReadImage(TMclReader& reader, int index, TMclImage& image);
// Frame `index` as the decoder's planes where they suit a JPEG encoder (TMclReader::ReadPlanes).
bool MclReadPlanes(TMclReader& reader, int index, TYuvPicture& picture);
// The sound holds `sampleCount` samples from `firstSample` on, as PCM.
void MclReadSound(TMclReader& reader, std::int64_t firstSample, int sampleCount,
                  TMclSound& sound);
// Releases the handle.
void MclReadClose(TMclReadHandle& reader);

}  // namespace pellicor
