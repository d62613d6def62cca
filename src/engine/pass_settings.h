#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/progress.h"
#include "media/bitmap.h"
#include "media/gif_image.h"
#include "media/mcl_image.h"
#include "media/mcl_read.h"
#include "media/yuv_picture.h"
#include "settings/cov_settings.h"
#include "settings/effect_settings.h"
#include "util/temporary_file.h"

namespace pellicor {

class TFlashMovie;
class TJpegEncoder;

// ---- the conversion context ----

// Names of the only readers there are.
inline constexpr std::string_view kVideoEngineMcl = "MCL";
inline constexpr std::string_view kGifEngineRx = "RX";

// The display depths of a converted movie.
inline constexpr std::uint16_t kDepthFirstFrame = 1;
inline constexpr std::uint16_t kDepthPlayButton = 2;  // click-to-play button or preloader
inline constexpr std::uint16_t kDepthPreloader = 2;
inline constexpr std::uint16_t kDepthClickLink = 3;
inline constexpr std::uint16_t kDepthVideo = 10;
inline constexpr std::uint16_t kDepthCaption = 20;
inline constexpr std::uint16_t kDepthPlayback = 30;

// The context of one conversion: filled by the front end (the batch driver) for every task,
// read by the engine, which also keeps its working objects here. Each running conversion
// has its own (with --jobs, one per job thread); nothing in it is shared between them.
// Fields that carry a task setting unchanged keep the setting's name (TCovSettings).
struct TPassSettings {
    TPassSettings();
    ~TPassSettings();
    TPassSettings(const TPassSettings&) = delete;
    TPassSettings& operator=(const TPassSettings&) = delete;

    // ---- working objects, created and freed by ConvertTask ----
    std::unique_ptr<TFlashMovie> movie;
    TBitmap frameBitmap;                  // the current frame with effects applied (only when they are on)
    // The picture as read, before the effects: partial GIF frames and failed reads build on
    // it, so the effects never run twice over the same pixels.
    TBitmap sourceBitmap;
    // The picture as the decoder's planes, when the frame needs no effects and no crop and
    // the decoder's pictures suit the JPEG encoder as they are (then pictureIsPlanes is set
    // and sourceBitmap is not filled).
    TYuvPicture sourcePlanes;
    bool pictureIsPlanes = false;
    std::unique_ptr<TJpegEncoder> jpegImage;
    std::vector<std::uint8_t> jpegStream;  // JPEG bytes of one picture, emptied per frame
    // Threads of this conversion (the decoder's and the JPEG encoders'); 0 for as many as
    // the machine has cores. The batch driver divides the cores between its jobs.
    int threadCount = 0;

    // ---- readers ----
    // Copy each frame into the preview (may change during a run).
    std::atomic<bool> isPreview{false};
    // Shows a frame; called with the frame's picture while isPreview is set. May be empty.
    std::function<void(const TBitmap&)> previewImage;

    bool isVideo = false;  // decoded through the media layer
    std::string videoEngine{kVideoEngineMcl};
    TMclReadHandle readHandle;
    TMclImageHandle mclImage;
    // Fast converting off: every frame is read twice (may change during a run).
    std::atomic<bool> isSlowReading{false};

    bool isGif = false;  // an animated GIF read by TGIFImage
    std::string gifEngine{kGifEngineRx};
    std::unique_ptr<TGIFImage> gifImage;

    // ---- files and geometry ----
    std::string srcPath;   // full source path
    std::string destPath;  // full output path, extension ".swf"
    std::int32_t resX = 0, resY = 0;  // source frame size in pixels
    std::int32_t destWidth = 0, destHeight = 0;  // stage size in pixels
    bool destIsApplyRegion = false;
    std::int32_t destRegionX = 0, destRegionY = 0;
    std::int32_t destRegionWidth = 0, destRegionHeight = 0;
    std::int32_t startIndex = 0, endIndex = 0;  // first and last source frame, 0-based, included
    double srcFrameRate = 0;
    double destFrameRate = 0;

