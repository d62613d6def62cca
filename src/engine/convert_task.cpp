#include "engine/convert_task.h"

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "engine/audio_track.h"
#include "engine/compress_flash.h"
#include "engine/frame_pipeline.h"
#include "media/jpeg_encoder.h"
#include "engine/movie_actions.h"
#include "engine/preloader.h"
#include "media/mcl.h"
#include "movie/flash_action_script.h"
#include "movie/flash_movie.h"
#include "settings/settings_check.h"
#include "swf/action_list.h"
#include "swf/streams.h"
#include "util/numbers.h"
#include "util/temporary_file.h"

namespace pellicor {

namespace {

// Frees the working objects, whatever happens, and closes the source.
class TWorkingObjectsGuard {
public:
    explicit TWorkingObjectsGuard(TPassSettings& context) : context_(context) {}
    ~TWorkingObjectsGuard() {
        context_.jpegStream = {};
        context_.jpegImage.reset();
        context_.frameBitmap = {};
        context_.sourceBitmap = {};
        context_.lentPicture.reset();
        context_.sourcePlanes = {};
        context_.pictureIsPlanes = false;
        if (context_.mclImage) MclImgFree(context_.mclImage);
        context_.movie.reset();
        CloseSource(context_);
    }
    TWorkingObjectsGuard(const TWorkingObjectsGuard&) = delete;
    TWorkingObjectsGuard& operator=(const TWorkingObjectsGuard&) = delete;

private:
    TPassSettings& context_;
};

// The movie into `fileName`: the header, the start section (first-frame picture, frame
// variable, playing quality, playback controls, preloader, start actions, click link)
// written at once; then the end actions are prepared and the sound attached, every video
// frame is streamed into the file, and the end section and the End tag follow; finally the
// header is patched with the length and the frame count.
void WriteMovieFile(TPassSettings& context, TProgress* progress, const std::string& fileName) {
    context.movie = std::make_unique<TFlashMovie>(fileName, 0, 0, context.destWidth * 20,
                                                  context.destHeight * 20, context.destFrameRate, false);
    TFlashMovie& movie = *context.movie;
    movie.SetPixelCoordinates(true);
    context.mclImage = MclImgCreate();
    context.frameBitmap = {};
    context.sourceBitmap = {};
    context.lentPicture.reset();
    context.sourcePlanes = {};
    context.pictureIsPlanes = false;
    context.jpegImage = std::make_unique<TJpegEncoder>();
    context.jpegStream.clear();

    movie.SetVersion(context.destFlashFormat + 5);
    movie.SetCompressed(context.destIsFlashCompressed && context.destFlashFormat >= 1);
    if (context.destIsFlashProtected) movie.SetProtect(context.destFlashPassword);
    movie.BackgroundColor().SetRGB(ResolveColor(context.destFlashBackgroundColor));
    context.jpegImage->SetQuality(context.destFrameQuality);

    // The start section.
    const TFirstFrame first = MakeFirstFrame(context, progress);
    AddFrameVariable(context);
    AddPlayingQuality(context);
    AddPlaybackControls(context, kDepthPlayback);
    AddPreloader(context, first, kDepthPreloader);
    AddStartActions(context, first);
    AddClickLink(context, first, kDepthClickLink);
    movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerFirst));
    movie.WriteSection(0, kSectionMarkerFirst, true, false);

    // A start section that closed no frame leaves "currenttimes" and the quality pending:
    // they go to the first video frame, run once, rather than into the end frame.
    const std::unique_ptr<TSWFActionList> startActions = TakePendingFrameActions(movie);
    const std::unique_ptr<TFlashActionScript> firstFrameActions =
        startActions ? RunOnceActions(movie, *startActions) : nullptr;

    AddEndActions(context, movie.FramesWritten() + 1);
    movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerLast));
    // The sound is made on a thread of its own while the frames are read and encoded, when
    // the conversion has more than one thread.
    TAudioTrackTask sound(context, progress, FrameThreads(context) > 1);
    const int made = MakeFlashStream(context, progress, firstFrameActions.get(), first, &sound);
    sound.Attach();
    if (made == 0 && startActions) PrependToEndActions(movie, *startActions);

    movie.WriteSection(kSectionMarkerFirst, kSectionMarkerLast, false, true);
    const std::uint64_t length = movie.Stream().Size();
    movie.PatchHeader(static_cast<std::uint32_t>(length), static_cast<double>(RoundHalfEven(context.destFrameRate)),
                      static_cast<std::uint16_t>(movie.FramesWritten()));
    // Closing reports a write that failed late (a full disk) instead of losing it.
    if (auto* file = dynamic_cast<TFileStream*>(&movie.Stream())) file->Close();
}

