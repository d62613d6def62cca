#include "engine/preloader.h"

#include <filesystem>
#include <memory>

#include "movie/flash_action_script.h"
#include "movie/flash_external_movie.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_sprite.h"
#include "settings/cov_settings.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

constexpr std::int32_t kPresetMargin = 3;

// The merged file's sprite, placed, scaled, moved and named.
void PlaceOverlay(TFlashMovie& movie, TFlashExternalMovie& external, std::uint16_t depth, std::int32_t scaleX,
                  std::int32_t scaleY, TOverlayPosition at, const std::string& name) {
    TFlashPlaceObject& place = movie.PlaceObject(external.Sprite(), depth);
    place.SetScale(scaleX / 100.0, scaleY / 100.0);
    place.SetTranslate(at.x, at.y);
    place.SetName(name);
}

bool FileExists(const std::string& fileName) {
    std::error_code error;
    return !fileName.empty() && std::filesystem::is_regular_file(fileName, error);
}

// The file read once for its size and once more as the external movie; none when it
// cannot be read.
struct TLoadedOverlay {
    TOverlayPosition position;
    std::unique_ptr<TFlashExternalMovie> movie;
};

std::optional<TLoadedOverlay> LoadOverlay(TPassSettings& context, const std::string& fileName, std::int32_t scaleX,
                                          std::int32_t scaleY, std::int32_t preset, std::int32_t customX,
                                          std::int32_t customY) {
    if (!FileExists(fileName)) return std::nullopt;
    const std::optional<TOverlaySize> size = ScaledMovieSize(fileName, scaleX, scaleY);
    if (!size) return std::nullopt;
    TLoadedOverlay loaded;
    loaded.position = PresetPosition(preset, context.destWidth, context.destHeight, *size, customX, customY);
    try {
        loaded.movie = std::make_unique<TFlashExternalMovie>(context.movie.get(), fileName);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (!loaded.movie->Reader().Valid()) return std::nullopt;
    return loaded;
}

}  // namespace

std::optional<TOverlaySize> ScaledMovieSize(const std::string& fileName, std::int32_t scaleX, std::int32_t scaleY) {
    try {
        TSWFStreamReader reader(fileName);
        if (!reader.Valid()) return std::nullopt;
        const double width = reader.Width() / 20.0;
        const double height = reader.Height() / 20.0;
        return TOverlaySize{static_cast<std::int32_t>(RoundHalfEven(width * scaleX / 100.0)),
                            static_cast<std::int32_t>(RoundHalfEven(height * scaleY / 100.0))};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

TOverlayPosition PresetPosition(std::int32_t preset, std::int32_t stageWidth, std::int32_t stageHeight,
                                TOverlaySize size, std::int32_t customX, std::int32_t customY) {
    const auto centred = [](std::int32_t stage, std::int32_t item) {
        return static_cast<std::int32_t>(TruncDiv(std::int64_t{stage} - item, 2));
    };
    const std::int32_t left = kPresetMargin;
    const std::int32_t top = kPresetMargin;
    const std::int32_t right = stageWidth - size.width - kPresetMargin;
    const std::int32_t bottom = stageHeight - size.height - kPresetMargin;
    const std::int32_t middleX = centred(stageWidth, size.width);
    const std::int32_t middleY = centred(stageHeight, size.height);
    switch (preset) {
        case kPositionTopLeft: return {left, top};
        case kPositionTopCenter: return {middleX, top};
        case kPositionTopRight: return {right, top};
        case kPositionBottomLeft: return {left, bottom};
        case kPositionBottomCenter: return {middleX, bottom};
        case kPositionBottomRight: return {right, bottom};
        case kPositionCustomize: return {customX, customY};
        default: return {middleX, middleY};
    }
}

void AddPlaybackControls(TPassSettings& context, std::uint16_t depth) {
    if (!context.destIsPlayback) return;
    std::optional<TLoadedOverlay> loaded =
        LoadOverlay(context, context.destPlayback, context.destPlaybackScaleX, context.destPlaybackScaleY,
                    context.destPlaybackPosition, context.destPlaybackPositionX, context.destPlaybackPositionY);
    if (!loaded) return;
    TFlashMovie& movie = *context.movie;
    TFlashExternalMovie& external = movie.LoadExternalMovie(std::move(loaded->movie), emSprite, true);
    PlaceOverlay(movie, external, depth, context.destPlaybackScaleX, context.destPlaybackScaleY, loaded->position,
                 "playback");
}

void AddPreloader(TPassSettings& context, const TFirstFrame& firstFrame, std::uint16_t depth) {
    if (!context.destIsPreloader) return;
    std::optional<TLoadedOverlay> loaded =
        LoadOverlay(context, context.destPreloader, context.destPreloaderScaleX, context.destPreloaderScaleY,
                    context.destPreloaderPosition, context.destPreloaderPositionX, context.destPreloaderPositionY);
    if (!loaded) return;
    TFlashMovie& movie = *context.movie;
    if (firstFrame.picture) movie.PlaceObject(firstFrame.picture, kDepthFirstFrame).SetTranslate(firstFrame.x, firstFrame.y);
    TFlashExternalMovie& external = movie.LoadExternalMovie(std::move(loaded->movie), emSprite, true);
    PlaceOverlay(movie, external, depth, context.destPreloaderScaleX, context.destPreloaderScaleY, loaded->position,
                 "preloader");
    // The main timeline waits in frame 1 until the preloader moves it on; frame 2 takes the
    // preloader away and plays on.
    movie.FrameActions().Stop();
    movie.ShowFrame();
    movie.RemoveObject(depth);
    movie.FrameActions().Play();
    movie.ShowFrame();
}

}  // namespace pellicor
