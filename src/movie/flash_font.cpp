#include "movie/flash_font.h"

#include <algorithm>
#include <cstdlib>

#include "movie/flash_movie.h"
#include "swf/swf_helpers.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

// The Unicode value of a byte of narrow text.
std::uint16_t NarrowUnicode(std::uint16_t code) {
    if (code < 0x80 || code > 0xFF) return code;
    const std::u16string wide = AnsiToWide(std::string(1, static_cast<char>(code)));
    return wide.size() == 1 ? static_cast<std::uint16_t>(wide[0]) : code;
}

std::int32_t ScaleFromEm(std::int64_t value, std::int32_t size) {
    return static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(value) / kFontEmSquare * size));
}

}  // namespace

TFlashFont::TFlashFont(TFlashMovie* owner, bool outlinesOnDemand, std::string faceName, bool bold, bool italic,
                       std::uint16_t size)
    : TFlashValueObject(owner), faceName_(std::move(faceName)), bold_(bold), italic_(italic), size_(size),
      outlinesOnDemand_(outlinesOnDemand) {}

TFlashFont::~TFlashFont() = default;

TFlashFont& TFlashMovie::AddFont(const TFlashFontDescription& font, bool outlinesOnDemand) {
    const std::int64_t size = std::llabs(static_cast<std::int64_t>(font.Height)) * TwipsFactor();
    auto object = std::make_unique<TFlashFont>(this, outlinesOnDemand, font.FaceName, font.Bold, font.Italic,
                                               static_cast<std::uint16_t>(std::min<std::int64_t>(size, 0xFFFF)));
    object->SetCharset(font.Charset);
    return AddCharacter(std::move(object), Fonts());
}

void TFlashFont::SetCharset(int charset) {
    switch (charset) {
        case 0:
        case 2: languageCode_ = 0; encoding_ = kEncodingAnsi; break;
        case 1: languageCode_ = 0; encoding_ = kEncodingWide; break;
        case 128: languageCode_ = 2; encoding_ = kEncodingShiftJIS; break;
        case 129: languageCode_ = 3; break;
        case 134: languageCode_ = 4; break;
        case 136: languageCode_ = 5; break;
        default: languageCode_ = 64; encoding_ = kEncodingWide; break;
    }
}

void TFlashFont::AddChars(const std::string& text) {
    for (const char byte : text) AddChar(static_cast<unsigned char>(byte));
}

void TFlashFont::AddChars(const std::u16string& text) {
    for (const char16_t unit : text) AddChar(static_cast<std::uint16_t>(unit), true);
}

bool TFlashFont::AddChar(std::uint16_t code, bool wideUnit) {
    if (code >= 256) wideNeeded_ = true;
    const std::uint16_t unicode = UnicodeOf(code, wideUnit);
    const auto at = std::find_if(chars_.begin(), chars_.end(),
                                 [unicode](const auto& character) { return character->Unicode >= unicode; });
    bool added = false;
    if (at == chars_.end() || (*at)->Unicode != unicode) {
        chars_.insert(at, std::make_unique<TFlashChar>(code, unicode, wideUnit || wideNeeded_));
        added = true;
    }
    if (wideNeeded_) RaiseOwnerVersion();
    return added;
}

void TFlashFont::RaiseOwnerVersion() {
    if (Owner() && Owner()->Version() < 6) Owner()->SetVersion(6);
}

TFlashChar* TFlashFont::FindChar(std::uint16_t code) {
    for (auto& character : chars_)
        if (character->Code == code) return character.get();
    return nullptr;
}

std::uint16_t TFlashFont::UnicodeOf(std::uint16_t code, bool wideUnit) {
    return wideUnit ? code : NarrowUnicode(code);
}

TFlashChar* TFlashFont::FindUnicode(std::uint16_t unicode) const {
    for (const auto& character : chars_)
        if (character->Unicode == unicode) return character.get();
    return nullptr;
}

void TFlashFont::SetHasLayout(bool on) {
    if (on && !hasLayout_) Metrics();
    hasLayout_ = on;
}

const TFontMetrics& TFlashFont::Metrics() {
    if (!metricsKnown_) {
        metrics_ = Reader().Metrics();
        metricsKnown_ = true;
    }
    return metrics_;
}

TFontReader& TFlashFont::Reader() {
    if (!reader_) reader_.emplace(faceName_, bold_, italic_);
    return *reader_;
}

const std::string& TFlashFont::UsedFamilyName() { return Reader().FamilyName(); }

bool TFlashFont::FaceFound() { return Reader().MatchesRequest(); }

void TFlashFont::BuildOutline(TFlashChar& character) {
    const TGlyph glyph = Reader().Glyph(character.Unicode);
    TFlashEdges& pen = character.Edges();
    for (const TOutlineContour& contour : glyph.Outline) {
        pen.MoveTo(contour.Start.X, contour.Start.Y);
        for (const TOutlineSegment& segment : contour.Segments) {
            if (segment.Curve) pen.CurveTo(segment.Control.X, segment.Control.Y, segment.End.X, segment.End.Y);
            else pen.LineTo(segment.End.X, segment.End.Y);
        }
        pen.CloseContour();
    }
    // The font engine's y axis points up, the movie's down.
    pen.Flip(false, true);
    character.Advance = glyph.Advance;
    character.AdvanceKnown = true;
    character.SetOutlineBuilt();
}

