#include "engine/frame_pipeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "effects/effect_chain.h"
#include "engine/convert_task.h"
#include "media/jpeg_encoder.h"
#include "engine/picture_characters.h"
#include "engine/text_caption.h"
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

// The size of the pictures of the frame stage: the region, or the whole source frame.
int PictureWidth(const TPassSettings& context) {
    return context.destIsApplyRegion ? context.destRegionWidth : context.resX;
}
int PictureHeight(const TPassSettings& context) {
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

bool ReadVideoFrame(TPassSettings& context, std::int32_t index) {
    MclReadImage(*context.readHandle, index, *context.mclImage);
    if (context.isSlowReading) MclReadImage(*context.readHandle, index, *context.mclImage);
    TMclDIB picture = MclImgToDIB(*context.mclImage);
    TBitmap& canvas = context.sourceBitmap;
    if (context.destIsApplyRegion) {
        SizeCanvas(canvas, context.destRegionWidth, context.destRegionHeight);
        CopyPixels(*picture, canvas, context.destRegionX, context.destRegionY);
    } else if (picture->width == context.resX && picture->height == context.resY) {
        std::swap(canvas, *picture);
    } else {
        SizeCanvas(canvas, context.resX, context.resY);
        CopyPixels(*picture, canvas, 0, 0);
    }
    MclReleaseDIB(picture);
    return true;
}

bool ReadGifFrame(TPassSettings& context, std::int32_t index) {
    const TGIFImage& gif = *context.gifImage;
    const TGIFFrameInfo& frame = gif.Frame(index);
    const int width = PictureWidth(context), height = PictureHeight(context);
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
        // Effects work on a copy, so that the next partial GIF frame or failed read builds on
        // the untouched picture; without effects the source picture is the frame itself.
        if (context.effects.destIsApplyEffects) {
            context.frameBitmap = context.sourceBitmap;
            ApplyEffects(context.frameBitmap, context.effects);
        }
        if (context.isPreview && context.previewImage) context.previewImage(FramePicture(context));
    } catch (...) {
        return false;
    }
    return read;
}

const TBitmap& FramePicture(const TPassSettings& context) {
    return context.effects.destIsApplyEffects ? context.frameBitmap : context.sourceBitmap;
}

void EncodeFrame(TPassSettings& context) { context.jpegImage->Encode(FramePicture(context), context.jpegStream); }

TFirstFrame MakeFirstFrame(TPassSettings& context, TProgress* progress) {
    TFlashMovie& movie = *context.movie;
    if (context.destIsFlashText) AddTextCaption(context, progress);
    int width = PictureWidth(context), height = PictureHeight(context);
    TFirstFrame first;
    std::error_code ignored;
    if (context.destIsFlashImageFrame && std::filesystem::is_regular_file(context.destFlashImageFrameFile, ignored)) {
        first.picture = &AddImageFilePicture(movie, context.destFlashImageFrameFile, width, height);
    } else if (context.destIsFlashBlankFrame) {
        first.picture = &AddSolidPicture(movie, width, height, context.destFlashBlankFrameColor);
    } else if (FetchFrame(context, context.startIndex) && !FramePicture(context).empty()) {
        EncodeFrame(context);
        width = FramePicture(context).width;
        height = FramePicture(context).height;
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

// One output frame from source frame `index`, straight into the file.
void WriteOutputFrame(TPassSettings& context, TBitsEngine& writer, std::int32_t index, bool first,
                      std::int32_t& lastId, TFlashActionScript* startActions) {
    TFlashMovie& movie = *context.movie;
    FetchFrame(context, index);
    if (FramePicture(context).empty()) {
        // Nothing was ever read: a black picture of the expected size stands in.
        SizeCanvas(context.sourceBitmap, std::max(PictureWidth(context), 1), std::max(PictureHeight(context), 1));
        context.frameBitmap = context.sourceBitmap;
    }
    EncodeFrame(context);
    const int width = FramePicture(context).width, height = FramePicture(context).height;
    const auto imageId = static_cast<std::uint16_t>(++lastId);
    const auto shapeId = static_cast<std::uint16_t>(++lastId);
    WriteFramePicture(writer, context.jpegStream, width, height, imageId, shapeId);

    TFlashPlaceObject place(&movie, kDepthVideo);
    place.PlaceObject().SetCharacterID(shapeId);
    place.SetTranslate(static_cast<std::int32_t>(TruncDiv(context.destWidth - width, 2)),
                       static_cast<std::int32_t>(TruncDiv(context.destHeight - height, 2)));
    place.SetReplace(!first);
    place.SetFileVersion(movie.Version());
    place.WriteToStream(writer);

    EndOutputFrame(context, writer, first, startActions);
}

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
                    const TFirstFrame& still) {
    // A sound file shows its still picture for as long as its sound plays.
    const bool soundOnly = !context.isVideo && !context.isGif;
    if (soundOnly && !context.isAudio) return 0;
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
    int made = 0;
    for (std::int32_t i = context.startIndex; i <= context.endIndex; ++i) {
        if (!ContinueLoop(progress) || lastId > kLastFrameCharacterId) break;
        if (stepper.Take(i)) {
            if (soundOnly)
                WriteStillFrame(context, writer, still, made == 0, startActions);
            else
                WriteOutputFrame(context, writer, i, made == 0, lastId, startActions);
            ++made;
        }
        if (progress) progress->SetPosition(static_cast<std::int64_t>(i) - context.startIndex + 1);
    }
    movie.NextCharacterId = static_cast<std::uint16_t>(lastId + 1);
    movie.AddFramesWritten(made);
    return made;
}

}  // namespace pellicor
