#pragma once

#include <cstdint>
#include <string>

namespace pellicor {

// A plain rectangle as callers hand it in (pixels or twips); may be out of order.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
};

// Number of bits needed for |value| (smallest k with |value| < 2^k) plus extra; 0 for 0.
// Signed record fields use extra = 1 (a sign bit), unsigned groups extra = 0.
int GetBitsCount(std::int64_t value, int extra);

std::int64_t MaxAbs(std::int64_t a, std::int64_t b);
std::int64_t MaxAbs(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d);

// Bit k - 1 of a 16-bit value (k counts from 1).
bool CheckBit(std::uint16_t value, int k);

// 8.8 fixed point: trunc(x) * 256 + round(frac(x) * 256), kept to 16 bits.
std::uint16_t FloatToFixed8(double x);
double Fixed8ToFloat(std::uint16_t w);
// 16.16 fixed point: trunc(x * 65536).
std::int32_t FloatToFixed16(double x);
double Fixed16ToFloat(std::int32_t v);

// Colours. A colour value is laid out 0x00BBGGRR (R in the low byte). The high byte of a
// colour value (system-colour marker on other platforms) is ignored.
std::uint32_t ColorToRGB(std::uint32_t color);
void UnpackRGB(std::uint32_t color, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);
std::uint32_t PackRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b);
// R bits 0-7, G 8-15, B 16-23, A 24-31.
std::uint32_t PackRGBA(std::uint32_t color, std::uint8_t alpha);

// Strings in memory are UTF-8; text that is not valid UTF-8 (task lists from other
// systems) is taken as Windows-1252. AnsiToWide gives the UTF-16 units of such a string.
std::u16string AnsiToWide(const std::string& text);
// Each UTF-16 unit on its own to UTF-8 (one, two or three bytes; a surrogate pair becomes
// two three-byte sequences).
std::string WideToUTF8(const std::u16string& text);
// The UTF-8 form of a string as SWF 6 wants it: WideToUTF8(AnsiToWide(text)).
std::string UTF8Encode(const std::string& text);

}  // namespace pellicor
