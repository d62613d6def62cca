#pragma once

#include <cstdint>

#include "swf/bits_engine.h"

namespace pellicor {

// The tag header alone: the short form (code * 64 + length, one UI16) for bodies below 63
// bytes unless longForm, else code * 64 + 63 followed by the length as UI32. Every tag
// header the library writes comes from here.
void WriteSWFTagHeader(TBitsEngine& target, std::uint16_t tagID, std::uint32_t bodyLength, bool longForm = false);

}  // namespace pellicor