    // ---- movie options ----
    std::int32_t destFlashPlayingQuality = 0;
    std::int32_t destFrameQuality = 0;  // JPEG quality 1..100
    std::int32_t destFlashFormat = 0;   // SWF version - 5
    bool destIsFlashCompressed = false;
    bool destIsFlashProtected = false;
    std::string destFlashPassword;
    TColor destFlashBackgroundColor = 0;

    // ---- effects: the task's block, copied whole (destIsApplyEffects inside) ----
    TEffectSettings effects;

    // ---- first frame ----
    bool destIsFlashBlankFrame = false;
    TColor destFlashBlankFrameColor = 0;
    bool destIsFlashImageFrame = false;
    std::string destFlashImageFrameFile;

    // ---- start, end and click link ----
    std::int32_t destFlashStartAction = 0;
    bool destIsFlashStartWait = false;
    std::int32_t destFlashStartWaitSeconds = 0;
    bool destIsFlashEndRepeat = false;
    std::int32_t destFlashEndRepeatTimes = 0;
    bool destIsFlashEndUnload = false;
    bool destIsFlashEndOpenLink = false;
    std::int32_t destFlashEndOpenLinkType = 0;
    std::int32_t destFlashEndOpenLinkTarget = 0;
    std::string destFlashEndOpenLinkURL;
    bool destIsFlashClickOpenLink = false;
    std::int32_t destFlashClickOpenLinkType = 0;
    std::int32_t destFlashClickOpenLinkTarget = 0;
    std::string destFlashClickOpenLinkURL;

    // ---- caption ----
    bool destIsFlashText = false;
    std::vector<std::string> destFlashText;
    TFontDescription destFlashTextFont;
    std::int32_t destFlashTextOpacity = 0;
    std::int32_t destFlashTextPosition = 0;
    std::int32_t destFlashTextX = 0, destFlashTextY = 0;
    bool destIsFlashTextOpenLink = false;
    std::int32_t destFlashTextOpenLinkType = 0;
    std::int32_t destFlashTextOpenLinkTarget = 0;
    std::string destFlashTextOpenLinkURL;

    // ---- preloader and playback controls ----
    bool destIsPreloader = false;
    std::string destPreloader;
    std::int32_t destPreloaderScaleX = 0, destPreloaderScaleY = 0;
    std::int32_t destPreloaderPosition = 0;
    std::int32_t destPreloaderPositionX = 0, destPreloaderPositionY = 0;
    bool destIsPlayback = false;
    std::string destPlayback;
    std::int32_t destPlaybackScaleX = 0, destPlaybackScaleY = 0;
    std::int32_t destPlaybackPosition = 0;
    std::int32_t destPlaybackPositionX = 0, destPlaybackPositionY = 0;

    // ---- audio ----
    bool isAudio = false;  // the movie gets sound
    bool destIsAudioIncluded = false;  // the task asked for sound (isAudio: and there is some)
    bool destIsAudioReplaced = false;
    std::string destAudioReplacedFile;
    bool destIsAudioExtracted = false;
    std::int32_t destAudioFormat = 0;     // 0 wave, 1 MP3
    std::int32_t destAudioFrequency = 0;  // wave rate choice 0..2
    std::int32_t destAudioBitrate = 0;    // MP3 choice 0..9
    double audioSampleRate = 0;           // source samples per second (aLen / aTimeLen)
    std::string tempFolder;               // the run's own temporary folder, ending in "/"
    std::string tempAudioFile;            // tempFolder + "atemp.wav" / "atemp.mp3"
    std::string audioFile;                // the file attached to the movie

    // ---- outcome ----
    // Outputs besides the movie (the separate sound file), written completely under a
    // temporary name: renamed over their final names after the movie, dropped when the
    // conversion fails.
    std::vector<std::unique_ptr<TTemporaryFile>> extraOutputs;
    // Why the task failed although its movie was written (a replacement sound that cannot
    // be read): ConvertTask then reports it and returns false. Empty while all is well.
    std::string failure;
};

}  // namespace pellicor
