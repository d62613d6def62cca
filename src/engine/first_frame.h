#pragma once

#include <cstdint>

namespace pellicor {

class TFlashVisualObject;

// The first-frame picture of the start section and its position on the stage (pixels):
// the character that the start actions, the click link and the preloader place.
struct TFirstFrame {
    TFlashVisualObject* picture = nullptr;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

}  // namespace pellicor
