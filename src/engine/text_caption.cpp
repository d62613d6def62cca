#include "engine/text_caption.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/convert_task.h"
#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_font.h"
#include "movie/flash_place_object.h"
#include "movie/flash_text.h"
#include "swf/swf_helpers.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

constexpr std::int32_t kCaptionMargin = 3;
constexpr std::uint16_t kCaptionButtonDepth = 1;  // depth of the texts inside the button
constexpr std::int64_t kMaxFontPixels = 0xFFFF / 20;

struct TCaptionPlacement {
    TPoint origin;
    int alignment = kAlignLeft;
};

// The caption's origin and alignment for the position preset, on a stage of w x h pixels
// with a font fh pixels high; halves toward zero.
TCaptionPlacement PlaceCaption(const TPassSettings& context, std::int32_t fh) {
    const std::int32_t w = context.destWidth, h = context.destHeight, m = kCaptionMargin;
    const auto half = [](std::int32_t value) { return static_cast<std::int32_t>(TruncDiv(value, 2)); };
    switch (context.destFlashTextPosition) {
        case kPositionCenter: return {{half(w), half(h)}, kAlignCenter};
        case kPositionTopLeft: return {{m, m}, kAlignLeft};
        case kPositionTopCenter: return {{half(w), m}, kAlignCenter};
        case kPositionTopRight: return {{w - m, m}, kAlignRight};
        case kPositionBottomLeft: return {{m, h - m - fh}, kAlignLeft};
        case kPositionBottomCenter: return {{half(w), h - m - fh}, kAlignCenter};
        case kPositionBottomRight: return {{w - m, h - m - fh}, kAlignRight};
        default: return {{context.destFlashTextX, context.destFlashTextY}, kAlignLeft};
    }
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line;
    return text;
}

}  // namespace

TFlashFontDescription CaptionFontDescription(const TFontDescription& font) {
    TFlashFontDescription description;
    description.FaceName = font.name;
    description.Bold = font.bold;
    description.Italic = font.italic;
    const std::int64_t pixels = RoundHalfAway(std::llabs(static_cast<std::int64_t>(font.size)) * 96.0 / 72.0);
    description.Height = static_cast<std::int32_t>(std::clamp<std::int64_t>(pixels, 1, kMaxFontPixels));
    description.Charset = static_cast<std::uint8_t>(font.charset);
    return description;
}

std::string LinkTargetName(std::int32_t target) {
    static constexpr std::array<const char*, 4> kTargets = {"_self", "_blank", "_parent", "_top"};
    return target >= 0 && target < static_cast<std::int32_t>(kTargets.size()) ? kTargets[target] : kTargets[0];
}

void AddTextCaption(TPassSettings& context, TProgress* progress) {
    if (!context.destIsFlashText || !context.movie) return;
    TFlashMovie& movie = *context.movie;
    const std::string target = LinkTargetName(context.destFlashTextOpenLinkTarget);
    const auto alpha = static_cast<std::uint8_t>(std::clamp(context.destFlashTextOpacity, 0, 255));
    const std::uint32_t color = PackRGBA(ResolveColor(context.destFlashTextFont.color), alpha);
    const TFlashFontDescription description = CaptionFontDescription(context.destFlashTextFont);
    TFlashFont& font = movie.AddFont(description, true);
    if (progress && !font.FaceFound())
        progress->AddLogLine("Font \"" + description.FaceName + "\" is not installed; using \"" +
                             font.UsedFamilyName() + "\"");

    const std::string caption = JoinLines(context.destFlashText);
    const TCaptionPlacement placement = PlaceCaption(context, std::abs(description.Height));
    TFlashText& text = movie.AddText(caption, color, font, placement.origin, placement.alignment);
    // The texts of the over and down states are defined before the button that shows them.
    TFlashText* pressed = context.destIsFlashTextOpenLink
                              ? &movie.AddText(caption, color, font, placement.origin, placement.alignment)
                              : nullptr;
    TFlashButton& button = movie.AddButton(false, true);
    if (pressed) {
        button.AddRecord(&text, bsUp | bsHitTest, kCaptionButtonDepth);
        button.AddRecord(pressed, bsOver, kCaptionButtonDepth);
        button.AddRecord(pressed, bsDown, kCaptionButtonDepth);
        button.ReleaseActions().GetUrl(context.destFlashTextOpenLinkURL, target);
    } else {
        button.AddRecord(&text, bsUp, kCaptionButtonDepth);
    }
    movie.PlaceObject(&button, kDepthCaption);
}

}  // namespace pellicor
