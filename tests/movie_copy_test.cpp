#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "movie/flash_font.h"
#include "movie/flash_image.h"
#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/flash_sound.h"
#include "movie/flash_sprite.h"
#include "movie/flash_text.h"
#include "movie_reader_test_support.h"
#include "movie_test_support.h"
#include "settings_test_support.h"
#include "swf/sound_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexString;
using test::ObjectBytes;
namespace ts = test_support;

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

    // The scripts a copy makes for itself follow the owner the copy ends with.
    TFlashButton& button = first.AddButton(false, true);
    TFlashButton& ownedButton = second.AddButton(false, false);
    ownedButton.Assign(button);
    EXPECT_EQ(ownedButton.ActionScript().Owner(), &second);
    TFlashSprite& sprite = first.AddCharacter(std::make_unique<TFlashSprite>(), first.Sprites());
    TFlashPlaceObject& place = first.PlaceObject(&sprite, 1);
    TFlashPlaceObject ownedPlace(&second, 2);
    ownedPlace.Assign(place);
    ASSERT_NE(ownedPlace.ClipActions(), nullptr);
    EXPECT_EQ(ownedPlace.ClipActions()->Owner(), &second);
    sprite.InitActions().Play();
    TFlashSprite ownedSprite(&second);
    ownedSprite.Assign(sprite);
    ASSERT_NE(ownedSprite.InitActionsIfAny(), nullptr);
    EXPECT_EQ(ownedSprite.InitActionsIfAny()->Owner(), &second);
}

// A sprite copy carries the actions of the frame under construction: closing that frame in
// the copy and in the original writes the same sprite.
TEST(MovieCopy, SpriteCopyCarriesThePendingFrameActions) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashSprite original(&movie);
    original.ShowFrame();
    original.FrameActions().Play();
    const std::unique_ptr<TFlashSprite> copy = original.Clone();
    copy->ShowFrame();
    original.ShowFrame();
    EXPECT_EQ(HexString(ObjectBytes(*copy)), HexString(ObjectBytes(original)));
}

// ---- the movie objects that copy as values, in one table ----

// A file in a folder of the test's own.
std::string WriteFileIn(const testing_support::TempDir& folder, const std::string& name, const Bytes& bytes) {
    const std::string path = (folder / name).string();
    testing_support::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

Bytes Ramp(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 5 + i / 256);
    return bytes;
}

using TObjectMaker = std::function<std::unique_ptr<TFlashObject>(TFlashMovie&)>;

struct TValueCase {
    const char* Name;
    // A populated object of the class.
    TObjectMaker Make;
    // An object of the class as a caller would start it, to assign into.
    std::function<std::unique_ptr<TFlashObject>()> Blank;
    std::function<std::unique_ptr<TFlashObject>(const TFlashObject&)> Clone;
    // A change inside what the copy owns, seen in the bytes it writes.
    std::function<void(TFlashObject&)> Change;
};

template <class T>
std::unique_ptr<TFlashObject> CloneAs(const TFlashObject& object) {
    return dynamic_cast<const T&>(object).Clone();
}

