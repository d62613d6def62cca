#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// FreeType's outline type, without pulling its headers into every user of the reader.
struct FT_Outline_;

namespace pellicor {

// The font engine failed (no font at all is installed, a font file cannot be opened).
class EFontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Glyph outlines in whole units of an em square of 1024, the y axis pointing up as the
// font has it. A contour starts at Start and each segment goes on from where the last one
// ended; the last segment ends at Start again.
struct TOutlinePoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TOutlinePoint&) const = default;
};

struct TOutlineSegment {
    bool Curve = false;     // a quadratic curve through Control, else a straight line
    TOutlinePoint Control;  // curves only
    TOutlinePoint End;
    bool operator==(const TOutlineSegment&) const = default;
};

struct TOutlineContour {
    TOutlinePoint Start;
    std::vector<TOutlineSegment> Segments;
};

using TGlyphOutline = std::vector<TOutlineContour>;

// One glyph: its outline (empty for a character without one, a space for example) and its
// advance, both in em units.
struct TGlyph {
    TGlyphOutline Outline;
    std::int32_t Advance = 0;
    bool Found = false;  // some installed font has the character
};

// Ascent, descent and the internal leading (ascent + descent - em), em units.
struct TFontMetrics {
    std::int32_t Ascent = 0;
    std::int32_t Descent = 0;
    std::int32_t Leading = 0;
};

// The em square every outline, advance and metric is given in.
inline constexpr int kFontEmSquare = 1024;

// Coordinates in font units times scale, to whole em units: to the nearest, ties to even.
std::int32_t ToEmUnits(double fontUnits, double scale);

// A FreeType outline (points in font units, scaled by `scale` to em units) as contours of
// lines and quadratic curves. Two conic control points in a row imply an on-curve point at
// the midpoint of the two rounded control points, rounded again; cubic arcs are split into
// quadratic curves that stay within a quarter unit of them.
TGlyphOutline OutlineFromFreeType(const FT_Outline_& outline, double scale);

// The cubic arc p0 (pen) .. p3 with controls c1, c2 as quadratic curves appended to
// `segments` (em units, before rounding), each within `tolerance` of the arc.
struct TOutlineVector {
    double X = 0;
    double Y = 0;
};
void AppendCubicAsQuadratics(TOutlineVector p0, TOutlineVector c1, TOutlineVector c2, TOutlineVector p3,
                             double tolerance, std::vector<TOutlineSegment>& segments);

// A system font through fontconfig and FreeType: the best match fontconfig offers for the
// face name and style (always one while any font is installed), read at an em square of
// 1024 without hinting. A character that face lacks comes from the installed font that
// fontconfig ranks first among those that have it.
//
// One reader serves one thread; readers on different threads are independent.
class TFontReader {
public:
    // EFontError when fontconfig finds no font at all or FreeType cannot open it.
    TFontReader(const std::string& faceName, bool bold, bool italic);
    ~TFontReader();
    TFontReader(const TFontReader&) = delete;
    TFontReader& operator=(const TFontReader&) = delete;

    // The family of the face in use (its first name), and whether it is the one asked for
    // (any of its family names equals the name asked, ignoring case).
    const std::string& FamilyName() const { return familyName_; }
    bool MatchesRequest() const { return matchesRequest_; }
    const std::string& FilePath() const { return filePath_; }
    // The face's index inside its file (font collections hold several).
    int FaceIndex() const { return faceIndex_; }

    TFontMetrics Metrics() const { return metrics_; }
    // Outline and advance of the character (a Unicode value); another installed font
    // supplies a character the face lacks. A character no font has: no outline, advance 0.
    TGlyph Glyph(char32_t unicode);
    std::int32_t Advance(char32_t unicode);

private:
    struct TFace;
    // The face that has the character (the main face, a fallback, or none).
    TFace* FaceFor(char32_t unicode);
    TFace* FallbackFace(char32_t unicode);
    std::unique_ptr<TFace> OpenFace(const std::string& file, int index);

    void* library_ = nullptr;  // FT_Library
    std::string requestedName_;
    bool bold_ = false;
    bool italic_ = false;
    std::unique_ptr<TFace> main_;
    std::vector<std::unique_ptr<TFace>> fallbacks_;
    std::string familyName_;
    std::string filePath_;
    int faceIndex_ = 0;
    bool matchesRequest_ = false;
    TFontMetrics metrics_;
};

}  // namespace pellicor
