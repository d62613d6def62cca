// Placeholder until the caption is built: it adds nothing. Delete this file when
// text_caption.cpp arrives.
#include "engine/text_caption.h"

namespace pellicor {

void AddTextCaption(TPassSettings&) {}

}  // namespace pellicor