// Sound files go into the folder.
std::vector<TValueCase> ValueCases(const testing_support::TempDir& folder) {
    return {
        {"font",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto font = std::make_unique<TFlashFont>(&movie, false, "DejaVu Sans", true, false, 480);
             font->SetCharset(0);
             font->AddChars("Copy");
             font->SetHasLayout(true);
             font->SmallText = true;
             font->Usage = TFlashFont::kUsedByStaticText;
             font->SetCharacterId(4);
             return font;
         },
         [] { return std::make_unique<TFlashFont>(nullptr, true, "DejaVu Serif", false, true, 20); },
         CloneAs<TFlashFont>,
         [](TFlashObject& object) { dynamic_cast<TFlashFont&>(object).AddChars("xyz"); }},
        {"shape",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto shape = std::make_unique<TFlashShape>(&movie);
             shape->SetBounds(0, 0, 30, 20);
             shape->AddLineStyle(2, 0xFF0000FF);
             shape->SetSolidFill(0x80112233);
             shape->Edges().MoveTo(1, 1);
             shape->Edges().LineDelta(10, 0);
             shape->DashPattern().Lengths = {4, 2};
             shape->OriginX = 40;
             shape->SetCharacterId(9);
             return shape;
         },
         [] { return std::make_unique<TFlashShape>(); },
         CloneAs<TFlashShape>,
         // Drawn with the copy's pen: it must draw into the copy's records.
         [](TFlashObject& object) { dynamic_cast<TFlashShape&>(object).Edges().LineDelta(0, 5); }},
        {"sound",
         [&folder](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto sound = std::make_unique<TFlashSound>(&movie, WriteFileIn(folder, "table.wav", ts::Wave(1, 1, 11025, 8, Ramp(900))));
             sound->InitialSeek = 3;
             sound->StartFrame = 2;
             sound->SetCharacterId(5);
             return sound;
         },
         [] { return std::make_unique<TFlashSound>(); },
         CloneAs<TFlashSound>,
         [&folder](TFlashObject& object) {
             dynamic_cast<TFlashSound&>(object).LoadFromFile(
                 WriteFileIn(folder, "other.wav", ts::Wave(1, 2, 22050, 16, Ramp(400))));
         }},
        {"image",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto image = std::make_unique<TFlashImage>(&movie);
             TMemoryStream jpeg(ts::EncodeJpeg(8, 8, false));
             image->LoadFromStream(jpeg, true, 8, 8);
             image->AlphaData().Write(Ramp(64).data(), 64);
             image->SetCharacterId(6);
             return image;
         },
         [] { return std::make_unique<TFlashImage>(); },
         CloneAs<TFlashImage>,
         [](TFlashObject& object) {
             const Bytes opaque(64, 0xFF);
             dynamic_cast<TFlashImage&>(object).AlphaData().Write(opaque.data(), opaque.size());
         }},
        {"placement with clip actions",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             TFlashSprite& sprite = movie.AddCharacter(std::make_unique<TFlashSprite>(), movie.Sprites());
             auto place = std::make_unique<TFlashPlaceObject>(&movie, 3, &sprite);
             place->SetName("clip");
             place->AddClipEvent(ClipEventBit(ceEnterFrame)).Play();
             return place;
         },
         [] { return std::make_unique<TFlashPlaceObject>(nullptr, 0); },
         CloneAs<TFlashPlaceObject>,
         // Through the copy's script: it must append to the copy's clip action record.
         [](TFlashObject& object) { dynamic_cast<TFlashPlaceObject&>(object).ClipActions()->Stop(); }},
        {"button (DefineButton2)",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto button = std::make_unique<TFlashButton>(&movie, true, true);
             button->AddRecord(nullptr, 1, 2);
             button->ReleaseActions().Play();
             button->SetCharacterId(7);
             return button;
         },
         [] { return std::make_unique<TFlashButton>(nullptr, false, false); },
         CloneAs<TFlashButton>,
         [](TFlashObject& object) { dynamic_cast<TFlashButton&>(object).ActionScript().Stop(); }},
        {"button (DefineButton)",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto button = std::make_unique<TFlashButton>(&movie, false, false);
             button->AddRecord(nullptr, 1, 2);
             button->ReleaseActions().Play();
             button->SetCharacterId(8);
             return button;
         },
         [] { return std::make_unique<TFlashButton>(nullptr, false, true); },
         CloneAs<TFlashButton>,
         [](TFlashObject& object) { dynamic_cast<TFlashButton&>(object).ActionScript().Stop(); }},
        {"sprite",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto sprite = std::make_unique<TFlashSprite>(&movie);
             TFlashSprite& inner = movie.AddCharacter(std::make_unique<TFlashSprite>(), movie.Sprites());
             auto place = std::make_unique<TFlashPlaceObject>(&movie, 1, &inner);
             place->AddClipEvent(ClipEventBit(ceEnterFrame)).Play();
             sprite->ControlTags().push_back(std::move(place));
             sprite->FrameActions().Stop();
             sprite->FrameLabel = "first";
             sprite->ShowFrame(2);
             sprite->InitActions().Play();
             sprite->SetStreamSound(std::make_unique<test::TMarkerStreamSound>(1));
             // Pending until the next frame is closed.
             sprite->FrameActions().Play();
             sprite->SetCharacterId(3);
             return sprite;
         },
         [] { return std::make_unique<TFlashSprite>(); },
         CloneAs<TFlashSprite>,
         // Closes a frame with the copy's pending frame actions.
         [](TFlashObject& object) { dynamic_cast<TFlashSprite&>(object).ShowFrame(); }},
        {"action script",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto script = std::make_unique<TFlashActionScript>(&movie);
             script->Push({std::string("x")});
             script->GetVariable();
             TSWFActionIf& branch = script->If();
             script->Play();
             script->SetMarker(&branch.Marker());
             script->Stop();
             return script;
         },
         [] { return std::make_unique<TFlashActionScript>(); },
         CloneAs<TFlashActionScript>,
         [](TFlashObject& object) { dynamic_cast<TFlashActionScript&>(object).Play(); }},
        {"text",
         [](TFlashMovie& movie) -> std::unique_ptr<TFlashObject> {
             auto text = std::make_unique<TFlashText>(&movie, "Copy", 0xFF3366CC, &movie.AddFont(LatinFace(), true),
                                                      TPoint{5, 6}, kAlignCenter);
             text->SetEditText(true);
             text->VariableName = "v";
             return text;
         },
         [] { return std::make_unique<TFlashText>(nullptr, "", 0, nullptr, TPoint{}, kAlignLeft); },
         CloneAs<TFlashText>,
         [](TFlashObject& object) { dynamic_cast<TFlashText&>(object).SetText("yoCp"); }},
    };
}

