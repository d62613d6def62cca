#include "ui/preview_geometry.h"

#include <algorithm>

#include "util/number_text.h"
#include "util/numbers.h"

namespace pellicor::ui {

TVideoPlacement PlaceVideo(int panelWidth, int panelHeight, std::int32_t resX, std::int32_t resY) {
    if (resX <= 0 || resY <= 0 || panelWidth <= 0 || panelHeight <= 0)
        return {0, 0, std::max(panelWidth, 0), std::max(panelHeight, 0)};
    // Compared as products so that no division loses the tie.
    const bool panelTaller =
        static_cast<std::int64_t>(panelHeight) * resX > static_cast<std::int64_t>(panelWidth) * resY;
    if (panelTaller) {
        const std::int64_t videoHeight = RoundHalfEven(static_cast<double>(panelWidth) * resY / resX);
        const int offset = static_cast<int>(TruncDiv(panelHeight - videoHeight, 2));
        return {0, offset, panelWidth, panelHeight - 2 * offset};
    }
    const std::int64_t videoWidth = RoundHalfEven(static_cast<double>(panelHeight) * resX / resY);
    const int offset = static_cast<int>(TruncDiv(panelWidth - videoWidth, 2));
    return {offset, 0, panelWidth - 2 * offset, panelHeight};
}

std::int64_t SliderMaximum(const TSourceInfo& info) {
    const double seconds = info.vExists != 0 ? info.vTimeLenf : info.aTimeLen;
    if (!(seconds > 0)) return 0;
    return RoundHalfEven(std::min(seconds, 1e8) * 10);
}

std::int64_t SliderStep(std::int64_t maximum) {
    const std::int64_t step = RoundHalfEven(static_cast<double>(maximum) / 10);
    return step > 1 ? step : 1;
}

std::string SliderLabel(std::int64_t value, std::int64_t maximum) {
    return FormatDuration(value * 100) + " / " + FormatDuration(maximum * 100);
}

std::int64_t SliderValueAt(double current, double total, std::int64_t maximum) {
    if (!(total > 0)) return 0;
    return std::clamp<std::int64_t>(RoundHalfEven(maximum * current / total), 0, maximum);
}

double PositionAtSlider(std::int64_t value, std::int64_t maximum, double total) {
    if (maximum <= 0) return 0;
    return total * static_cast<double>(value) / static_cast<double>(maximum);
}

int GifFrameAtSlider(std::int64_t value, std::int64_t maximum, int frameCount) {
    if (maximum <= 0 || frameCount <= 0) return 0;
    const std::int64_t frame = RoundHalfEven(static_cast<double>(frameCount) * value / maximum);
    return static_cast<int>(std::clamp<std::int64_t>(frame, 0, frameCount - 1));
}

std::int64_t SliderValueAtGifFrame(int frame, int frameCount, std::int64_t maximum) {
    if (frameCount <= 0) return 0;
    return RoundHalfEven(static_cast<double>(frame) / frameCount * maximum);
}

}  // namespace pellicor::ui
