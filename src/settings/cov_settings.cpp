#include "settings/cov_settings.h"

#include <cmath>
#include <filesystem>
#include <algorithm>
#include <limits>

#include "media/source_probe.h"
#include "settings/app_paths.h"
#include "util/numbers.h"

namespace pellicor {

TFontDescription DefaultCaptionFont() {
    TFontDescription font;
    font.name = "MS Sans Serif";
    font.size = 8;
    font.color = kColorBlack;
    font.charset = 1;
    font.pitch = 0;
    return font;
}

std::string ChangeExtension(const std::string& fileName, const std::string& extension) {
    return std::filesystem::path(fileName).replace_extension(extension).string();
}

std::int32_t DefaultFrameRate(const TSourceInfo& info) {
    // A probe may report nonsense (a damaged file at 1000 frames per second): the default
    // stays inside what the movie header holds.
    if (!std::isfinite(info.vFreq) || info.vFreq < 0) return 1;
    if (info.vFreq == 0) return kSoundOnlyFrameRate;
    if (info.vFreq >= kMaxDefaultFrameRate) return kMaxDefaultFrameRate;
    return static_cast<std::int32_t>(std::max<std::int64_t>(RoundHalfEven(info.vFreq), 1));
}

namespace {

void FillEffectDefaults(TEffectSettings& effects) {
    effects = TEffectSettings{};
    effects.destGammaR = effects.destGammaG = effects.destGammaB = 1.0;
    effects.destWhiteBalanceR = effects.destWhiteBalanceG = effects.destWhiteBalanceB = 255;
    effects.destSolarizeR = effects.destSolarizeG = effects.destSolarizeB = 255;
}

void FillExportDefaults(TCovSettings& s) {
    const TSourceInfo& info = s.sourceInfo;
    const std::string home(kHomePageAddress);
    const std::string resources = ResourcesFolder();

    s.destFilename = ChangeExtension(info.srcFilename, ".swf");
    s.destFilepath = info.srcFilepath;
    s.destExportType = kExportSwf;
    s.destFlashFormat = kFlashFormatMX;
    s.destIsFlashCompressed = true;
    s.destIsFlashProtected = false;
    s.destFlashPlayingQuality = kQualityDefault;
    s.destFlashPassword = "kestrels";
    s.destFlashBackgroundColor = kColorWhite;
    s.destFrameRate = DefaultFrameRate(info);
    s.destFrameQuality = 75;
    s.destStartFrame = 1;
    s.destEndFrame = info.vLen;
    s.destWidth = info.resX;
    s.destHeight = info.resY;
    s.destIsDefaultFrameRate = false;
    s.destIsDefaultFrameQuality = false;
    s.destIsDefaultDuration = false;
    s.destIsDefaultRegion = false;
    s.destIsKeepAspectRatio = false;
    s.destIsApplyRegion = false;
    s.destRegionX = 0;
    s.destRegionY = 0;
    s.destRegionWidth = info.resX;
    s.destRegionHeight = info.resY;

    FillEffectDefaults(s.effects);

    s.destIsAudioIncluded = true;
    s.destIsAudioExtracted = false;
    s.destAudioFormat = kAudioWave;
    s.destAudioFrequency = 2;
    s.destAudioBitrate = 4;
    s.destIsAudioReplaced = false;
    s.destAudioReplacedFile.clear();
    s.destFlashStartAction = kStartPlay;
    s.destIsFlashStartWait = false;
    s.destFlashStartWaitSeconds = 5;
    s.destIsFlashEndRepeat = false;
    s.destFlashEndRepeatTimes = 3;
    s.destIsFlashEndUnload = false;
    s.destIsFlashEndOpenLink = false;
    s.destFlashEndOpenLinkType = kLinkHtmlPage;
    s.destFlashEndOpenLinkTarget = kTargetSelf;
    s.destFlashEndOpenLinkURL = home;
    s.destIsFlashClickOpenLink = false;
    s.destFlashClickOpenLinkType = kLinkHtmlPage;
    s.destFlashClickOpenLinkTarget = kTargetSelf;
    s.destFlashClickOpenLinkURL = home;
    s.destIsFlashText = false;
    s.destFlashText = {home};
    s.destFlashTextFont = DefaultCaptionFont();
    s.destFlashTextOpacity = 255;
    s.destFlashTextPosition = kPositionBottomCenter;
    s.destFlashTextX = 0;
    s.destFlashTextY = 0;
    s.destIsFlashTextOpenLink = false;
    s.destFlashTextOpenLinkType = kLinkHtmlPage;
    s.destFlashTextOpenLinkTarget = kTargetSelf;
    s.destFlashTextOpenLinkURL = home;
    s.destIsFlashBlankFrame = false;
    s.destFlashBlankFrameColor = kColorWhite;
    s.destIsFlashImageFrame = false;
    s.destFlashImageFrameFile.clear();
    s.destIsPreloader = false;
    s.destPreloader = resources + "preloader/preloader.swf";
    s.destPreloaderScaleX = 50;
    s.destPreloaderScaleY = 50;
    s.destPreloaderPosition = kPositionCenter;
    s.destPreloaderPositionX = 0;
    s.destPreloaderPositionY = 0;
    s.destIsPlayback = false;
    s.destPlayback = resources + "playback/playback.swf";
    s.destPlaybackScaleX = 50;
    s.destPlaybackScaleY = 50;
    s.destPlaybackPosition = kPositionBottomCenter;
    s.destPlaybackPositionX = 0;
    s.destPlaybackPositionY = 0;
    s.destIsSkin = false;
    s.destSkinType = 0;
    s.destIsHtmlRuffle = false;
    s.destHtmlRuffleScript.clear();  // the public address
}

}  // namespace

bool InitTaskSettings(const std::string& path, TCovSettings& settings, int mode) {
    if (mode == kInitProbe) {
        // Probe into a scratch record so that a refusal leaves the caller's record untouched.
        TSourceInfo probed = settings.sourceInfo;
        if (!ProbeSourceFile(path, probed)) return false;
        settings.sourceInfo = std::move(probed);
    } else if (mode != kInitNoProbe) {
        return false;
    }
    FillExportDefaults(settings);
    return true;
}

}  // namespace pellicor
