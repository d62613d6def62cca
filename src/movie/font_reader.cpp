#include "movie/font_reader.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <mutex>
#include <optional>

#include "util/numbers.h"

namespace pellicor {

namespace {

// fontconfig's lookups share its configuration; one at a time keeps them safe on every
// version of the library.
std::mutex& FontconfigMutex() {
    static std::mutex mutex;
    return mutex;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A pattern for the family with the weight and slant; the caller destroys it.
FcPattern* StylePattern(const std::string& family, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) throw EFontError("fontconfig cannot create a pattern");
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

std::string PatternString(FcPattern* pattern, const char* object, int index = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || !value) return {};
    return reinterpret_cast<const char*>(value);
}

int PatternInteger(FcPattern* pattern, const char* object) {
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : 0;
}

void InitFontconfig() {
    static std::once_flag once;
    std::call_once(once, [] { FcInit(); });
}

using TVector = TOutlineVector;

TVector operator+(TVector a, TVector b) { return {a.X + b.X, a.Y + b.Y}; }
TVector operator-(TVector a, TVector b) { return {a.X - b.X, a.Y - b.Y}; }
TVector operator*(double k, TVector a) { return {k * a.X, k * a.Y}; }
TVector Mid(TVector a, TVector b) { return 0.5 * (a + b); }

TOutlinePoint Rounded(TVector v) {
    return {static_cast<std::int32_t>(RoundHalfEven(v.X)), static_cast<std::int32_t>(RoundHalfEven(v.Y))};
}

// Walks one contour of a FreeType outline, point tags as FreeType keeps them.
class TContourWalker {
public:
    TContourWalker(const FT_Outline& outline, double scale) : outline_(outline), scale_(scale) {}

    TOutlineContour Walk(int first, int last) {
        TOutlineContour contour;
        int begin = first;
        // The start is the first on-curve point; with none on the curve at either end, the
        // midpoint of the last and the first control points.
        if (Tag(first) == FT_CURVE_TAG_ON) {
            start_ = Point(first);
            begin = first + 1;
        } else if (Tag(last) == FT_CURVE_TAG_ON) {
            start_ = Point(last);
            --last;
        } else {
            start_ = Rounded(Mid(Exact(last), Exact(first)));
        }
        contour.Start = start_;
        pen_ = start_;
        penExact_ = {static_cast<double>(start_.X), static_cast<double>(start_.Y)};
        segments_ = &contour.Segments;
        for (int i = begin; i <= last; ++i) Visit(i);
        Finish();
        return contour;
    }

private:
    char Tag(int i) const { return static_cast<char>(FT_CURVE_TAG(outline_.tags[i])); }
    TVector Exact(int i) const {
        return {static_cast<double>(outline_.points[i].x) * scale_, static_cast<double>(outline_.points[i].y) * scale_};
    }
    TOutlinePoint Point(int i) const { return Rounded(Exact(i)); }

    void Visit(int i) {
        switch (Tag(i)) {
            case FT_CURVE_TAG_ON: OnCurve(Point(i), Exact(i)); break;
            case FT_CURVE_TAG_CONIC: Conic(Point(i)); break;
            default: Cubic(Exact(i)); break;
        }
    }

    void OnCurve(TOutlinePoint point, TVector exact) {
        if (!cubics_.empty()) {
            FlushCubic(exact);
        } else if (conic_) {
            Emit({true, *conic_, point});
            conic_.reset();
        } else {
            Emit({false, {}, point});
        }
        pen_ = point;
        penExact_ = exact;
    }

    void Conic(TOutlinePoint control) {
        if (conic_) {
            const TVector mid = Mid({static_cast<double>(conic_->X), static_cast<double>(conic_->Y)},
                                    {static_cast<double>(control.X), static_cast<double>(control.Y)});
            const TOutlinePoint end = Rounded(mid);
            Emit({true, *conic_, end});
            pen_ = end;
            penExact_ = {static_cast<double>(end.X), static_cast<double>(end.Y)};
        }
        conic_ = control;
    }

    void Cubic(TVector control) {
        cubics_.push_back(control);
        // A malformed outline with three cubic controls in a row: treat the third as on the curve.
        if (cubics_.size() == 3) {
            const TVector end = cubics_.back();
            cubics_.pop_back();
            FlushCubic(end);
            pen_ = Rounded(end);
            penExact_ = end;
        }
    }

