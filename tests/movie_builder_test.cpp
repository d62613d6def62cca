// The movie builder: object list, frames, characters and placements, version rules, and the
// two writing paths (WriteMovie, WriteSection).

#include <gtest/gtest.h>

#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_sprite.h"
#include "movie_test_support.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/do_action_tags.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::MovieBytes;
using test::ParseTags;
using test::TagCodes;

// A movie as the engine makes one: rectangle in twips, then pixel coordinates on.
std::unique_ptr<TFlashMovie> PixelMovie(int width = 320, int height = 240) {
    auto movie = std::make_unique<TFlashMovie>(0, 0, width * 20, height * 20, 12, false);
    movie->SetPixelCoordinates(true);
    return movie;
}

// A tag object told apart by its label text.
std::unique_ptr<TSWFFrameLabel> Label(const std::string& name) {
    auto label = std::make_unique<TSWFFrameLabel>();
    label->Name = name;
    return label;
}

std::vector<std::string> LabelOrder(const TFlashObjectList& objects) {
    std::vector<std::string> names;
    for (const auto& object : objects)
        if (const auto* label = dynamic_cast<const TSWFFrameLabel*>(object.get())) names.push_back(label->Name);
    return names;
}

class TOwnerWatcher : public TFlashVisualObject {
public:
    int OwnerChanges = 0;
    void OwnerChanged() override { ++OwnerChanges; }
    void WriteToStream(TBitsEngine&) override {}
};

TEST(FlashMovie, CreationUnitsAndObjectTree) {
    TFlashMovie pixels(0, 0, 320, 240, 25, true);
    EXPECT_EQ(pixels.FrameRect(), TSWFRect(0, 6400, 0, 4800));
    EXPECT_EQ(pixels.Version(), 5);
    EXPECT_EQ(pixels.NextCharacterId, 1);
    EXPECT_TRUE(pixels.Objects.empty());
    auto movie = PixelMovie();
    EXPECT_EQ(movie->FrameRect(), TSWFRect(0, 6400, 0, 4800));
    EXPECT_EQ(movie->Width(), 320);

    // The unit multiplier: 1 without owner or with the override, else the owner's factor.
    TOwnerWatcher visual;
    EXPECT_EQ(visual.UnitMultiplier(), 1);
    EXPECT_EQ(visual.LibraryLevel(), 1);
    visual.SetOwner(movie.get());
    EXPECT_EQ(visual.OwnerChanges, 1);
    EXPECT_EQ(visual.UnitMultiplier(), 20);
    visual.TwipsOverride = true;
    EXPECT_EQ(visual.UnitMultiplier(), 1);

    // Assign takes the source's owner only when it has none, and copies id and origin.
    visual.SetCharacterId(9);
    visual.OriginX = 40;
    TOwnerWatcher copy;
    copy.Assign(visual);
    EXPECT_EQ(copy.Owner(), movie.get());
    EXPECT_EQ(copy.OwnerChanges, 1);
    EXPECT_EQ(copy.GetCharacterId(), 9);
    EXPECT_EQ(copy.OriginX, 40);
    EXPECT_TRUE(copy.TwipsOverride);
    TFlashMovie other(0, 0, 20, 20, 1, false);
    TOwnerWatcher owned;
    owned.SetOwner(&other);
    owned.Assign(visual);
    EXPECT_EQ(owned.Owner(), &other);
    EXPECT_THROW(owned.Assign(TFlashActionScript()), ESWFError);
}

