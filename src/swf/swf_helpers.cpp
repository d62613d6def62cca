#include "swf/swf_helpers.h"

#include <cmath>
#include <cstdlib>

#include "util/numbers.h"

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

namespace {

// Windows-1252 code points for bytes 0x80..0x9F; the five undefined bytes map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes strict UTF-8 into UTF-16 units; false when the text is not valid UTF-8.
bool DecodeUTF8(const std::string& text, std::u16string& out) {
    out.clear();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned c = s[i];
        std::uint32_t cp;
        std::size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if (c >= 0xC2 && c <= 0xDF) { cp = c & 0x1F; len = 2; }
        else if (c >= 0xE0 && c <= 0xEF) { cp = c & 0x0F; len = 3; }
        else if (c >= 0xF0 && c <= 0xF4) { cp = c & 0x07; len = 4; }
        else return false;
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return true;
}

}  // namespace

std::u16string AnsiToWide(const std::string& text) {
    std::u16string wide;
    if (DecodeUTF8(text, wide)) return wide;
    wide.clear();
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        wide.push_back(byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte));
    }
    return wide;
}

std::string WideToUTF8(const std::u16string& text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (const char16_t unit : text) {
        if (unit < 0x80) {
            out.push_back(static_cast<char>(unit));
        } else if (unit < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (unit >> 12)));
            out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
        }
    }
    return out;
}

std::string UTF8Encode(const std::string& text) { return WideToUTF8(AnsiToWide(text)); }

}  // namespace pellicor
