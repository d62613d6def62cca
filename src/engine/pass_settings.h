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
#include "settings/export_settings.h"
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
// The task's export settings come as the blocks it shares with the task record (copied by
// the batch driver, which then applies its rules to a few fields); the rest is derived.
struct TPassSettings : TExportSettings {
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
    // The picture as read when the frame stage handed it to the encoders instead of a copy
    // (what sourceBitmap holds then means nothing): shared with its encoding until the next
    // picture is read, and taken back into sourceBitmap by whatever builds on it (a failed
    // read, a crop reaching out of the picture).
    std::shared_ptr<const TBitmap> lentPicture;
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
    std::int32_t startIndex = 0, endIndex = 0;  // first and last source frame, 0-based, included
    double srcFrameRate = 0;
    double destFrameRate = 0;  // the task's rate; a sound file's default when it has none

    // ---- audio ----
    bool isAudio = false;  // the movie gets sound (destIsAudioIncluded: the task asked for it)
    double audioSampleRate = 0;  // source samples per second (aLen / aTimeLen)
    std::string tempFolder;      // the run's own temporary folder, ending in "/"
    std::string tempAudioFile;   // tempFolder + "atemp.wav" / "atemp.mp3"
    std::string audioFile;       // the file attached to the movie

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
