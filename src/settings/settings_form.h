#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "settings/cov_settings.h"

namespace pellicor {

// What the region dialog hands back on Apply: the crop rectangle in source pixels and the
// frame range.
struct TRegionChoice {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::int32_t startFrame = 1, endFrame = 1;
};

// The three custom positions the position dialog edits.
enum class TCustomPosition { Text, Preloader, Playback };

// Which controls of the export settings dialog accept input. A control not named here is
// always enabled.
struct TSettingsEnabling {
    bool compressed = false;
    bool password = false;
    bool frameRate = false;
    bool frameQuality = false;
    bool duration = false;       // start and end frame fields
    bool outputSize = false;     // width and height fields
    bool blankFrameColor = false;
    bool imageFrameFile = false;
    bool audioFormat = false;    // the two format options, "Replace audio..." check box
    bool audioFrequency = false;
    bool audioBitrate = false;
    bool audioReplacedFile = false;  // path and browse
    bool startWait = false;      // check box, seconds, "seconds."
    bool endRepeatTimes = false;
    bool endLink = false;        // type, target, address, "Test the link"
    bool clickLink = false;
    bool text = false;           // lines, font, opacity, position, caption link check box
    bool textCustomize = false;
    bool textLink = false;
    bool preloader = false;      // file, browse, position, scales
    bool preloaderCustomize = false;
    bool playback = false;
    bool playbackCustomize = false;

    bool operator==(const TSettingsEnabling&) const = default;
};

// The export settings dialog without a toolkit: what its controls show, the rules that tie
// them together, and what OK writes back. The controls' state is held as a settings record
// (`Controls()`), so each control maps to the field it edits; the export path field, which
// joins two fields, is held apart. Controls without a rule of their own are edited through
// `Controls()` directly; those with one go through the setters below, which apply it.
//
// The record stays untouched until Accept, with one exception: a path chosen with the
// export browse button goes into the record at once and is kept by Cancel.
class TSettingsForm {
public:
    // Fills the controls from `record` and runs every rule once. The record must outlive
    // the form's use of it (until Accept or the next Open).
    void Open(TCovSettings& record);
    bool IsOpen() const { return record_ != nullptr; }

    TCovSettings& Controls() { return controls_; }
    const TCovSettings& Controls() const { return controls_; }
    const std::string& ExportPath() const { return exportPath_; }
    TSettingsEnabling Enabling() const;

    // ---- slider ranges ----
    // The frame-rate slider goes from 1 to the source rate rounded (halves to even).
    std::int32_t FrameRateMaximum() const;
    static constexpr std::int32_t kQualityMaximum = 100;
    static constexpr std::int32_t kOpacityMaximum = 255;
    static constexpr std::int32_t kScaleMaximum = 100;
    static constexpr std::int32_t kWaitSecondsMaximum = 10000;

    // ---- the general page ----
    // Replaces the export path with the record's folder and name, the name's extension
    // changed to ".swf", ".exe" or ".html".
    void SetExportType(std::int32_t type);
    // Typed into the field: kept as typed until OK splits it.
    void SetExportPath(const std::string& path) { exportPath_ = path; }
    // Chosen with the browse button: into the field and at once into the record.
    void ChooseExportPath(const std::string& path);
    // Flavour 0 (Flash 3+) clears compression.
    void SetFlashFormat(std::int32_t format);
    // Compression is refused for flavour 0.
    void SetCompressed(bool compressed);

    // ---- video ----
    void SetFrameRate(std::int32_t rate);        // kept inside the slider's range
    void SetFrameQuality(std::int32_t quality);  // 1 .. 100
    // A toggle pressed down forces its default into the control(s); released, it only
    // enables them again.
    void SetKeepDefaultFrameRate(bool down);
    void SetKeepDefaultFrameQuality(bool down);
    void SetKeepDefaultDuration(bool down);
    void SetKeepDefaultRegion(bool down);
    // Typed into the fields; the range rule runs when the field is left (or Enter pressed).
    void SetStartFrame(std::int32_t frame) { controls_.destStartFrame = frame; }
    void SetEndFrame(std::int32_t frame) { controls_.destEndFrame = frame; }
    // Leaving the start field: a start after the end becomes the end.
    void LeaveStartFrame();
    // Leaving the end field: an end before the start becomes the start.
    void LeaveEndFrame();
    // Ticking one first-frame choice clears the other.
    void SetBlankFrame(bool on);
    void SetImageFrame(bool on);
    // The region dialog's Apply.
    void ApplyRegion(const TRegionChoice& region);
    // The effects dialog's OK: the chain replaces the working copy, effects are ticked.
    void ApplyEffectsChoice(const TEffectSettings& effects);

    // ---- the SWF page ----
    // Any start action but 0 clears "Before playing, wait".
    void SetStartAction(std::int32_t action);
    void SetStartWait(bool on);
    void SetStartWaitSeconds(std::int32_t seconds);  // 1 .. 10000
    void SetTextOpacity(std::int32_t opacity);       // 1 .. 255

    // ---- preloader and playback ----
    void SetPreloaderScale(std::int32_t x, std::int32_t y);  // 1 .. 100 each
    void SetPlaybackScale(std::int32_t x, std::int32_t y);

    // The position dialog's OK for one of the three custom positions.
    void SetCustomPosition(TCustomPosition which, std::int32_t x, std::int32_t y);
    std::pair<std::int32_t, std::int32_t> CustomPosition(TCustomPosition which) const;

    // OK: writes every control into the record. A start of 0 or less is stored as 1, an
    // end above the source's frame count as that count; the export path is split into
    // folder (with its trailing "/") and name.
    void Accept();
    // What the task list would refuse in the record Accept would write ("KEY: why"), or
    // nothing. The dialog asks before OK, so that no task is written that the next start
    // would drop.
    std::optional<std::string> Problem() const;

private:
    TCovSettings Written() const;
    void RunAllRules();
    void ApplyKeepDefaults();

    TCovSettings* record_ = nullptr;
    TCovSettings controls_;
    std::string exportPath_;
};

// The values beside the sliders: "30fps", "75%", and the caption opacity as a percentage
// (opacity x 100 / 255, rounded: 128 shows "50%").
std::string FrameRateText(std::int32_t rate);
std::string PercentText(std::int32_t percent);
std::int32_t OpacityPercent(std::int32_t opacity);

// The export path field's text: folder + name with the extension of the export type.
std::string ExportPathFor(const TCovSettings& record, std::int32_t exportType);
// The extension of an export type: ".swf", ".exe", ".html" (".swf" for unknown types).
std::string ExportExtension(std::int32_t exportType);
// A path split into the folder, ending in "/" (empty when the path has none), and the name.
std::pair<std::string, std::string> SplitExportPath(const std::string& path);

}  // namespace pellicor
