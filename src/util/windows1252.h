#pragma once

#include <string>
#include <string_view>

namespace pellicor {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values above
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Reads `text` as Windows-1252 and returns it as UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number.
std::string Windows1252ToUtf8(std::string_view text);

// `text` itself when it is valid UTF-8, else its Windows-1252 reading.
std::string TextToUtf8(std::string_view text);

}  // namespace pellicor