TEST(FlashMovie, FramesLabelsAndFrameActions) {
    auto movie = PixelMovie();
    movie->ShowFrame(0);
    EXPECT_EQ(movie->FrameCount(), 1);
    EXPECT_EQ(movie->CurrentFrame, 0);
    movie->ShowFrame(3);
    EXPECT_EQ(movie->FrameCount(), 4);
    EXPECT_EQ(movie->CurrentFrame, 3);

    movie->FrameLabel = "start";
    TFlashActionScript& actions = movie->FrameActions();
    EXPECT_EQ(&movie->FrameActions(), &actions);
    actions.Stop();
    movie->ShowFrame();
    EXPECT_TRUE(movie->FrameLabel.empty());
    EXPECT_EQ(movie->FrameActionsIfAny(), nullptr);
    EXPECT_NE(&movie->FrameActions(), &actions);  // the next frame starts a new script
    EXPECT_EQ(movie->Objects[5].get(), &actions);

    movie->WriteMovie();
    EXPECT_EQ(HexString(MovieBytes(*movie)), HexString(HexBytes("40 00  40 00 40 00 40 00"
                                                                "C6 0A 73 74 61 72 74 00  02 03 07 00  40 00  00 00")));
    EXPECT_EQ(movie->FrameCount(), 5);

    // Writing again starts from an empty stream; a list that ends with End gets no second.
    movie->Objects.push_back(std::make_unique<TSWFEnd>());
    movie->WriteMovie();
    EXPECT_EQ(MovieBytes(*movie).size(), 24u);
    movie->Objects.clear();
    movie->WriteMovie();
    EXPECT_EQ(MovieBytes(*movie), HexBytes("00 00"));
}

TEST(FlashMovie, RemoveObjectForms) {
    auto movie = PixelMovie();
    TFlashButton& button = movie->AddButton(false, true);
    movie->RemoveObject(5);
    movie->RemoveObject(3, &button);
    ASSERT_EQ(movie->Objects.size(), 3u);
    EXPECT_EQ(test::ObjectBytes(*movie->Objects[1]), HexBytes("02 07 05 00"));
    EXPECT_EQ(test::ObjectBytes(*movie->Objects[2]), HexBytes("44 01 01 00 03 00"));
}

