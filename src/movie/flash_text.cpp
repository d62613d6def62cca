#include "movie/flash_text.h"

#include <algorithm>

#include "movie/flash_font.h"
#include "movie/flash_movie.h"
#include "swf/swf_helpers.h"
#include "swf/text_tags.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::int16_t ToSI16(std::int64_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -0x8000, 0x7FFF));
}

// A glyph count is one byte: longer texts go on in further records, which continue where
// the one before ended.
constexpr std::size_t kGlyphsPerRecord = 255;

}  // namespace

TFlashText::TFlashText(TFlashMovie* owner, const std::string& text, std::uint32_t color, TFlashFont* font,
                       TPoint origin, int alignment)
    : TFlashValueObject(owner), font_(font) {
    if (font_) {
        font_->Usage |= TFlashFont::kUsedByStaticText;
        TextHeight = font_->Size();
        UseOutlines = !font_->OutlinesOnDemand();
    }
    SetText(text);
    SetColor(color);
    const std::int32_t units = UnitMultiplier();
    origin_ = {origin.X * units, origin.Y * units};
    SetAlignment(alignment);
}

TFlashText& TFlashMovie::AddText(const std::string& text, std::uint32_t color, TFlashFont& font, TPoint origin,
                                 int alignment) {
    return AddCharacter(std::make_unique<TFlashText>(this, text, color, &font, origin, alignment), Texts());
}

void TFlashText::SetText(const std::string& text) {
    if (textSet_ && text == text_) return;
    text_ = text;
    textSet_ = true;
    if (IsAscii(text)) wideText_.reset();
    else wideText_ = AnsiToWide(text);
    if (!font_) return;
    if (wideText_) font_->AddChars(*wideText_);
    else font_->AddChars(text_);
}

void TFlashText::SetColor(std::uint32_t color) {
    color_.SetRGBA(color);
    hasColor_ = true;
}

void TFlashText::SetAlignment(int alignment) {
    alignment_ = alignment;
    SwitchLayoutOn();
}

void TFlashText::SwitchLayoutOn() {
    hasLayout_ = true;
    if (font_) font_->SetHasLayout(true);
}

void TFlashText::SetEditText(bool on) {
    if (on && !editText_) {
        ReadOnly = false;
        NoSelect = false;
        if (font_) font_->Usage |= TFlashFont::kUsedByEditText;
    }
    editText_ = on;
}

void TFlashText::SetLeftMargin(std::uint16_t value) { leftMargin_ = value; SwitchLayoutOn(); }
void TFlashText::SetRightMargin(std::uint16_t value) { rightMargin_ = value; SwitchLayoutOn(); }
void TFlashText::SetIndent(std::uint16_t value) { indent_ = value; SwitchLayoutOn(); }
void TFlashText::SetLeading(std::int16_t value) { leading_ = value; SwitchLayoutOn(); }

TSWFRect TFlashText::TextBounds() {
    if (!AutoSize || !font_) return Bounds;
    const TTextExtent extent = wideText_ ? font_->TextExtent(*wideText_) : font_->TextExtent(text_);
    const double scale = font_->Size() ? static_cast<double>(TextHeight) / font_->Size() : 0.0;
    const auto width = static_cast<std::int32_t>(RoundHalfEven(extent.Width * scale));
    const auto height = static_cast<std::int32_t>(RoundHalfEven(extent.Height * scale));
    std::int32_t left = origin_.X;
    if (alignment_ == kAlignRight) left -= width;
    else if (alignment_ == kAlignCenter || alignment_ == kAlignJustify) left -= static_cast<std::int32_t>(TruncDiv(width, 2));
    return TSWFRect(left, left + width, origin_.Y, origin_.Y + height);
}

void TFlashText::WriteToStream(TBitsEngine& writer) {
    if (editText_) WriteEditText(writer);
    else WriteStaticText(writer);
}