// Clone and Assign write the original's bytes and take its owner, id and placement fields;
// a change to either copy leaves the original as it was; an object of another class is
// refused.
TEST(MovieCopy, ValueObjectsCopyWholeAndApart) {
    const testing_support::TempDir folder;
    const std::vector<TValueCase> cases = ValueCases(folder);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TValueCase& c = cases[i];
        SCOPED_TRACE(c.Name);
        TFlashMovie movie(0, 0, 6400, 4800, 12, false);
        const std::unique_ptr<TFlashObject> original = c.Make(movie);
        const std::string bytes = HexString(ObjectBytes(*original));

        std::unique_ptr<TFlashObject> cloned = c.Clone(*original);
        std::unique_ptr<TFlashObject> assigned = c.Blank();
        assigned->Assign(*original);
        for (TFlashObject* copy : {cloned.get(), assigned.get()}) {
            EXPECT_EQ(HexString(ObjectBytes(*copy)), bytes);
            EXPECT_EQ(copy->Owner(), &movie);
            if (auto* visual = dynamic_cast<TFlashVisualObject*>(copy)) {
                EXPECT_EQ(visual->OriginX, dynamic_cast<const TFlashVisualObject&>(*original).OriginX);
            }
            if (auto* character = dynamic_cast<TFlashIDObject*>(copy)) {
                EXPECT_EQ(character->GetCharacterId(), dynamic_cast<const TFlashIDObject&>(*original).GetCharacterId());
            }
            c.Change(*copy);
            EXPECT_NE(HexString(ObjectBytes(*copy)), bytes);
            EXPECT_EQ(HexString(ObjectBytes(*original)), bytes);
        }

        // The next case of another class.
        std::size_t j = (i + 1) % cases.size();
        std::unique_ptr<TFlashObject> foreign = cases[j].Make(movie);
        while (typeid(*foreign) == typeid(*original)) {
            j = (j + 1) % cases.size();
            foreign = cases[j].Make(movie);
        }
        EXPECT_THROW(c.Blank()->Assign(*foreign), ESWFError) << "from " << cases[j].Name;
    }
}

Bytes NextBlock(TFlashSound& sound) { return test::WrittenBytes([&](TBitsEngine& engine) { sound.WriteStreamBlock(engine); }); }

void StartStream(TFlashSound& sound) {
    TSWFSoundStreamHead2 head;
    sound.FillStreamHead(head, 30);
}