TEST(FlashMovie, InsertionOrder) {
    auto movie = PixelMovie();
    for (const char* name : {"a", "b", "c"}) movie->AddObject(Label(name));
    EXPECT_EQ(LabelOrder(movie->Objects), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(movie->InsertIndex, 2);

    // Switched on, objects go in at the insertion point, which advances; never after the
    // last item.
    movie->InsertMode = true;
    movie->InsertIndex = 1;
    movie->AddObject(Label("x"));
    movie->AddObject(Label("y"));
    EXPECT_EQ(LabelOrder(movie->Objects), (std::vector<std::string>{"a", "x", "y", "b", "c"}));
    EXPECT_EQ(movie->InsertIndex, 3);
    movie->InsertIndex = 4;  // the last item: append
    movie->AddObject(Label("z"));
    movie->InsertIndex = -1;
    movie->AddObject(Label("w"));
    EXPECT_EQ(LabelOrder(movie->Objects), (std::vector<std::string>{"a", "x", "y", "b", "c", "z", "w"}));
    EXPECT_EQ(movie->InsertIndex, 6);

    // Characters and frames go through the same path.
    movie->InsertIndex = 0;
    TFlashButton& button = movie->AddButton(false, false);
    EXPECT_EQ(movie->Objects[0].get(), &button);
}

TEST(FlashMovie, CharacterIdsAndPlacements) {
    auto movie = PixelMovie();
    TFlashButton& first = movie->AddButton(false, true);
    TFlashButton& second = movie->AddButton(true, true);
    EXPECT_EQ(first.GetCharacterId(), 1);
    EXPECT_EQ(second.GetCharacterId(), 2);
    EXPECT_EQ(second.ButtonTag().ButtonID, 2);
    EXPECT_EQ(first.Owner(), movie.get());
    EXPECT_EQ(movie->Buttons(), (TFlashButtonList{&first, &second}));
    EXPECT_EQ(movie->NextCharacterId, 3);

    // Placements take no id; the translation is in pixels plus the object's origin.
    second.OriginX = 7;
    TFlashPlaceObject& place = movie->PlaceObject(&second, 2);
    EXPECT_EQ(movie->NextCharacterId, 3);
    EXPECT_EQ(place.GetCharacterId(), 2);
    EXPECT_EQ(place.ClipActions(), nullptr);
    place.SetTranslate(10, 5);
    EXPECT_EQ(place.PlaceObject().Matrix().TranslateX, 207);
    EXPECT_EQ(place.PlaceObject().Matrix().TranslateY, 100);
    place.SetScale(1.5, 0.5);
    EXPECT_EQ(place.PlaceObject().Matrix().ScaleX, 98304);
    EXPECT_EQ(place.PlaceObject().Matrix().ScaleY, 32768);
    place.SetName("clip");
    place.SetRatio(4);
    EXPECT_TRUE(place.PlaceObject().PlaceFlagHasName);
    EXPECT_TRUE(place.PlaceObject().PlaceFlagHasRatio);

    // (0, 0) adds no matrix to a fresh placement, but does once the move flag is on.
    TFlashPlaceObject& still = movie->PlaceObject(&first, 1);
    still.SetTranslate(0, 0);
    EXPECT_EQ(test::ObjectBytes(still), HexBytes("85 06 02 01 00 01 00"));
    still.SetReplace(true);
    still.SetTranslate(0, 0);
    EXPECT_EQ(test::ObjectBytes(still), HexBytes("86 06 07 01 00 01 00 00"));
    // Without an object: no character.
    TFlashPlaceObject& move = movie->PlaceObject(nullptr, 1);
    move.SetReplace(true);
    move.SetTranslate(1, 0);
    EXPECT_EQ(test::ObjectBytes(move), HexBytes("86 06 05 01 00 0C A0 00"));

    // Assign copies the tag and keeps its own owner.
    TFlashPlaceObject copy(nullptr, 0);
    copy.Assign(place);
    EXPECT_EQ(copy.Owner(), movie.get());
    EXPECT_EQ(test::ObjectBytes(copy), test::ObjectBytes(place));
}

TEST(FlashMovie, VersionRules) {
    // Content that needs less never lowers the version.
    auto movie = PixelMovie();
    movie->AddObject(std::make_unique<TSWFRemoveObject2>());
    movie->WriteMovie();
    EXPECT_EQ(movie->Version(), 5);

    // A version-3 movie with a placed sprite that has clip actions ends with version 5, and
    // the clip actions are written for it (16-bit event fields).
    movie = PixelMovie();
    movie->SetVersion(3);
    TFlashSprite& sprite = movie->AddCharacter(std::make_unique<TFlashSprite>(), movie->Sprites());
    TFlashPlaceObject& place = movie->PlaceObject(&sprite, 1);
    ASSERT_NE(place.ClipActions(), nullptr);
    movie->ShowFrame();
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(movie->Version(), 3);  // clip actions without events are not written
    place.AddClipEvent(ClipEventBit(ceEnterFrame)).Play();
    EXPECT_EQ(&place.AddClipEvent(ClipEventBit(ceMouseDown)), place.ClipActions());
    place.ClipActions()->Stop();
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(movie->Version(), 5);
    EXPECT_EQ(place.PlaceObject().SWFVersion, 5);
    const auto tags = ParseTags(test::AfterHeader(MovieBytes(*movie)), 0, 5);
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineSprite, tagPlaceObject2, tagShowFrame, tagEnd}));
    const auto& read = dynamic_cast<const TSWFPlaceObject2&>(*tags[1]);
    ASSERT_NE(read.ClipActionsIfAny(), nullptr);
    ASSERT_EQ(read.ClipActionsIfAny()->Records.size(), 2u);
    EXPECT_EQ(read.ClipActionsIfAny()->Records[0]->EventFlags, ClipEventBit(ceEnterFrame));
    EXPECT_EQ(read.ClipActionsIfAny()->Records[1]->EventFlags, ClipEventBit(ceMouseDown));
    // The placement's own copy writes the same.
    TFlashPlaceObject copy(nullptr, 0);
    copy.Assign(place);
    ASSERT_NE(copy.ClipActions(), nullptr);
    EXPECT_EQ(test::ObjectBytes(copy), test::ObjectBytes(place));
    copy.ClipActions()->Play();
    EXPECT_NE(test::ObjectBytes(copy), test::ObjectBytes(place));

    // Compressed movies never go below 6; the header carries it.
    movie = PixelMovie();
    movie->SetVersion(3);
    movie->SetCompressed(true);
    movie->SetVersion(5);
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(movie->Version(), 6);
    EXPECT_EQ(MovieBytes(*movie)[3], 6);

    // Protection with a pass phrase needs 5.
    movie = PixelMovie();
    movie->SetVersion(3);
    movie->SetProtect("secret");
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(movie->Version(), 5);
}

