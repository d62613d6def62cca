#include "engine/frame_pipeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>

#include "effects/effect_chain.h"
#include "engine/audio_track.h"
#include "engine/convert_task.h"
#include "engine/frame_encoder_pool.h"
#include "engine/picture_characters.h"
#include "engine/text_caption.h"
#include "media/jpeg_encoder.h"
#include "media/mcl.h"
#include "movie/flash_action_script.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_stream_sound.h"
#include "swf/bits_engine.h"
#include "swf/control_tags.h"
#include "swf/sound_tags.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

// A canvas of this size; its pixels are kept when the size is already right, so a frame
// that covers only part of it builds on the picture before.
void SizeCanvas(TBitmap& canvas, int width, int height) {
    if (canvas.width != width || canvas.height != height) canvas = TBitmap(std::max(width, 0), std::max(height, 0));
}

// target(x, y) = source(x + sourceX, y + sourceY) wherever both exist.
void CopyPixels(const TBitmap& source, TBitmap& target, int sourceX, int sourceY) {
    const int x0 = std::max(0, -sourceX), y0 = std::max(0, -sourceY);
    const int x1 = std::min(target.width, source.width - sourceX);
    const int y1 = std::min(target.height, source.height - sourceY);
    if (x1 <= x0 || y1 <= y0) return;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
    for (int y = y0; y < y1; ++y) std::memcpy(target.at(x0, y), source.at(x0 + sourceX, y + sourceY), bytes);
}

// The picture lent to the encoders back in sourceBitmap, for a read that builds on it.
void TakeBackLentPicture(TPassSettings& context) {
    if (!context.lentPicture) return;
    context.sourceBitmap = *context.lentPicture;
    context.lentPicture.reset();
}

// Whether the crop region lies wholly inside the picture.
bool RegionInside(const TPassSettings& context, const TBitmap& picture) {
    return context.destRegionX >= 0 && context.destRegionY >= 0 && context.destRegionWidth > 0 &&
           context.destRegionHeight > 0 && context.destRegionX <= picture.width - context.destRegionWidth &&
           context.destRegionY <= picture.height - context.destRegionHeight;
}

// The size of the pictures of the frame stage: the region, or the whole source frame.
int ExpectedWidth(const TPassSettings& context) {
    return context.destIsApplyRegion ? context.destRegionWidth : context.resX;
}
int ExpectedHeight(const TPassSettings& context) {
    return context.destIsApplyRegion ? context.destRegionHeight : context.resY;
}

}  // namespace

TFrameStepper::TFrameStepper(std::int32_t startIndex, double srcFrameRate, double destFrameRate)
    : step_(static_cast<double>(RoundHalfEven(srcFrameRate)) / destFrameRate), nextAt_(startIndex) {}

bool TFrameStepper::Take(std::int32_t index) {
    if (index < nextAt_) return false;
    nextAt_ += step_;
    return true;
}

namespace {

// Frames that need no effects and no crop go to the JPEG encoder as the decoder's planes.
bool PlanesWanted(const TPassSettings& context) {
    return !context.effects.destIsApplyEffects && !context.destIsApplyRegion;
}

// The decoder's planes of frame `index` as the picture, where they suit the encoder and
// have the source size. The preview gets the frame in RGB besides.
bool ReadVideoPlanes(TPassSettings& context, std::int32_t index) {
    TMclReader& reader = *context.readHandle;
    TYuvPicture planes;
    if (!MclReadPlanes(reader, index, planes)) return false;
    if (context.isSlowReading) MclReadPlanes(reader, index, planes);
    if (planes.width() != context.resX || planes.height() != context.resY) return false;
    if (context.isPreview && context.previewImage) MclReadImage(reader, index, *context.mclImage);
    context.sourcePlanes = std::move(planes);
    context.pictureIsPlanes = true;
    return true;
}

}  // namespace

