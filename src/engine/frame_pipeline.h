#pragma once

#include <cstdint>
#include <memory>

#include "engine/first_frame.h"
#include "engine/pass_settings.h"

namespace pellicor {

class TAudioTrackTask;
class TFlashActionScript;

// Which source frames become output frames. Frame-rate conversion only drops frames:
// step = round(source rate) / output rate; a frame i of the range is taken when
// i >= nextAt, and nextAt then grows by step. At an equal or higher output rate every frame
// is taken once. The audio track walks the range the same way.
class TFrameStepper {
public:
    TFrameStepper(std::int32_t startIndex, double srcFrameRate, double destFrameRate);
    // Call for every i of the range in increasing order; true when i gives an output frame.
    bool Take(std::int32_t index);
    double Step() const { return step_; }

private:
    double step_;
    double nextAt_;
};

// Reads source frame `index` (0-based) into context.sourceBitmap through the reader of the
// source, then runs the effects (into context.frameBitmap) and the preview (also when the
// read failed, on what the bitmap holds). False when the read failed; the picture then stays
// the previous one.
bool FetchFrame(TPassSettings& context, std::int32_t index);
// The current frame's picture: frameBitmap when effects apply, else sourceBitmap (both
// unused while context.pictureIsPlanes: the picture is context.sourcePlanes then).
const TBitmap& FramePicture(const TPassSettings& context);
// Whether a picture was ever read, and its size, as planes or as a bitmap.
bool HasPicture(const TPassSettings& context);
int PictureWidth(const TPassSettings& context);
int PictureHeight(const TPassSettings& context);
// The media-layer read (twice when isSlowReading), cropped to the region when it applies.
// A frame without effects and crop keeps the decoder's planes (context.sourcePlanes) where
// they suit the JPEG encoder, instead of going through RGB.
bool ReadVideoFrame(TPassSettings& context, std::int32_t index);
// GIF frame `index` drawn over the previous picture at its offset (minus the region corner).
bool ReadGifFrame(TPassSettings& context, std::int32_t index);

// The JPEG bytes of the current picture in context.jpegStream.
void EncodeFrame(TPassSettings& context);

// The threads of a conversion: context.threadCount, or the machine's cores when it is 0.
int FrameThreads(const TPassSettings& context);

// The first-frame picture of the start section (caption first) and its centred position.
TFirstFrame MakeFirstFrame(TPassSettings& context, TProgress* progress = nullptr);

// The frame stage: one output frame per taken source frame, each written straight into the
// movie's file as DefineBitsJPEG2, shape, PlaceObject2 at depth 10, the sound stream head
// (first frame) and block when the movie has sound, `startActions` in the first frame when
// given, and ShowFrame. Ends early when Converting is cleared or the character ids pass
// 65530. Returns the number of output frames made.
//
// Frames are read on the calling thread and JPEG-encoded on FrameThreads worker threads (a
// few frames ahead at most); one writer puts them into the file in order, so the movie is
// the same whatever the number of threads. A stop still writes the frames already read.
//
// A source without video or GIF frames (a sound file) with isAudio makes one output frame per
// index of its range (which the batch driver sets to cover the whole sound): `still`, the
// first-frame picture, placed at depth 10 in the first of them, then only the sound block
// and ShowFrame in each.
//
// `sound`, when given, is the movie's sound still being made beside the frames: it is
// attached before the first frame is written, and the frames encoded meanwhile wait for it
// (up to a bound of bytes, then the stage waits).
int MakeFlashStream(TPassSettings& context, TProgress* progress, TFlashActionScript* startActions = nullptr,
                    const TFirstFrame& still = {}, TAudioTrackTask* sound = nullptr);

// Character ids stop here: the frame stage makes no frame once the last used id exceeds it.
inline constexpr std::int32_t kLastFrameCharacterId = 65530;

}  // namespace pellicor