void TFlashFont::BuildOutlines() {
    for (auto& character : chars_)
        if (character->Included && !character->OutlineBuilt()) BuildOutline(*character);
}

std::int32_t TFlashFont::CharAdvance(std::uint16_t code, bool wideUnit) {
    TFlashChar* character = FindUnicode(UnicodeOf(code, wideUnit));
    if (!character) return 0;
    if (!character->AdvanceKnown) {
        character->Advance = Reader().Advance(character->Unicode);
        character->AdvanceKnown = true;
    }
    return character->Advance;
}

TTextExtent TFlashFont::ScaledExtent(std::int64_t width) {
    const TFontMetrics& metrics = Metrics();
    return {ScaleFromEm(width, size_), ScaleFromEm(static_cast<std::int64_t>(metrics.Ascent) + metrics.Descent, size_)};
}

TTextExtent TFlashFont::TextExtent(const std::string& text) {
    std::int64_t width = 0;
    for (const char byte : text) width += CharAdvance(static_cast<unsigned char>(byte));
    return ScaledExtent(width);
}

TTextExtent TFlashFont::TextExtent(const std::u16string& text) {
    std::int64_t width = 0;
    for (const char16_t unit : text) width += CharAdvance(static_cast<std::uint16_t>(unit), true);
    return ScaledExtent(width);
}

bool TFlashFont::WritesWideCodes() const {
    if (encoding_ == kEncodingWide || wideNeeded_) return true;
    return !outlinesOnDemand_ &&
           std::any_of(chars_.begin(), chars_.end(), [](const auto& character) { return character->Wide; });
}

std::vector<TFlashChar*> TFlashFont::GlyphOrder() const {
    std::vector<TFlashChar*> order;
    for (const auto& character : chars_)
        if (character->Included) order.push_back(character.get());
    // Narrow code tables are sorted by code; the glyphs follow them, so that glyph i always
    // belongs to code i (list order and code order differ for Windows-1252 bytes 0x80..0x9F).
    if (!WritesWideCodes())
        std::stable_sort(order.begin(), order.end(), [](const TFlashChar* a, const TFlashChar* b) { return a->Code < b->Code; });
    return order;
}

std::uint32_t TFlashFont::GlyphIndex(std::uint16_t code, bool wideUnit) const {
    const TFlashChar* character = FindUnicode(UnicodeOf(code, wideUnit));
    const std::vector<TFlashChar*> order = GlyphOrder();
    const auto at = std::find(order.begin(), order.end(), character);
    return at == order.end() ? 0 : static_cast<std::uint32_t>(at - order.begin());
}

void TFlashFont::WriteToStream(TBitsEngine& writer) {
    TSWFDefineFont2 tag;
    tag.SWFVersion = Owner() ? Owner()->Version() : 6;
    tag.FontID = GetCharacterId();
    tag.HasLayout = hasLayout_ || (Usage & kUsedByEditText);
    tag.ShiftJIS = encoding_ == kEncodingShiftJIS;
    tag.ANSI = encoding_ == kEncodingAnsi;
    tag.SmallText = SmallText;
    tag.WideCodes = WritesWideCodes();
    tag.Italic = italic_;
    tag.Bold = bold_;
    tag.LanguageCode = languageCode_;
    tag.FontName = faceName_;
    if (tag.HasLayout || !chars_.empty()) {
        const TFontMetrics& metrics = Metrics();
        tag.FontAscent = static_cast<std::uint16_t>(std::clamp(metrics.Ascent, 0, 0xFFFF));
        tag.FontDescent = static_cast<std::uint16_t>(std::clamp(metrics.Descent, 0, 0xFFFF));
        tag.FontLeading = static_cast<std::int16_t>(std::clamp(metrics.Leading, -0x8000, 0x7FFF));
    }
    if (!outlinesOnDemand_ || (Usage & kUsedByStaticText)) {
        BuildOutlines();
        for (TFlashChar* character : GlyphOrder()) {
            tag.GlyphShapes.push_back(character->Records());
            tag.CodeTable.push_back(tag.WideCodes ? character->Unicode : character->Code);
            if (tag.HasLayout) {
                tag.AdvanceTable.push_back(static_cast<std::int16_t>(std::clamp(character->Advance, -0x8000, 0x7FFF)));
                tag.BoundsTable.emplace_back();
            }
        }
    }
    // Short offsets reach 65535 bytes of glyph data; larger fonts need the wide ones. The
    // tag is framed in memory first, so a failed attempt has written nothing.
    try {
        tag.WriteToStream(writer);
    } catch (const ESWFError&) {
        if (tag.WideOffsets) throw;
        tag.WideOffsets = true;
        tag.WriteToStream(writer);
    }
}

}  // namespace pellicor
