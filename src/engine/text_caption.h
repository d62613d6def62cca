#pragma once

#include "engine/pass_settings.h"

namespace pellicor {

// The caption over every frame: font, texts and a button placed at depth 20, defined before
// any other character of the start section. Nothing when destIsFlashText is off.
void AddTextCaption(TPassSettings& context);

}  // namespace pellicor
