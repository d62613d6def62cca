#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "media/source_info.h"
#include "settings/export_settings.h"

namespace pellicor {

// "MS Sans Serif", 8 points, no style, black, character set 1, default pitch.
TFontDescription DefaultCaptionFont();

// Values of the enumerated fields, as the record and the task list file hold them.
enum TExportType : std::int32_t { kExportSwf = 0, kExportExecutable = 1, kExportHtml = 2 };
enum TFlashFormat : std::int32_t { kFlashFormat3 = 0, kFlashFormatMX = 1 };  // SWF version = value + 5
enum TPlayingQuality : std::int32_t {
    kQualityDefault = 0, kQualityBest = 1, kQualityHigh = 2, kQualityMedium = 3, kQualityLow = 4
};
enum TStartAction : std::int32_t { kStartPlay = 0, kStartOnClick = 1, kStartStopped = 2 };
enum TLinkType : std::int32_t { kLinkHtmlPage = 0, kLinkSwfMovie = 1 };
enum TLinkTarget : std::int32_t { kTargetSelf = 0, kTargetBlank = 1, kTargetParent = 2, kTargetTop = 3 };
enum TPositionPreset : std::int32_t {
    kPositionCenter = 0, kPositionTopLeft = 1, kPositionTopCenter = 2, kPositionTopRight = 3,
    kPositionBottomLeft = 4, kPositionBottomCenter = 5, kPositionBottomRight = 6, kPositionCustomize = 7
};
enum TAudioFormat : std::int32_t { kAudioWave = 0, kAudioMp3 = 1 };

// The dialog's list items, indexed by the field's value.
inline constexpr std::array<std::string_view, 3> kExportTypeItems = {
    "Standard flash file (*.swf)", "Executable flash file (*.exe)", "HTML file including the flash (*.html)"};
inline constexpr std::array<std::string_view, 2> kFlashFormatItems = {
    "Flash 3+ (Compatible with Flash 3,4,5) ", "Flash MX (Compatible with Flash 6,7,8)"};
inline constexpr std::array<std::string_view, 5> kPlayingQualityItems = {"Default", "Best", "High", "Medium", "Low"};
inline constexpr std::array<std::string_view, 3> kStartActionItems = {
    "Automaticly begin playback", "Click on the movie to begin playback", "Stop action at the first frame"};
inline constexpr std::array<std::string_view, 2> kLinkTypeItems = {"Open HTML page", "Open SWF movie"};
inline constexpr std::array<std::string_view, 4> kLinkTargetItems = {"_self", "_blank", "_parent", "_top"};
inline constexpr std::array<std::string_view, 8> kPositionPresetItems = {
    "Center", "TopLeft", "TopCenter", "TopRight", "BottomLeft", "BottomCenter", "BottomRight", "Customize"};
inline constexpr std::array<std::string_view, 2> kAudioFormatItems = {"Wave Format", "MP3 format (Recommended)"};
inline constexpr std::array<std::string_view, 3> kAudioFrequencyItems = {"11025 Hz", "22050 Hz", "44100 Hz"};
inline constexpr std::array<std::string_view, 10> kAudioBitrateItems = {
    "32Kbps", "56Kbps", "64Kbps", "112Kbps", "128Kbps", "160Kbps", "192Kbps", "224Kbps", "256Kbps", "320Kbps"};

// The numbers behind the frequency and bitrate lists.
inline constexpr std::array<std::int32_t, 3> kAudioFrequencyHz = {11025, 22050, 44100};
inline constexpr std::array<std::int32_t, 10> kAudioBitrateKbps = {32, 56, 64, 112, 128, 160, 192, 224, 256, 320};

// Address of the maker's home page: default of every link and of the caption line.
inline constexpr std::string_view kHomePageAddress = "http://www.pellicor.example/";

// Where an HTML page loads the Ruffle web player from by default: its public distribution,
// pinned to the version the player tests play with.
inline constexpr std::string_view kRuffleScriptAddress = "https://unpkg.com/@ruffle-rs/ruffle@0.6.0/ruffle.js";

// Everything about one conversion task: the blocks the engine reads (TExportSettings) and
// what only the task, its dialog and the packaging use. Field names are the task list
// file's keys. A new record holds zeros, false and empty strings; InitTaskSettings gives
// the defaults.
struct TCovSettings : TExportSettings {
    TSourceInfo sourceInfo;

    std::string destFilename;
    std::string destFilepath;  // ends in "/"
    std::int32_t destExportType = 0;
    std::int32_t destFrameRate = 0;
    std::int32_t destStartFrame = 0;
    std::int32_t destEndFrame = 0;
    bool destIsDefaultFrameRate = false;
    bool destIsDefaultFrameQuality = false;
    bool destIsDefaultDuration = false;
    bool destIsDefaultRegion = false;
    bool destIsKeepAspectRatio = false;
    bool destIsSkin = false;
    std::int32_t destSkinType = 0;
    // The HTML page also loads the Ruffle web player, so that it plays in browsers without
    // the plug-in, from destHtmlRuffleScript (empty: kRuffleScriptAddress).
    bool destIsHtmlRuffle = false;
    std::string destHtmlRuffleScript;

    bool operator==(const TCovSettings&) const = default;
};

// How InitTaskSettings finds the source information.
enum TInitMode : int {
    kInitProbe = 0,    // probe the source file into sourceInfo first
    kInitNoProbe = 1,  // the caller fills sourceInfo (the task list loader)
};

// Fills every export field with its default, some derived from sourceInfo (export name,
// frame rate, end frame, output and crop size). Mode 0 probes `path` first and returns
// false, leaving the record as it was, when the probe refuses the file; mode 1 skips the
// probe; any other mode returns false.
bool InitTaskSettings(const std::string& path, TCovSettings& settings, int mode);

// The source name with its extension replaced by `extension` (".swf"); a name without an
// extension gets it appended.
std::string ChangeExtension(const std::string& fileName, const std::string& extension);

// The frame rate of a source without a frame rate of its own (a sound file: vFreq 0).
inline constexpr std::int32_t kSoundOnlyFrameRate = 12;

// The highest frame rate a movie header holds (its 8.8 rate field).
inline constexpr std::int32_t kMaxDefaultFrameRate = 255;

// vFreq rounded to the nearest integer, halves to even, kept inside 1 .. 255 (what the
// movie header holds); kSoundOnlyFrameRate when vFreq is 0 (a sound file has no frames to
// take the rate from).
std::int32_t DefaultFrameRate(const TSourceInfo& info);

}  // namespace pellicor