void TFlashText::WriteStaticText(TBitsEngine& writer) {
    std::unique_ptr<TSWFDefineText> tag;
    if (color_.A() == 255) tag = std::make_unique<TSWFDefineText>();
    else tag = std::make_unique<TSWFDefineText2>();
    tag->CharacterID = GetCharacterId();
    tag->TextBounds = TextBounds();
    tag->TextMatrix = Matrix;
    if (font_) {
        font_->BuildOutlines();
        const double perEm = static_cast<double>(TextHeight) / kFontEmSquare;
        std::vector<TSWFGlyphEntry> glyphs;
        const auto addGlyph = [&](std::uint16_t code, bool wideUnit) {
            const std::int64_t advance = RoundHalfEven(font_->CharAdvance(code, wideUnit) * perEm) + LetterSpacing;
            glyphs.push_back({font_->GlyphIndex(code, wideUnit), static_cast<std::int32_t>(advance)});
        };
        if (wideText_) {
            for (const char16_t unit : *wideText_) addGlyph(static_cast<std::uint16_t>(unit), true);
        } else {
            for (const char byte : text_) addGlyph(static_cast<unsigned char>(byte), false);
        }
        for (std::size_t start = 0; start < glyphs.size() || start == 0; start += kGlyphsPerRecord) {
            TSWFTextRecord& record = tag->TextRecords.emplace_back();
            if (start == 0) {
                record.SetFontID(font_->GetCharacterId());
                record.SetTextHeight(TextHeight);
                if (hasColor_) record.TextColor().Assign(color_);
                const std::int64_t ascent = RoundHalfEven(font_->Metrics().Ascent * perEm);
                record.SetYOffset(ToSI16(ascent + tag->TextBounds.Ymin()));
                if (tag->TextBounds.Xmin() != 0) record.SetXOffset(ToSI16(tag->TextBounds.Xmin()));
            }
            const std::size_t end = std::min(glyphs.size(), start + kGlyphsPerRecord);
            record.GlyphEntries.assign(glyphs.begin() + static_cast<std::ptrdiff_t>(start),
                                       glyphs.begin() + static_cast<std::ptrdiff_t>(end));
            if (end == glyphs.size()) break;
        }
    }
    tag->SetBitsFromGlyphs();
    tag->WriteToStream(writer);
}

void TFlashText::WriteEditText(TBitsEngine& writer) {
    TSWFDefineEditText tag;
    tag.SWFVersion = Owner() ? Owner()->Version() : 6;
    tag.CharacterID = GetCharacterId();
    tag.Bounds = AutoSize ? TSWFRect(origin_.X, origin_.X, origin_.Y, origin_.Y) : Bounds;
    tag.AutoSize = AutoSize;
    tag.WordWrap = WordWrap;
    tag.Multiline = Multiline;
    tag.Password = Password;
    tag.ReadOnly = ReadOnly;
    tag.NoSelect = NoSelect;
    tag.Border = Border;
    tag.HTML = HTML;
    tag.UseOutlines = UseOutlines || (font_ && !font_->OutlinesOnDemand());
    if (font_) {
        tag.HasFont = true;
        tag.FontID = font_->GetCharacterId();
        tag.FontHeight = TextHeight;
    }
    if (hasColor_) tag.TextColor().Assign(color_);
    if (hasMaxLength_) {
        tag.HasMaxLength = true;
        tag.MaxLength = maxLength_;
    }
    if (hasLayout_) {
        tag.HasLayout = true;
        tag.Align = static_cast<std::uint8_t>(alignment_);
        tag.LeftMargin = leftMargin_;
        tag.RightMargin = rightMargin_;
        tag.Indent = indent_;
        tag.Leading = leading_;
    }
    tag.VariableName = VariableName;
    tag.HasText = !text_.empty();
    if (wideText_) tag.WideInitialText = *wideText_;
    else tag.InitialText = text_;
    tag.WriteToStream(writer);
}

}  // namespace pellicor