bool ReadVideoFrame(TPassSettings& context, std::int32_t index) {
    if (PlanesWanted(context) && ReadVideoPlanes(context, index)) return true;
    context.pictureIsPlanes = false;
    // The library's image is a bitmap already: the frame is taken from it without a copy of
    // the whole picture in between.
    TMclImage& picture = *context.mclImage;
    MclReadImage(*context.readHandle, index, picture);
    if (context.isSlowReading) MclReadImage(*context.readHandle, index, picture);
    TBitmap& canvas = context.sourceBitmap;
    if (!context.destIsApplyRegion && picture.width == context.resX && picture.height == context.resY) {
        // The image keeps the previous canvas's buffer, which the next read fills; nothing of
        // the previous picture is needed any more.
        std::swap(canvas, picture);
        context.lentPicture.reset();
        return true;
    }
    if (context.destIsApplyRegion && RegionInside(context, picture)) {
        // Every pixel of the canvas is replaced.
        SizeCanvas(canvas, context.destRegionWidth, context.destRegionHeight);
        CopyPixels(picture, canvas, context.destRegionX, context.destRegionY);
        context.lentPicture.reset();
        return true;
    }
    // The picture covers only part of the canvas: the rest keeps the previous picture.
    TakeBackLentPicture(context);
    if (context.destIsApplyRegion) {
        SizeCanvas(canvas, context.destRegionWidth, context.destRegionHeight);
        CopyPixels(picture, canvas, context.destRegionX, context.destRegionY);
    } else {
        SizeCanvas(canvas, context.resX, context.resY);
        CopyPixels(picture, canvas, 0, 0);
    }
    return true;
}

bool ReadGifFrame(TPassSettings& context, std::int32_t index) {
    const TGIFImage& gif = *context.gifImage;
    const TGIFFrameInfo& frame = gif.Frame(index);
    const int width = ExpectedWidth(context), height = ExpectedHeight(context);
    TBitmap& canvas = context.sourceBitmap;
    if (canvas.width != width || canvas.height != height) {
        // A new canvas starts in the GIF's background colour.
        SizeCanvas(canvas, width, height);
        const auto background = gif.BackgroundColor();
        for (std::size_t at = 0; at < canvas.pixels.size(); at += 3) std::memcpy(&canvas.pixels[at], background.data(), 3);
    }
    const int cornerX = context.destIsApplyRegion ? context.destRegionX : 0;
    const int cornerY = context.destIsApplyRegion ? context.destRegionY : 0;
    gif.DrawFrame(index, canvas, frame.left - cornerX, frame.top - cornerY);
    return true;
}

bool FetchFrame(TPassSettings& context, std::int32_t index) {
    bool read = false;
    try {
        if (context.isVideo && context.videoEngine == kVideoEngineMcl && context.readHandle && context.mclImage)
            read = ReadVideoFrame(context, index);
        else if (context.isGif && context.gifEngine == kGifEngineRx && context.gifImage)
            read = ReadGifFrame(context, index);
    } catch (...) {
        read = false;
    }
    try {
        // A failed read keeps the previous picture.
        if (!read) TakeBackLentPicture(context);
        // Effects work on a copy, so that the next partial GIF frame or failed read builds on
        // the untouched picture; without effects the source picture is the frame itself.
        if (context.effects.destIsApplyEffects) {
            context.frameBitmap = context.sourceBitmap;
            ApplyEffects(context.frameBitmap, context.effects);
        }
        if (context.isPreview && context.previewImage)
            context.previewImage(context.pictureIsPlanes ? *context.mclImage : FramePicture(context));
    } catch (...) {
        return false;
    }
    return read;
}

const TBitmap& FramePicture(const TPassSettings& context) {
    return context.effects.destIsApplyEffects ? context.frameBitmap : context.sourceBitmap;
}

bool HasPicture(const TPassSettings& context) {
    return context.pictureIsPlanes ? !context.sourcePlanes.empty() : !FramePicture(context).empty();
}

int PictureWidth(const TPassSettings& context) {
    return context.pictureIsPlanes ? context.sourcePlanes.width() : FramePicture(context).width;
}

int PictureHeight(const TPassSettings& context) {
    return context.pictureIsPlanes ? context.sourcePlanes.height() : FramePicture(context).height;
}

