#include "settings/region_form.h"

#include <algorithm>

namespace pellicor {

namespace {

// One side of the selection: its start inside 0 .. size - 1 and its length inside
// 1 .. what is left of the picture. A picture of no pixels takes the values as they are.
void KeepInside(std::int32_t& start, std::int32_t& length, std::int32_t size) {
    if (size <= 0) return;
    start = std::clamp(start, 0, size - 1);
    length = std::clamp(length, 1, size - start);
}

}  // namespace

void TRegionForm::Open(const TSourceInfo& source, const TRegionRect& crop, std::int32_t startFrame,
                       std::int32_t endFrame) {
    width_ = source.resX;
    height_ = source.resY;
    frames_ = std::max(1, source.vLen);
    SetSelection(crop);
    previewFrame_ = 1;
    start_ = Frame(startFrame);
    end_ = Frame(endFrame);
}

std::int32_t TRegionForm::MiddleFrame() const { return std::max(1, frames_ / 2); }

std::int32_t TRegionForm::Frame(std::int32_t frame) const { return std::clamp(frame, 1, frames_); }

void TRegionForm::SetSelection(const TRegionRect& selection) {
    selection_ = selection;
    KeepInside(selection_.x, selection_.width, width_);
    KeepInside(selection_.y, selection_.height, height_);
}

void TRegionForm::SelectAll() { selection_ = {0, 0, width_, height_}; }

std::int32_t TRegionForm::ShowFrame(std::int32_t frame) {
    previewFrame_ = Frame(frame);
    return previewFrame_;
}

void TRegionForm::SetStartFrame(std::int32_t frame) { start_ = Frame(frame); }
void TRegionForm::SetEndFrame(std::int32_t frame) { end_ = Frame(frame); }

void TRegionForm::LeaveStartFrame() {
    if (start_ > end_) start_ = end_;
}

void TRegionForm::LeaveEndFrame() {
    if (end_ < start_) end_ = start_;
}

TRegionChoice TRegionForm::Result() const {
    return {selection_.x, selection_.y, selection_.width, selection_.height, start_, end_};
}

}  // namespace pellicor