TEST(FlashMovie, BackgroundAndProtectFollowTheHeader) {
    // Not asked for: no SetBackgroundColor.
    auto movie = PixelMovie();
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(HexString(test::AfterHeader(MovieBytes(*movie))), "00 00");
    // Asked for once, unchanged: black right after the header.
    movie = PixelMovie();
    movie->BackgroundColor();
    EXPECT_TRUE(movie->HasBackgroundColor());
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    EXPECT_EQ(HexString(test::AfterHeader(MovieBytes(*movie))), "43 02 00 00 00 00 00");

    // Red, then Protect with the pass phrase hash, then the objects; WriteMovie alike.
    movie = PixelMovie();
    movie->BackgroundColor().SetRGB(0x0000FF);
    movie->SetProtect("pw");
    movie->ShowFrame();
    movie->WriteSection(0, kSectionMarkerLast, true, true);
    const Bytes bytes = test::AfterHeader(MovieBytes(*movie));
    auto tags = ParseTags(bytes);
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagSetBackgroundColor, tagProtect, tagShowFrame, tagEnd}));
    EXPECT_EQ(HexString(Bytes(bytes.begin(), bytes.begin() + 5)), "43 02 FF 00 00");
    EXPECT_EQ(dynamic_cast<const TSWFProtect&>(*tags[1]).EncodedPassword.substr(0, 3), "$1$");
    movie->WriteMovie();
    tags = ParseTags(MovieBytes(*movie));
    EXPECT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagSetBackgroundColor, tagProtect, tagShowFrame, tagEnd}));

    // An empty pass phrase writes an empty Protect body.
    movie = PixelMovie();
    movie->SetProtect("");
    movie->WriteMovie();
    EXPECT_EQ(MovieBytes(*movie), HexBytes("00 06 00 00"));
}

TEST(FlashMovie, WriteMovieStreamSoundAndProgress) {
    auto movie = PixelMovie();
    movie->SetVersion(3);
    auto sound = std::make_unique<test::TMarkerStreamSound>(2, 4);
    movie->SetStreamSound(std::move(sound));
    EXPECT_TRUE(movie->HasStreamSound());
    movie->ShowFrame(3);
    std::vector<int> progress;
    movie->OnProgress = [&](TFlashMovie& sender, int percent, int phase) {
        EXPECT_EQ(&sender, movie.get());
        EXPECT_EQ(phase, 1);
        progress.push_back(percent);
    };
    movie->WriteMovie();
    EXPECT_EQ(progress, (std::vector<int>{33, 67, 100}));
    EXPECT_EQ(movie->Version(), 4);
    const Bytes bytes = MovieBytes(*movie);
    const auto tags = ParseTags(bytes);
    // The head first; blocks from the sound's start frame (2) on, before the ShowFrame.
    EXPECT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagSoundStreamHead2, tagShowFrame, tagSoundStreamBlock,
                                                         tagShowFrame, tagSoundStreamBlock, tagShowFrame, tagEnd}));
    EXPECT_EQ(dynamic_cast<const TSWFSoundStreamHead2&>(*tags[0]).StreamSoundSampleCount, 12);
    EXPECT_EQ(HexString(Bytes(bytes.end() - 7, bytes.end())), "C1 04 01 40 00 00 00");
}

}  // namespace
}  // namespace pellicor
