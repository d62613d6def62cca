#include "settings/settings_form.h"

#include <algorithm>
#include <tuple>

#include "settings/settings_check.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

constexpr std::int32_t kDefaultFrameQuality = 75;

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
    return std::clamp(value, low, std::max(low, high));
}

}  // namespace

std::string ExportExtension(std::int32_t exportType) {
    switch (exportType) {
        case kExportExecutable: return ".exe";
        case kExportHtml: return ".html";
        default: return ".swf";
    }
}

std::string ExportPathFor(const TCovSettings& record, std::int32_t exportType) {
    return record.destFilepath + ChangeExtension(record.destFilename, ExportExtension(exportType));
}

std::pair<std::string, std::string> SplitExportPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string FrameRateText(std::int32_t rate) { return std::to_string(rate) + "fps"; }
std::string PercentText(std::int32_t percent) { return std::to_string(percent) + "%"; }

std::int32_t OpacityPercent(std::int32_t opacity) {
    return static_cast<std::int32_t>(RoundHalfEven(opacity * 100.0 / 255.0));
}

void TSettingsForm::Open(TCovSettings& record) {
    record_ = &record;
    controls_ = record;
    exportPath_ = record.destFilepath + record.destFilename;
    // The sliders and spin boxes cannot show a value outside their ranges.
    controls_.destFrameRate = Clamp(controls_.destFrameRate, 1, FrameRateMaximum());
    controls_.destFrameQuality = Clamp(controls_.destFrameQuality, 1, kQualityMaximum);
    controls_.destFlashTextOpacity = Clamp(controls_.destFlashTextOpacity, 1, kOpacityMaximum);
    controls_.destFlashStartWaitSeconds = Clamp(controls_.destFlashStartWaitSeconds, 1, kWaitSecondsMaximum);
    SetPreloaderScale(controls_.destPreloaderScaleX, controls_.destPreloaderScaleY);
    SetPlaybackScale(controls_.destPlaybackScaleX, controls_.destPlaybackScaleY);
    RunAllRules();
}

void TSettingsForm::RunAllRules() {
    // Export name, compression, the four defaults, start wait, then the first-frame pair
    // (the blank frame first, so a record with both ticks keeps only the blank frame).
    // The other rules only enable controls; Enabling() computes them.
    exportPath_ = ExportPathFor(*record_, controls_.destExportType);
    SetFlashFormat(controls_.destFlashFormat);
    ApplyKeepDefaults();
    SetStartAction(controls_.destFlashStartAction);
    SetBlankFrame(controls_.destIsFlashBlankFrame);
    SetImageFrame(controls_.destIsFlashImageFrame);
}

void TSettingsForm::ApplyKeepDefaults() {
    SetKeepDefaultFrameRate(controls_.destIsDefaultFrameRate);
    SetKeepDefaultFrameQuality(controls_.destIsDefaultFrameQuality);
    SetKeepDefaultDuration(controls_.destIsDefaultDuration);
    SetKeepDefaultRegion(controls_.destIsDefaultRegion);
}

TSettingsEnabling TSettingsForm::Enabling() const {
    const TCovSettings& c = controls_;
    TSettingsEnabling e;
    e.compressed = c.destFlashFormat == kFlashFormatMX;
    e.password = c.destIsFlashProtected;
    e.frameRate = !c.destIsDefaultFrameRate;
    e.frameQuality = !c.destIsDefaultFrameQuality;
    e.duration = !c.destIsDefaultDuration;
    e.outputSize = !c.destIsDefaultRegion;
    e.blankFrameColor = c.destIsFlashBlankFrame;
    e.imageFrameFile = c.destIsFlashImageFrame;
    e.audioFormat = c.destIsAudioIncluded;
    e.audioFrequency = c.destIsAudioIncluded && c.destAudioFormat == kAudioWave;
    e.audioBitrate = c.destIsAudioIncluded && c.destAudioFormat == kAudioMp3;
    e.audioReplacedFile = c.destIsAudioIncluded && c.destIsAudioReplaced;
    e.startWait = c.destFlashStartAction == kStartPlay;
    e.endRepeatTimes = c.destIsFlashEndRepeat;
    e.endLink = c.destIsFlashEndOpenLink;
    e.clickLink = c.destIsFlashClickOpenLink;
    e.text = c.destIsFlashText;
    e.textCustomize = c.destIsFlashText && c.destFlashTextPosition == kPositionCustomize;
    e.textLink = c.destIsFlashText && c.destIsFlashTextOpenLink;
    e.preloader = c.destIsPreloader;
    e.preloaderCustomize = c.destIsPreloader && c.destPreloaderPosition == kPositionCustomize;
    e.playback = c.destIsPlayback;
    e.playbackCustomize = c.destIsPlayback && c.destPlaybackPosition == kPositionCustomize;
    return e;
}

std::int32_t TSettingsForm::FrameRateMaximum() const {
    return std::max<std::int32_t>(1, DefaultFrameRate(controls_.sourceInfo));
}

void TSettingsForm::SetExportType(std::int32_t type) {
    controls_.destExportType = type;
    if (record_ != nullptr) exportPath_ = ExportPathFor(*record_, type);
}

void TSettingsForm::ChooseExportPath(const std::string& path) {
    exportPath_ = path;
    if (record_ == nullptr) return;
    std::tie(record_->destFilepath, record_->destFilename) = SplitExportPath(path);
    controls_.destFilepath = record_->destFilepath;
    controls_.destFilename = record_->destFilename;
}

void TSettingsForm::SetFlashFormat(std::int32_t format) {
    controls_.destFlashFormat = format;
    if (format != kFlashFormatMX) controls_.destIsFlashCompressed = false;
}

