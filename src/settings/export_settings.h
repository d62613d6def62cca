#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/effect_settings.h"

namespace pellicor {

// A colour laid out 0x00BBGGRR: red in the low byte.
using TColor = std::uint32_t;

inline constexpr TColor kColorBlack = 0x000000;
inline constexpr TColor kColorWhite = 0xFFFFFF;

// The caption font. Size, character set and pitch may hold -1 when a task list file
// gave something that is not a number there.
struct TFontDescription {
    std::string name;
    std::int32_t size = 0;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    TColor color = kColorBlack;
    std::int32_t charset = 0;  // 1 = the system default character set
    std::int32_t pitch = 0;    // 0 default, 1 variable, 2 fixed

    bool operator==(const TFontDescription&) const = default;
};

// The settings a task hands to the engine, in blocks that both the task (TCovSettings) and
// the conversion context (TPassSettings) inherit, so that each is declared once and the
// context is filled by copying the blocks. Field names are the task list file's keys. A new
// block holds zeros, false and empty strings; InitTaskSettings gives the task defaults.

// The movie as a whole.
struct TMovieExportSettings {
    std::int32_t destFlashFormat = 0;  // SWF version - 5
    bool destIsFlashCompressed = false;
    bool destIsFlashProtected = false;
    std::string destFlashPassword;
    std::int32_t destFlashPlayingQuality = 0;
    TColor destFlashBackgroundColor = 0;

    bool operator==(const TMovieExportSettings&) const = default;
};

// The pictures: JPEG quality, stage size and crop. The conversion context holds the stage
// and crop sizes after fitting them to the source when the task keeps the aspect ratio.
struct TVideoExportSettings {
    std::int32_t destFrameQuality = 0;  // JPEG quality 1..100
    std::int32_t destWidth = 0;
    std::int32_t destHeight = 0;
    bool destIsApplyRegion = false;
    std::int32_t destRegionX = 0;
    std::int32_t destRegionY = 0;
    std::int32_t destRegionWidth = 0;
    std::int32_t destRegionHeight = 0;

    bool operator==(const TVideoExportSettings&) const = default;
};

// The sound. The context keeps format, frequency and bitrate only for sound extracted
// from the source (zero otherwise).
struct TAudioExportSettings {
    bool destIsAudioIncluded = false;
    bool destIsAudioExtracted = false;
    std::int32_t destAudioFormat = 0;     // 0 wave, 1 MP3
    std::int32_t destAudioFrequency = 0;  // wave rate choice 0..2
    std::int32_t destAudioBitrate = 0;    // MP3 choice 0..9
    bool destIsAudioReplaced = false;
    std::string destAudioReplacedFile;

    bool operator==(const TAudioExportSettings&) const = default;
};

// What the movie does at its start and end, and the link of a click on it.
struct TActionExportSettings {
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

    bool operator==(const TActionExportSettings&) const = default;
};

// The caption over the video and its link.
struct TCaptionExportSettings {
    bool destIsFlashText = false;
    std::vector<std::string> destFlashText;  // caption lines
    TFontDescription destFlashTextFont;
    std::int32_t destFlashTextOpacity = 0;
    std::int32_t destFlashTextPosition = 0;
    std::int32_t destFlashTextX = 0;
    std::int32_t destFlashTextY = 0;
    bool destIsFlashTextOpenLink = false;
    std::int32_t destFlashTextOpenLinkType = 0;
    std::int32_t destFlashTextOpenLinkTarget = 0;
    std::string destFlashTextOpenLinkURL;

    bool operator==(const TCaptionExportSettings&) const = default;
};

// The frame shown before the video. The context sets destIsFlashImageFrame only when the
// picture file exists.
struct TFirstFrameExportSettings {
    bool destIsFlashBlankFrame = false;
    TColor destFlashBlankFrameColor = 0;
    bool destIsFlashImageFrame = false;
    std::string destFlashImageFrameFile;

    bool operator==(const TFirstFrameExportSettings&) const = default;
};

// The preloader shown while the movie loads and the playback controls over it.
struct TControlExportSettings {
    bool destIsPreloader = false;
    std::string destPreloader;
    std::int32_t destPreloaderScaleX = 0;
    std::int32_t destPreloaderScaleY = 0;
    std::int32_t destPreloaderPosition = 0;
    std::int32_t destPreloaderPositionX = 0;
    std::int32_t destPreloaderPositionY = 0;
    bool destIsPlayback = false;
    std::string destPlayback;
    std::int32_t destPlaybackScaleX = 0;
    std::int32_t destPlaybackScaleY = 0;
    std::int32_t destPlaybackPosition = 0;
    std::int32_t destPlaybackPositionX = 0;
    std::int32_t destPlaybackPositionY = 0;

    bool operator==(const TControlExportSettings&) const = default;
};

// Every block the engine reads, the effects included.
struct TExportSettings : TMovieExportSettings,
                         TVideoExportSettings,
                         TAudioExportSettings,
                         TActionExportSettings,
                         TCaptionExportSettings,
                         TFirstFrameExportSettings,
                         TControlExportSettings {
    TEffectSettings effects;

    bool operator==(const TExportSettings&) const = default;
};

}  // namespace pellicor