void EncodeFrame(TPassSettings& context) {
    if (context.pictureIsPlanes)
        context.jpegImage->Encode(context.sourcePlanes, context.jpegStream);
    else
        context.jpegImage->Encode(FramePicture(context), context.jpegStream);
}

int FrameThreads(const TPassSettings& context) { return TFrameEncoderPool::ResolveThreads(context.threadCount); }

TFirstFrame MakeFirstFrame(TPassSettings& context, TProgress* progress) {
    TFlashMovie& movie = *context.movie;
    if (context.destIsFlashText) AddTextCaption(context, progress);
    int width = ExpectedWidth(context), height = ExpectedHeight(context);
    TFirstFrame first;
    std::error_code ignored;
    if (context.destIsFlashImageFrame && std::filesystem::is_regular_file(context.destFlashImageFrameFile, ignored)) {
        first.picture = &AddImageFilePicture(movie, context.destFlashImageFrameFile, width, height);
    } else if (context.destIsFlashBlankFrame) {
        first.picture = &AddSolidPicture(movie, width, height, context.destFlashBlankFrameColor);
    } else if (FetchFrame(context, context.startIndex) && HasPicture(context)) {
        EncodeFrame(context);
        width = PictureWidth(context);
        height = PictureHeight(context);
        first.picture = &AddJpegPicture(movie, context.jpegStream, width, height);
    } else {
        width = context.destWidth;
        height = context.destHeight;
        // A sound file has no picture of its own: a blank frame of the background colour.
        const bool soundOnly = !context.isVideo && !context.isGif;
        first.picture = &AddSolidPicture(movie, width, height,
                                         soundOnly ? ResolveColor(context.destFlashBackgroundColor) : kColorWhite);
    }
    first.x = static_cast<std::int32_t>(TruncDiv(context.destWidth - width, 2));
    first.y = static_cast<std::int32_t>(TruncDiv(context.destHeight - height, 2));
    return first;
}

namespace {

// The end of every output frame: the sound stream head (first frame) and the next block when
// the movie has sound, the start actions (first frame), ShowFrame.
void EndOutputFrame(TPassSettings& context, TBitsEngine& writer, bool first, TFlashActionScript* startActions) {
    TFlashMovie& movie = *context.movie;
    TFlashStreamSound* sound = movie.HasStreamSound() ? movie.StreamSoundIfAny() : nullptr;
    if (context.isAudio && sound) {
        if (first) {
            TSWFSoundStreamHead2 head;
            sound->FillStreamHead(head, static_cast<double>(RoundHalfEven(context.destFrameRate)));
            head.WriteToStream(writer);
        }
        sound->WriteStreamBlock(writer);
    }
    if (first && startActions) startActions->WriteToStream(writer);
    TSWFShowFrame showFrame;
    showFrame.WriteToStream(writer);
}

// The tags of one output frame around its JPEG bytes: bitmap, shape, placement, the end.
struct TFrameTags {
    std::uint16_t imageId = 0;
    std::uint16_t shapeId = 0;
    int width = 0;
    int height = 0;
};

void WriteOutputFrame(TPassSettings& context, TBitsEngine& writer, const TFrameTags& tags,
                      std::span<const std::uint8_t> jpeg, bool first, TFlashActionScript* startActions) {
    TFlashMovie& movie = *context.movie;
    WriteFramePicture(writer, jpeg, tags.width, tags.height, tags.imageId, tags.shapeId);

    TFlashPlaceObject place(&movie, kDepthVideo);
    place.PlaceObject().SetCharacterID(tags.shapeId);
    place.SetTranslate(static_cast<std::int32_t>(TruncDiv(context.destWidth - tags.width, 2)),
                       static_cast<std::int32_t>(TruncDiv(context.destHeight - tags.height, 2)));
    place.SetReplace(!first);
    place.SetFileVersion(movie.Version());
    place.WriteToStream(writer);

    EndOutputFrame(context, writer, first, startActions);
}

// The current picture, handed to the encoders without copying where it can be: planes are
// shared, a picture with effects is made anew for every frame. A video frame is lent: the
// next read normally replaces it whole (the whole frame, or a crop inside it), and only a
// read that builds on it takes it back (a copy then): a failed read, a crop reaching out of
// the picture. A GIF canvas is copied (into a spare buffer of the pool, of the right size
// once the first frames are encoded), since every partial frame draws over it.
TFramePicture HandOverPicture(TPassSettings& context, TFrameEncoderPool& pool) {
    if (context.pictureIsPlanes) return context.sourcePlanes;
    if (context.effects.destIsApplyEffects) return std::move(context.frameBitmap);
    if (context.isVideo) {
        context.lentPicture = pool.Lend(std::exchange(context.sourceBitmap, TBitmap()));
        return context.lentPicture;
    }
    TBitmap copy = pool.TakeSpareBitmap();
    copy = context.sourceBitmap;
    return copy;
}

// The video frames of the frame stage: each source frame is read on the calling thread and
// its picture goes to the encoders; the frames are written as their JPEG bytes come back,
// in the order they were read, by this one writer.
class TFrameStream {
public:
    TFrameStream(TPassSettings& context, TBitsEngine& writer, TFlashActionScript* startActions, TAudioTrackTask* sound)
        : context_(context),
          writer_(writer),
          startActions_(startActions),
          sound_(sound),
          pool_(*context.jpegImage, Workers(FrameThreads(context)), Window(FrameThreads(context))) {}