// A copy of a sound opens the file again by name and starts its stream from the data's
// beginning: it plays the same blocks as the original, through a handle of its own, even
// after the file is gone. A copy made once the file is gone has no data.
TEST(MovieCopy, SoundCopyReopensItsFileAndStartsOver) {
    const testing_support::TempDir folder;
    const std::string path = WriteFileIn(folder, "sound.wav", ts::Wave(1, 1, 11025, 8, Ramp(2000)));
    TFlashSound original(nullptr, path);
    StartStream(original);
    const Bytes first = NextBlock(original);
    const Bytes second = NextBlock(original);
    ASSERT_NE(first, second);

    const std::unique_ptr<TFlashSound> copy = original.Clone();
    TFlashSound assigned;
    assigned.Assign(original);
    std::remove(path.c_str());
    for (TFlashSound* sound : {copy.get(), &assigned}) {
        EXPECT_TRUE(sound->IsLoaded());
        EXPECT_EQ(sound->FileName(), path);
        EXPECT_EQ(sound->SamplesPerBlock(), 0) << "the block layout starts over too";
        StartStream(*sound);
        EXPECT_EQ(NextBlock(*sound), first);
        EXPECT_EQ(NextBlock(*sound), second);
    }
    const Bytes third = NextBlock(original);
    EXPECT_EQ(NextBlock(*copy), third);
    EXPECT_EQ(NextBlock(assigned), third);

    const std::unique_ptr<TFlashSound> late = original.Clone();
    EXPECT_FALSE(late->IsLoaded());
    EXPECT_EQ(late->FileName(), path);
    StartStream(*late);
    EXPECT_TRUE(NextBlock(*late).empty());
}

// A copy of an image owns its bytes: a JPEG file is read into memory, lent bytes are copied.
TEST(MovieCopy, ImageCopyOwnsItsBytes) {
    const Bytes jpeg = ts::EncodeJpeg(16, 8, false);
    const testing_support::TempDir folder;
    const std::string path = WriteFileIn(folder, "image.jpg", jpeg);
    TFlashImage fromFile(nullptr, path);
    ASSERT_EQ(fromFile.DataKind(), TImageDataKind::JpegFile);
    const std::unique_ptr<TFlashImage> copy = fromFile.Clone();
    std::remove(path.c_str());
    EXPECT_EQ(copy->DataKind(), TImageDataKind::JpegMemory);
    EXPECT_EQ(Bytes(copy->DataBytes().begin(), copy->DataBytes().end()), jpeg);
    EXPECT_EQ(ObjectBytes(*copy), ObjectBytes(fromFile));

    Bytes lent = jpeg;
    TFlashImage lender;
    lender.LoadFromMemory(lent, true, 16, 8);
    TFlashImage assigned;
    assigned.Assign(lender);
    const Bytes written = ObjectBytes(assigned);
    std::fill(lent.begin(), lent.end(), 0);
    EXPECT_EQ(ObjectBytes(assigned), written);
    EXPECT_NE(ObjectBytes(lender), written) << "the original still writes the lent bytes";
}

// A copy of a font keeps its characters' codes, flags and advances, but not their outlines:
// it draws them again when it is written, to the same glyphs.
TEST(MovieCopy, FontCopyKeepsCharactersAndDrawsOutlinesAgain) {
    TFlashMovie movie(0, 0, 6400, 4800, 12, false);
    TFlashFont original(&movie, false, "DejaVu Sans", false, false, 240);
    original.AddChars("Ab");
    original.AddChars(u"\u0416");
    original.FindChar('b')->Included = false;
    original.CharAdvance('b');
    original.BuildOutlines();
    const std::unique_ptr<TFlashFont> copy = original.Clone();

    ASSERT_EQ(copy->Chars().size(), original.Chars().size());
    for (std::size_t i = 0; i < copy->Chars().size(); ++i) {
        const TFlashChar& kept = *original.Chars()[i];
        const TFlashChar& made = *copy->Chars()[i];
        SCOPED_TRACE(kept.Code);
        EXPECT_NE(&made, &kept);
        EXPECT_EQ(made.Code, kept.Code);
        EXPECT_EQ(made.Unicode, kept.Unicode);
        EXPECT_EQ(made.Wide, kept.Wide);
        EXPECT_EQ(made.Included, kept.Included);
        EXPECT_EQ(made.Advance, kept.Advance);
        EXPECT_EQ(made.AdvanceKnown, kept.AdvanceKnown);
        EXPECT_TRUE(made.AdvanceKnown);
        EXPECT_EQ(kept.OutlineBuilt(), kept.Included);
        EXPECT_FALSE(made.OutlineBuilt());
    }
    const std::size_t records = original.Chars()[0]->Records().size();
    EXPECT_EQ(HexString(ObjectBytes(*copy)), HexString(ObjectBytes(original)));
    EXPECT_TRUE(copy->Chars()[0]->OutlineBuilt());
    EXPECT_EQ(original.Chars()[0]->Records().size(), records) << "the copy drew into its own records";
}

}  // namespace
}  // namespace pellicor
