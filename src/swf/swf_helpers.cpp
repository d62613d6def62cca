#include "swf/swf_helpers.h"

#include <cmath>
#include <cstdlib>

#include "util/numbers.h"
#include "util/windows1252.h"

namespace pellicor {

int GetBitsCount(std::int64_t value, int extra) {
    if (value == 0) return 0;
    std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    int bits = 0;
    while (magnitude != 0) {
        ++bits;
        magnitude >>= 1;
    }
    return bits + extra;
}

std::int64_t MaxAbs(std::int64_t a, std::int64_t b) {
    const std::int64_t x = std::llabs(a), y = std::llabs(b);
    return x > y ? x : y;
}

std::int64_t MaxAbs(std::int64_t a, std::int64_t b, std::int64_t c, std::int64_t d) {
    return MaxAbs(MaxAbs(a, b), MaxAbs(c, d));
}

bool CheckBit(std::uint16_t value, int k) { return k >= 1 && k <= 16 && ((value >> (k - 1)) & 1) != 0; }

std::uint16_t FloatToFixed8(double x) {
    const double whole = std::trunc(x);
    const std::int64_t value = static_cast<std::int64_t>(whole) * 256 + RoundHalfEven((x - whole) * 256.0);
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

double Fixed8ToFloat(std::uint16_t w) { return (w >> 8) + (w & 0xFF) / 256.0; }

std::int32_t FloatToFixed16(double x) { return static_cast<std::int32_t>(std::trunc(x * 65536.0)); }

double Fixed16ToFloat(std::int32_t v) { return v / 65536.0; }

std::uint32_t ColorToRGB(std::uint32_t color) { return color & 0xFFFFFF; }

void UnpackRGB(std::uint32_t color, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
    r = static_cast<std::uint8_t>(color & 0xFF);
    g = static_cast<std::uint8_t>((color >> 8) & 0xFF);
    b = static_cast<std::uint8_t>((color >> 16) & 0xFF);
}

std::uint32_t PackRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

std::uint32_t PackRGBA(std::uint32_t color, std::uint8_t alpha) {
    return ColorToRGB(color) | (static_cast<std::uint32_t>(alpha) << 24);
}

std::u16string AnsiToWide(const std::string& text) {
    std::u16string wide;
    if (DecodeUtf8(text, wide)) return wide;
    wide.clear();
    for (const char ch : text) wide.push_back(Windows1252CodePoint(static_cast<unsigned char>(ch)));
    return wide;
}

std::string WideToUTF8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (const char16_t unit : text) AppendUtf8Unit(out, unit);
    return out;
}

std::string UTF8Encode(const std::string& text) { return WideToUTF8(AnsiToWide(text)); }

}  // namespace pellicor