    void FlushCubic(TVector end) {
        const TVector c1 = cubics_[0];
        const TVector c2 = cubics_.size() > 1 ? cubics_[1] : cubics_[0];
        cubics_.clear();
        AppendCubicAsQuadratics(penExact_, c1, c2, end, 0.25, *segments_);
    }

    // Back to the start, through a pending control point.
    void Finish() {
        const TVector start{static_cast<double>(start_.X), static_cast<double>(start_.Y)};
        if (!cubics_.empty()) FlushCubic(start);
        else if (conic_) Emit({true, *conic_, start_});
        else if (pen_ != start_) Emit({false, {}, start_});
        conic_.reset();
    }

    void Emit(TOutlineSegment segment) { segments_->push_back(segment); }

    const FT_Outline& outline_;
    double scale_;
    TOutlinePoint start_;
    TOutlinePoint pen_;
    TVector penExact_;
    std::optional<TOutlinePoint> conic_;
    std::vector<TVector> cubics_;
    std::vector<TOutlineSegment>* segments_ = nullptr;
};

}  // namespace

std::int32_t ToEmUnits(double fontUnits, double scale) {
    return static_cast<std::int32_t>(RoundHalfEven(fontUnits * scale));
}

TGlyphOutline OutlineFromFreeType(const FT_Outline& outline, double scale) {
    TGlyphOutline contours;
    int first = 0;
    for (int c = 0; c < outline.n_contours; ++c) {
        const int last = outline.contours[c];
        if (last < first || last >= outline.n_points) break;  // a malformed outline ends here
        TOutlineContour contour = TContourWalker(outline, scale).Walk(first, last);
        if (!contour.Segments.empty()) contours.push_back(std::move(contour));
        first = last + 1;
    }
    return contours;
}

void AppendCubicAsQuadratics(TOutlineVector p0, TOutlineVector c1, TOutlineVector c2, TOutlineVector p3,
                             double tolerance, std::vector<TOutlineSegment>& segments) {
    // The quadratic with control (3 (c1 + c2) - (p0 + p3)) / 4 stays within
    // sqrt(3) / 36 * |p3 - 3 c2 + 3 c1 - p0| of the cubic; longer arcs are halved until
    // every piece is that close.
    static constexpr int kMaxDepth = 12;
    struct TPiece {
        TVector a, b, c, d;
        int depth;
    };
    std::vector<TPiece> stack{{p0, c1, c2, p3, 0}};
    while (!stack.empty()) {
        const TPiece piece = stack.back();
        stack.pop_back();
        const TVector t = piece.d - 3.0 * piece.c + 3.0 * piece.b - piece.a;
        if (std::sqrt(3.0) / 36.0 * std::hypot(t.X, t.Y) > tolerance && piece.depth < kMaxDepth) {
            // De Casteljau at one half; the second half goes on the stack first.
            const TVector ab = Mid(piece.a, piece.b), bc = Mid(piece.b, piece.c), cd = Mid(piece.c, piece.d);
            const TVector abc = Mid(ab, bc), bcd = Mid(bc, cd), middle = Mid(abc, bcd);
            stack.push_back({middle, bcd, cd, piece.d, piece.depth + 1});
            stack.push_back({piece.a, ab, abc, middle, piece.depth + 1});
            continue;
        }
        const TVector control = 0.25 * (3.0 * (piece.b + piece.c) - (piece.a + piece.d));
        segments.push_back({true, Rounded(control), Rounded(piece.d)});
    }
}

// ---- the reader ----

struct TFontReader::TFace {
    FT_Face face = nullptr;
    std::string file;
    int index = 0;
    double scale = 1;  // font units to em units
    ~TFace() {
        if (face) FT_Done_Face(face);
    }
};

TFontReader::TFontReader(const std::string& faceName, bool bold, bool italic)
    : requestedName_(faceName), bold_(bold), italic_(italic) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) throw EFontError("FreeType cannot start");
    library_ = library;
    InitFontconfig();
    std::string file;
    int index = 0;
    {
        std::lock_guard lock(FontconfigMutex());
        FcPattern* pattern = StylePattern(faceName, bold, italic);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        FcPatternDestroy(pattern);
        if (match) {
            file = PatternString(match, FC_FILE);
            index = PatternInteger(match, FC_INDEX);
            familyName_ = PatternString(match, FC_FAMILY);
            for (int i = 0;; ++i) {
                const std::string family = PatternString(match, FC_FAMILY, i);
                if (family.empty()) break;
                if (SameName(family, faceName)) matchesRequest_ = true;
            }
            FcPatternDestroy(match);
        }
    }
    if (file.empty()) {
        FT_Done_FreeType(library);
        throw EFontError("No font is installed");
    }
    try {
        main_ = OpenFace(file, index);
    } catch (...) {
        FT_Done_FreeType(library);
        throw;
    }
    filePath_ = file;
    faceIndex_ = index;

    // Ascent and descent as the system's text metrics give them: the Windows values of
    // the OS/2 table when the font has one, else the horizontal header's.
    const FT_Face face = main_->face;
    double ascent = face->ascender, descent = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->version != 0xFFFF && (os2->usWinAscent != 0 || os2->usWinDescent != 0)) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    metrics_.Ascent = ToEmUnits(ascent, main_->scale);
    metrics_.Descent = ToEmUnits(descent, main_->scale);
    metrics_.Leading = metrics_.Ascent + metrics_.Descent - kFontEmSquare;
}