void TSettingsForm::SetCompressed(bool compressed) {
    controls_.destIsFlashCompressed = compressed && controls_.destFlashFormat == kFlashFormatMX;
}

void TSettingsForm::SetFrameRate(std::int32_t rate) {
    controls_.destFrameRate = Clamp(rate, 1, FrameRateMaximum());
}

void TSettingsForm::SetFrameQuality(std::int32_t quality) {
    controls_.destFrameQuality = Clamp(quality, 1, kQualityMaximum);
}

void TSettingsForm::SetKeepDefaultFrameRate(bool down) {
    controls_.destIsDefaultFrameRate = down;
    if (down) controls_.destFrameRate = FrameRateMaximum();
}

void TSettingsForm::SetKeepDefaultFrameQuality(bool down) {
    controls_.destIsDefaultFrameQuality = down;
    if (down) controls_.destFrameQuality = kDefaultFrameQuality;
}

void TSettingsForm::SetKeepDefaultDuration(bool down) {
    controls_.destIsDefaultDuration = down;
    if (!down) return;
    controls_.destStartFrame = 1;
    controls_.destEndFrame = controls_.sourceInfo.vLen;
}

void TSettingsForm::SetKeepDefaultRegion(bool down) {
    controls_.destIsDefaultRegion = down;
    if (!down) return;
    controls_.destWidth = controls_.sourceInfo.resX;
    controls_.destHeight = controls_.sourceInfo.resY;
}

void TSettingsForm::LeaveStartFrame() {
    if (controls_.destEndFrame < controls_.destStartFrame) controls_.destStartFrame = controls_.destEndFrame;
}

void TSettingsForm::LeaveEndFrame() {
    if (controls_.destEndFrame < controls_.destStartFrame) controls_.destEndFrame = controls_.destStartFrame;
}

void TSettingsForm::SetBlankFrame(bool on) {
    controls_.destIsFlashBlankFrame = on;
    if (on) controls_.destIsFlashImageFrame = false;
}

void TSettingsForm::SetImageFrame(bool on) {
    controls_.destIsFlashImageFrame = on;
    if (on) controls_.destIsFlashBlankFrame = false;
}

void TSettingsForm::ApplyRegion(const TRegionChoice& region) {
    controls_.destIsDefaultDuration = false;
    controls_.destIsDefaultRegion = false;
    controls_.destRegionX = region.x;
    controls_.destRegionY = region.y;
    controls_.destRegionWidth = region.width;
    controls_.destRegionHeight = region.height;
    controls_.destWidth = region.width;
    controls_.destHeight = region.height;
    controls_.destStartFrame = region.startFrame;
    controls_.destEndFrame = region.endFrame;
    controls_.destIsApplyRegion = true;
}

void TSettingsForm::ApplyEffectsChoice(const TEffectSettings& effects) {
    controls_.effects = effects;
    controls_.effects.destIsApplyEffects = true;
}

void TSettingsForm::SetStartAction(std::int32_t action) {
    controls_.destFlashStartAction = action;
    if (action != kStartPlay) controls_.destIsFlashStartWait = false;
}

void TSettingsForm::SetStartWait(bool on) {
    controls_.destIsFlashStartWait = on && controls_.destFlashStartAction == kStartPlay;
}

void TSettingsForm::SetStartWaitSeconds(std::int32_t seconds) {
    controls_.destFlashStartWaitSeconds = Clamp(seconds, 1, kWaitSecondsMaximum);
}

void TSettingsForm::SetTextOpacity(std::int32_t opacity) {
    controls_.destFlashTextOpacity = Clamp(opacity, 1, kOpacityMaximum);
}

void TSettingsForm::SetPreloaderScale(std::int32_t x, std::int32_t y) {
    controls_.destPreloaderScaleX = Clamp(x, 1, kScaleMaximum);
    controls_.destPreloaderScaleY = Clamp(y, 1, kScaleMaximum);
}

void TSettingsForm::SetPlaybackScale(std::int32_t x, std::int32_t y) {
    controls_.destPlaybackScaleX = Clamp(x, 1, kScaleMaximum);
    controls_.destPlaybackScaleY = Clamp(y, 1, kScaleMaximum);
}

void TSettingsForm::SetCustomPosition(TCustomPosition which, std::int32_t x, std::int32_t y) {
    switch (which) {
        case TCustomPosition::Text: controls_.destFlashTextX = x, controls_.destFlashTextY = y; break;
        case TCustomPosition::Preloader: controls_.destPreloaderPositionX = x, controls_.destPreloaderPositionY = y; break;
        case TCustomPosition::Playback: controls_.destPlaybackPositionX = x, controls_.destPlaybackPositionY = y; break;
    }
}

std::pair<std::int32_t, std::int32_t> TSettingsForm::CustomPosition(TCustomPosition which) const {
    switch (which) {
        case TCustomPosition::Text: return {controls_.destFlashTextX, controls_.destFlashTextY};
        case TCustomPosition::Preloader: return {controls_.destPreloaderPositionX, controls_.destPreloaderPositionY};
        case TCustomPosition::Playback: return {controls_.destPlaybackPositionX, controls_.destPlaybackPositionY};
    }
    return {0, 0};
}

TCovSettings TSettingsForm::Written() const {
    TCovSettings result = controls_;
    std::tie(result.destFilepath, result.destFilename) = SplitExportPath(exportPath_);
    if (result.destStartFrame <= 0) result.destStartFrame = 1;
    if (result.destEndFrame > result.sourceInfo.vLen) result.destEndFrame = result.sourceInfo.vLen;
    return result;
}

std::optional<std::string> TSettingsForm::Problem() const { return TaskSettingsProblem(Written()); }

void TSettingsForm::Accept() {
    if (record_ != nullptr) *record_ = Written();
}

}  // namespace pellicor