    // Reads source frame `index` into the next output frame (ids from lastId on) and
    // writes the frames before it that are ready.
    void Add(std::int32_t index, std::int32_t& lastId) {
        ++added_;
        // The effects copy the picture into frameBitmap, which went to the encoders with
        // the frame before: a spare buffer takes its place.
        if (context_.effects.destIsApplyEffects && context_.frameBitmap.pixels.empty())
            context_.frameBitmap = pool_.TakeSpareBitmap();
        // The canvas went to the encoders (lent; what it holds now means nothing until the
        // next read fills it or takes the lent picture back), and the library's image may
        // have given its buffer to it: spare buffers take their places.
        if (context_.lentPicture && context_.sourceBitmap.pixels.empty()) context_.sourceBitmap = pool_.TakeSpareBitmap();
        if (context_.mclImage && context_.mclImage->pixels.empty()) *context_.mclImage = pool_.TakeSpareBitmap();
        FetchFrame(context_, index);
        if (!HasPicture(context_)) {
            // Nothing was ever read: a black picture of the expected size stands in.
            context_.pictureIsPlanes = false;
            SizeCanvas(context_.sourceBitmap, std::max(ExpectedWidth(context_), 1), std::max(ExpectedHeight(context_), 1));
            context_.frameBitmap = context_.sourceBitmap;
        }
        TFrameTags tags;
        tags.width = PictureWidth(context_);
        tags.height = PictureHeight(context_);
        tags.imageId = static_cast<std::uint16_t>(++lastId);
        tags.shapeId = static_cast<std::uint16_t>(++lastId);
        while (pool_.Full()) WriteOldest(true);
        pending_.push_back(tags);
        pool_.Submit(HandOverPicture(context_, pool_));
        while (!pending_.empty() && WriteOldest(false)) {
        }
    }

    // Writes the frames still in flight; the last picture is the canvas again.
    void Finish() {
        while (!pending_.empty()) WriteOldest(true);
        AttachSound();
        TakeBackLentPicture(context_);
    }

    int Written() const { return written_; }

private:
    static int Workers(int threads) { return threads > 1 ? threads : 0; }
    static std::size_t Window(int threads) { return static_cast<std::size_t>(threads) * 2; }

    bool WriteOldest(bool wait) {
        std::optional<std::vector<std::uint8_t>> jpeg = pool_.TakeOldest(wait);
        if (!jpeg) return false;
        const TFrameTags tags = pending_.front();
        pending_.pop_front();
        if (sound_ && !sound_->Ready() && heldBytes_ + jpeg->size() <= kHeldBytesLimit) {
            // The frames carry sound blocks: they wait for the sound, within bounds.
            heldBytes_ += jpeg->size();
            held_.push_back({tags, std::move(*jpeg)});
            return true;
        }
        AttachSound();
        Write(tags, *jpeg);
        return true;
    }