TFontReader::~TFontReader() {
    fallbacks_.clear();
    main_.reset();
    if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

std::unique_ptr<TFontReader::TFace> TFontReader::OpenFace(const std::string& file, int index) {
    auto face = std::make_unique<TFace>();
    face->file = file;
    face->index = index;
    if (FT_New_Face(static_cast<FT_Library>(library_), file.c_str(), index, &face->face) != 0)
        throw EFontError("FreeType cannot open the font file " + file);
    const FT_UShort unitsPerEm = face->face->units_per_EM;
    if (unitsPerEm == 0) throw EFontError("The font " + file + " has no outlines");
    face->scale = static_cast<double>(kFontEmSquare) / unitsPerEm;
    return face;
}

TFontReader::TFace* TFontReader::FaceFor(char32_t unicode) {
    if (FT_Get_Char_Index(main_->face, unicode) != 0) return main_.get();
    for (auto& face : fallbacks_)
        if (FT_Get_Char_Index(face->face, unicode) != 0) return face.get();
    return FallbackFace(unicode);
}

TFontReader::TFace* TFontReader::FallbackFace(char32_t unicode) {
    std::string file;
    int index = 0;
    {
        std::lock_guard lock(FontconfigMutex());
        FcPattern* pattern = StylePattern(requestedName_, bold_, italic_);
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, unicode);
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcCharSetDestroy(wanted);
        FcResult result = FcResultNoMatch;
        FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
        FcPatternDestroy(pattern);
        for (int i = 0; fonts && i < fonts->nfont; ++i) {
            FcCharSet* charset = nullptr;
            if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) continue;
            if (!FcCharSetHasChar(charset, unicode)) continue;
            file = PatternString(fonts->fonts[i], FC_FILE);
            index = PatternInteger(fonts->fonts[i], FC_INDEX);
            break;
        }
        if (fonts) FcFontSetDestroy(fonts);
    }
    if (file.empty()) return nullptr;
    for (auto& face : fallbacks_)
        if (face->file == file && face->index == index) return nullptr;  // open already, and it lacks the character
    try {
        fallbacks_.push_back(OpenFace(file, index));
    } catch (const EFontError&) {
        return nullptr;
    }
    TFace* face = fallbacks_.back().get();
    return FT_Get_Char_Index(face->face, unicode) != 0 ? face : nullptr;
}

TGlyph TFontReader::Glyph(char32_t unicode) {
    TGlyph glyph;
    TFace* face = FaceFor(unicode);
    if (!face) return glyph;
    const FT_UInt index = FT_Get_Char_Index(face->face, unicode);
    if (FT_Load_Glyph(face->face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) return glyph;
    glyph.Found = true;
    const FT_GlyphSlot slot = face->face->glyph;
    glyph.Advance = ToEmUnits(static_cast<double>(slot->advance.x), face->scale);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) glyph.Outline = OutlineFromFreeType(slot->outline, face->scale);
    return glyph;
}

std::int32_t TFontReader::Advance(char32_t unicode) {
    TFace* face = FaceFor(unicode);
    if (!face) return 0;
    const FT_UInt index = FT_Get_Char_Index(face->face, unicode);
    if (FT_Load_Glyph(face->face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0) return 0;
    return ToEmUnits(static_cast<double>(face->face->glyph->advance.x), face->scale);
}

}  // namespace pellicor