std::string NumberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The header holds frame rates up to 255 (8.8 bits) and the pictures of one frame stay
// within 8192 pixels a side: anything else would wrap or exhaust the memory.
void CheckMovieSettings(const TPassSettings& context) {
    auto check = [](std::string_view name, double value, double low, double high) {
        if (value >= low && value <= high) return;
        throw std::invalid_argument(std::string(name) + ": " + NumberText(value) + " is outside " +
                                    NumberText(low) + " .. " + NumberText(high));
    };
    check("destFrameRate", context.destFrameRate, 1, kMaxFrameRate);
    check("destWidth", context.destWidth, 1, kMaxSide);
    check("destHeight", context.destHeight, 1, kMaxSide);
    if (!context.destIsApplyRegion) return;
    check("destRegionWidth", context.destRegionWidth, 1, kMaxSide);
    check("destRegionHeight", context.destRegionHeight, 1, kMaxSide);
}

// The movie (compressed when asked) is written beside its final name and renamed over it only
// when complete, and the other outputs after it: whatever fails before, the earlier files
// stay and the temporaries go.
void WriteAndPlaceMovie(TPassSettings& context, TProgress* progress) {
    TTemporaryFile movieFile(context.destPath);
    {
        TWorkingObjectsGuard guard(context);
        WriteMovieFile(context, progress, movieFile.Path());
    }
    if (context.destIsFlashCompressed) {
        TTemporaryFile compressedFile(context.destPath, ".swftmp");
        // A stop during the copy leaves the uncompressed movie, complete and valid.
        if (CompressFlashInto(movieFile.Path(), compressedFile.Path(), context.destPath, progress))
            compressedFile.Commit();
        else
            movieFile.Commit();
    } else {
        movieFile.Commit();
    }
    for (const std::unique_ptr<TTemporaryFile>& output : context.extraOutputs) output->Commit();
    context.extraOutputs.clear();
}

// A task that failed with its movie written: the reason goes into the stage log and to the
// user.
void ReportFailure(TProgress* progress, const std::string& reason) {
    if (!progress) return;
    progress->AddLogLine(reason);
    progress->ShowMessage(reason);
}

// The reader's own reason (FFmpeg's or giflib's words: a missing codec, a damaged file) goes
// into the stage log, where the front ends show it, before the user's message.
void ReportOpenFailure(TProgress* progress, const std::string& cause) {
    if (!progress) return;
    progress->AddLogLine(cause);
    progress->ShowMessage(std::string(kMessageOpenFailed));
}

}  // namespace

TColor ResolveColor(TColor color) {
    static constexpr std::array<std::uint32_t, 31> kSystemColorsRGB = {
        0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
        0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x0078D7, 0xFFFFFF, 0xF0F0F0,
        0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
        0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x0078D7, 0xF0F0F0};
    const std::uint32_t top = color >> 24;
    if (top != 0x80 && top != 0xFF) return color & 0xFFFFFF;
    const std::uint32_t index = color & 0xFF;
    const std::uint32_t rgb = index < kSystemColorsRGB.size() ? kSystemColorsRGB[index] : 0;
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
}

bool OpenSource(TPassSettings& context, TProgress* progress) {
    LogStage(progress, kStageOpeningSource, kMessageOpeningSource, context.srcPath);
    try {
        if (!context.isGif) {
            if (context.videoEngine == kVideoEngineMcl)
                context.readHandle = MclReadOpen(context.srcPath, FrameThreads(context));
        } else if (context.gifEngine == kGifEngineRx) {
            context.gifImage = std::make_unique<TGIFImage>();
            context.gifImage->LoadFromFile(context.srcPath);
        }
        return true;
    } catch (const std::exception& error) {
        CloseSource(context);
        ReportOpenFailure(progress, error.what());
        return false;
    } catch (...) {
        CloseSource(context);
        ReportOpenFailure(progress, "unknown error");
        return false;
    }
}

void CloseSource(TPassSettings& context) noexcept {
    try {
        if (!context.isGif && context.videoEngine == kVideoEngineMcl && context.readHandle)
            MclReadClose(context.readHandle);
    } catch (...) {
    }
    context.readHandle.reset();
    context.gifImage.reset();
}

bool ConvertTask(TPassSettings& context, TProgress* progress) {
    context.failure.clear();
    context.extraOutputs.clear();
    if (!OpenSource(context, progress)) return false;
    try {
        CheckMovieSettings(context);
    } catch (...) {
        CloseSource(context);
        throw;
    }
    try {
        WriteAndPlaceMovie(context, progress);
    } catch (...) {
        context.extraOutputs.clear();  // their temporaries go with the movie's
        throw;
    }
    const bool completed = context.failure.empty();
    if (!completed) ReportFailure(progress, context.failure);
    else LogFinished(progress);
    return completed;
}

}  // namespace pellicor