    // The sound into the movie (waiting for it), then the frames that waited for it.
    void AttachSound() {
        if (!sound_) return;
        // Every frame added is written, a stopped run's too: after a stop the sound needs
        // no more blocks than that.
        sound_->Attach(added_);
        sound_ = nullptr;
        for (const THeldFrame& frame : held_) Write(frame.tags, frame.jpeg);
        held_.clear();
        heldBytes_ = 0;
    }

    void Write(const TFrameTags& tags, std::span<const std::uint8_t> jpeg) {
        WriteOutputFrame(context_, writer_, tags, jpeg, written_ == 0, startActions_);
        ++written_;
    }

    TPassSettings& context_;
    TBitsEngine& writer_;
    // JPEG bytes of encoded frames kept while the sound is being made, at most: past them
    // the frame stage waits for the sound.
    static constexpr std::size_t kHeldBytesLimit = 24u << 20;
    struct THeldFrame {
        TFrameTags tags;
        std::vector<std::uint8_t> jpeg;
    };

    TFlashActionScript* startActions_;
    TAudioTrackTask* sound_;  // until attached
    TFrameEncoderPool pool_;
    std::deque<TFrameTags> pending_;
    std::deque<THeldFrame> held_;
    std::size_t heldBytes_ = 0;
    int written_ = 0;
    std::int64_t added_ = 0;
};

// One output frame of a sound file: its still picture placed in the first frame, then the
// frame's sound block.
void WriteStillFrame(TPassSettings& context, TBitsEngine& writer, const TFirstFrame& still, bool first,
                     TFlashActionScript* startActions) {
    if (first && still.picture) {
        TFlashMovie& movie = *context.movie;
        TFlashPlaceObject place(&movie, kDepthVideo);
        place.PlaceObject().SetCharacterID(still.picture->GetCharacterId());
        place.SetTranslate(still.x, still.y);
        place.SetFileVersion(movie.Version());
        place.WriteToStream(writer);
    }
    EndOutputFrame(context, writer, first, startActions);
}

}  // namespace

int MakeFlashStream(TPassSettings& context, TProgress* progress, TFlashActionScript* startActions,
                    const TFirstFrame& still, TAudioTrackTask* sound) {
    // A sound file shows its still picture for as long as its sound plays.
    const bool soundOnly = !context.isVideo && !context.isGif;
    if (soundOnly && !context.isAudio) return 0;
    // A sound file's frames are only its sound blocks: nothing to make beside the sound.
    if (soundOnly && sound) sound->Attach();
    TFlashMovie& movie = *context.movie;
    LogStage(progress, kStageMakingFlash, kMessageMakingFlash, context.srcPath);
    if (progress) {
        progress->SetPosition(0);
        // One step per source frame of the range, so the last position fills the bar.
        progress->SetMaximum(std::abs(static_cast<std::int64_t>(context.endIndex) - context.startIndex) + 1);
    }
    TBitsEngine writer(movie.Stream());
    std::int32_t lastId = static_cast<std::int32_t>(movie.NextCharacterId) - 1;
    TFrameStepper stepper(context.startIndex, context.srcFrameRate, context.destFrameRate);
    std::optional<TFrameStream> frames;
    if (!soundOnly) frames.emplace(context, writer, startActions, sound);
    int stills = 0;
    for (std::int32_t i = context.startIndex; i <= context.endIndex; ++i) {
        if (!ContinueLoop(progress) || lastId > kLastFrameCharacterId) break;
        if (stepper.Take(i)) {
            if (frames) {
                frames->Add(i, lastId);
            } else {
                WriteStillFrame(context, writer, still, stills == 0, startActions);
                ++stills;
            }
        }
        if (progress) progress->SetPosition(static_cast<std::int64_t>(i) - context.startIndex + 1);
    }
    // A stopped run still writes the frames already read: the movie stays complete.
    if (frames) frames->Finish();
    const int made = frames ? frames->Written() : stills;
    movie.NextCharacterId = static_cast<std::uint16_t>(lastId + 1);
    movie.AddFramesWritten(made);
    return made;
}

}  // namespace pellicor
