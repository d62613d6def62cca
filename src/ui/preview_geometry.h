#pragma once

#include <cstdint>
#include <string>

#include "settings/source_info.h"

namespace pellicor::ui {

// Arithmetic of the source preview, kept apart from the widgets so that it can be checked
// on its own.

// Where the video area sits inside the preview panel.
struct TVideoPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const TVideoPlacement&) const = default;
};

// The video keeps the source's aspect ratio: a panel relatively taller than the video gives
// the video its width and centres it vertically, offset = (panel height - round(panel width
// x resY / resX)) / 2 truncated, height = panel height - 2 x offset; otherwise the video
// gets the panel's height and is centred horizontally the same way. A source without a size
// fills the panel.
TVideoPlacement PlaceVideo(int panelWidth, int panelHeight, std::int32_t resX, std::int32_t resY);

// The seek slider counts tenths of a second of the source: its video duration when it has
// video, else its sound's.
std::int64_t SliderMaximum(const TSourceInfo& info);
// A page step of a tenth of the range, at least 1.
std::int64_t SliderStep(std::int64_t maximum);
// "00:00:12 / 00:01:40": the slider position and the maximum as durations.
std::string SliderLabel(std::int64_t value, std::int64_t maximum);

// The slider position of a playing position (any unit shared with `total`), rounded.
std::int64_t SliderValueAt(double current, double total, std::int64_t maximum);
// The playing position, in the unit of `total`, that a slider position stands for.
double PositionAtSlider(std::int64_t value, std::int64_t maximum, double total);

// The GIF frame a slider position stands for (0 .. frameCount - 1), and back.
int GifFrameAtSlider(std::int64_t value, std::int64_t maximum, int frameCount);
std::int64_t SliderValueAtGifFrame(int frame, int frameCount, std::int64_t maximum);

}  // namespace pellicor::ui
