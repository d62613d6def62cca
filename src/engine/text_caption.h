#pragma once

#include <string>

#include "engine/pass_settings.h"
#include "movie/flash_movie.h"

namespace pellicor {

// The caption over every frame: font, texts and a button placed at depth 20, defined before
// any other character of the start section. Nothing when destIsFlashText is off. When the
// font engine has no face of the caption font's name and uses another, the stage log says
// so (through progress, when there is one).
void AddTextCaption(TPassSettings& context, TProgress* progress = nullptr);

// The caption font as the movie builder takes it: the size in points becomes a height in
// pixels at 96 pixels per inch (size * 96 / 72, halves away from zero), kept within
// 1 .. 3276 pixels so that the size in twips fits 16 bits.
TFlashFontDescription CaptionFontDescription(const TFontDescription& font);

// The window a link opens in: "_self", "_blank", "_parent", "_top" for 0 to 3, "_self" for
// anything else.
std::string LinkTargetName(std::int32_t target);

}  // namespace pellicor
