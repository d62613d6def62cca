#include <gtest/gtest.h>

#include <string>

#include "movie/flash_font.h"
#include "movie/flash_movie.h"
#include "movie/flash_text.h"
#include "movie_test_support.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::HexString;
using test::ObjectBytes;

TFlashFontDescription LatinFace() {
    TFlashFontDescription description;
    description.FaceName = "DejaVu Sans";
    description.Height = 240;
    description.Charset = 0;
    return description;
}

// A text copies as a value, static and edit text alike: the copy writes the same tag, and
// changing it leaves the original as it was.
TEST(MovieCopy, TextCopiesAsAValue) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont& font = movie.AddFont(LatinFace(), true);
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit ? "edit text" : "static text");
        TFlashText& original = movie.AddText("Hi", 0x800000FF, font, {10, 20}, kAlignRight);
        original.SetEditText(edit);
        original.VariableName = "field";
        original.Border = true;
        original.LetterSpacing = 3;
        const std::string bytes = HexString(ObjectBytes(original));

        // The font is shared, not copied: the texts keep to its characters so that its glyph
        // indices stay as they are.
        TFlashText copy(nullptr, "i", 0xFF000000, &font, {0, 0}, kAlignLeft);
        copy.Assign(original);
        EXPECT_EQ(HexString(ObjectBytes(copy)), bytes);
        EXPECT_EQ(copy.GetCharacterId(), original.GetCharacterId());
        EXPECT_EQ(copy.Owner(), &movie) << "a copy without an owner takes the source's";

        copy.SetText("iH");
        copy.Border = false;
        EXPECT_NE(HexString(ObjectBytes(copy)), bytes);
        EXPECT_EQ(HexString(ObjectBytes(original)), bytes);
    }
}

// The owner rule of Assign: an object with an owner keeps it.
TEST(MovieCopy, AssignKeepsAnOwnerItHas) {
    TFlashMovie first(0, 0, 6400, 4800, 12, false);
    TFlashMovie second(0, 0, 6400, 4800, 12, false);
    TFlashFont& font = first.AddFont(LatinFace(), true);
    TFlashText& source = first.AddText("a", 0xFF000000, font, {0, 0}, kAlignLeft);
    TFlashText& target = second.AddText("b", 0xFF000000, font, {0, 0}, kAlignLeft);
    target.Assign(source);
    EXPECT_EQ(target.Owner(), &second);
    EXPECT_EQ(HexString(ObjectBytes(target)), HexString(ObjectBytes(source)));
}

}  // namespace
}  // namespace pellicor
