#pragma once

#include <string>
#include <string_view>

namespace pellicor {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values above
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Decodes well-formed UTF-8 (as IsValidUtf8 takes it) into UTF-16 units, code points beyond
// U+FFFF as surrogate pairs; false (and `out` incomplete) when `text` is not well-formed.
bool DecodeUtf8(std::string_view text, std::u16string& out);

// The code point of one Windows-1252 byte.
char16_t Windows1252CodePoint(unsigned char byte);

// One UTF-16 unit on its own as UTF-8: one, two or three bytes (a surrogate becomes a
// three-byte sequence of its own).
void AppendUtf8Unit(std::string& out, char16_t unit);

// Reads `text` as Windows-1252 and returns it as UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number.
std::string Windows1252ToUtf8(std::string_view text);

// `text` itself when it is valid UTF-8, else its Windows-1252 reading.
std::string TextToUtf8(std::string_view text);

}  // namespace pellicor
