#pragma once

#include <cstdint>

#include "settings/settings_form.h"
#include "settings/source_info.h"

namespace pellicor {

// A rectangle of the source picture in source pixels.
struct TRegionRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const TRegionRect&) const = default;
};

// The region dialog without a toolkit: the selection on a frame of the source, the preview
// frame and the frame range with their rules, and what Apply hands to the settings dialog.
//
// The selection always lies inside the picture with at least one pixel on each side (a
// rubber band dragged past the edge, or a field typed past it, is cut back), so that what
// Apply hands back is a crop that the task list accepts.
class TRegionForm {
public:
    // Binds the source; the selection from the settings dialog's crop working copy, the
    // range from its start and end fields (both kept inside 1 .. the frame count), and
    // the preview at frame 1.
    void Open(const TSourceInfo& source, const TRegionRect& crop, std::int32_t startFrame, std::int32_t endFrame);

    std::int32_t PictureWidth() const { return width_; }
    std::int32_t PictureHeight() const { return height_; }
    // The sliders' maximum: the source's frame count (at least 1).
    std::int32_t FrameMaximum() const { return frames_; }
    // Where the preview goes once the source is open: the middle frame (count / 2, at least 1).
    std::int32_t MiddleFrame() const;

    const TRegionRect& Selection() const { return selection_; }
    // Drawn with the rubber band or typed into the fields.
    void SetSelection(const TRegionRect& selection);
    // "&Select All": the whole picture.
    void SelectAll();

    std::int32_t PreviewFrame() const { return previewFrame_; }
    // The frame to show: below 1 becomes 1, above the maximum the maximum. Returns it.
    std::int32_t ShowFrame(std::int32_t frame);

    std::int32_t StartFrame() const { return start_; }
    std::int32_t EndFrame() const { return end_; }
    // Typed or slid; the fields' rules run when they are left.
    void SetStartFrame(std::int32_t frame);
    void SetEndFrame(std::int32_t frame);
    // Leaving the start field: a start after the end becomes the end.
    void LeaveStartFrame();
    // Leaving the end field: an end before the start becomes the start.
    void LeaveEndFrame();

    // "&Apply": the selection and the range for the settings dialog (TSettingsForm::ApplyRegion).
    TRegionChoice Result() const;

private:
    std::int32_t Frame(std::int32_t frame) const;

    std::int32_t width_ = 0, height_ = 0, frames_ = 1;
    TRegionRect selection_;
    std::int32_t previewFrame_ = 1;
    std::int32_t start_ = 1, end_ = 1;
};

}  // namespace pellicor
