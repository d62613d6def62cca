#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "movie/flash_object.h"
#include "swf/records.h"

namespace pellicor {

class TFlashFont;

enum TTextAlignment : int { kAlignLeft = 0, kAlignRight = 1, kAlignCenter = 2, kAlignJustify = 3 };

// A text character laid out with an embedded font: static text (DefineText, or DefineText2
// when the colour is not opaque) or, with the edit-text flag, a text field (DefineEditText).
//
// Text is UTF-8 in memory. Text of ASCII characters only is kept and written narrow, one
// glyph per byte; any other text is kept wide, one glyph per UTF-16 unit.
class TFlashText : public TFlashValueObject<TFlashText, TFlashVisualObject> {
public:
    // The font is registered as used (by a static or an edit text), the origin is taken in
    // the owner's units, the alignment switches layout on, bounds are sized to the text, and
    // the text height is the font's size.
    TFlashText(TFlashMovie* owner, const std::string& text, std::uint32_t color, TFlashFont* font, TPoint origin,
               int alignment);

    // Adds the text's characters to the font when the text changes.
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    // The UTF-16 form, for text beyond ASCII.
    const std::optional<std::u16string>& WideText() const { return wideText_; }

    TFlashFont* Font() const { return font_; }
    // Packed, alpha in bits 24-31.
    void SetColor(std::uint32_t color);
    const TSWFRGBA& Color() const { return color_; }
    bool HasColor() const { return hasColor_; }

    // Twips.
    TPoint Origin() const { return origin_; }
    std::uint16_t TextHeight = 0;
    // Also switches layout on, for the text and its font.
    void SetAlignment(int alignment);
    int Alignment() const { return alignment_; }
    // Bounds from the text extent (else the stored Bounds, twips).
    bool AutoSize = true;
    TSWFRect Bounds;
    TSWFMatrix Matrix;
    // Twips added to every advance.
    std::int32_t LetterSpacing = 0;

    // ---- text fields ----
    bool IsEditText() const { return editText_; }
    // Switching it on clears read-only and no-select.
    void SetEditText(bool on);
    bool HasLayout() const { return hasLayout_; }
    // Each also switches layout on.
    void SetLeftMargin(std::uint16_t value);
    void SetRightMargin(std::uint16_t value);
    void SetIndent(std::uint16_t value);
    void SetLeading(std::int16_t value);
    void SetMaxLength(std::uint16_t value) { maxLength_ = value; hasMaxLength_ = true; }
    std::string VariableName;
    bool WordWrap = false;
    bool Multiline = false;
    bool Password = false;
    bool ReadOnly = true;
    bool NoSelect = true;
    bool Border = false;
    bool HTML = false;
    bool UseOutlines = false;

    // The rectangle the static text covers, twips (autosized or the stored bounds).
    TSWFRect TextBounds();

    int MinVersion() const override { return editText_ ? 4 : 3; }
    void WriteToStream(TBitsEngine& writer) override;

private:
    void WriteStaticText(TBitsEngine& writer);
    void WriteEditText(TBitsEngine& writer);
    void SwitchLayoutOn();

    std::string text_;
    std::optional<std::u16string> wideText_;
    TFlashFont* font_;
    TSWFRGBA color_;
    bool hasColor_ = false;
    TPoint origin_;
    int alignment_ = kAlignLeft;
    bool editText_ = false;
    bool hasLayout_ = false;
    std::uint16_t leftMargin_ = 0, rightMargin_ = 0, indent_ = 0;
    std::int16_t leading_ = 0;
    std::uint16_t maxLength_ = 0;
    bool hasMaxLength_ = false;
    bool textSet_ = false;
};

}  // namespace pellicor
