// Buttons and sprites of the movie builder.

#include <gtest/gtest.h>

#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_sprite.h"
#include "movie_test_support.h"
#include "swf/button_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/do_action_tags.h"
#include "swf/sprite_tags.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::ObjectBytes;
using test::ParseTags;
using test::TagCodes;

// ---- buttons ----

TEST(FlashButton, Button2WithoutActionsKeepsTheReleaseAction) {
    TFlashMovie movie(0, 0, 2000, 2000, 12, false);
    TFlashButton& button = movie.AddButton(false, true);
    ASSERT_TRUE(button.IsButton2());
    ASSERT_EQ(button.Button2()->CondActions.size(), 1u);
    EXPECT_EQ(button.Button2()->CondActions[0].Conditions, ButtonConditionBit(bcOverDownToOverUp));
    EXPECT_EQ(button.MinVersion(), 3);
    // id 1, flags 0, ActionOffset 3 (2 + no records + 1), end of records, the condition
    // action (size 0, OverDownToOverUp, no key) with only ActionEnd.
    EXPECT_EQ(HexString(ObjectBytes(button)), "8B 08 01 00 00 03 00 00 00 00 08 00 00");
    EXPECT_EQ(button.GetCharacterId(), button.ButtonTag().ButtonID);
}

TEST(FlashButton, CaptionButtonRecordsAndReleaseActions) {
    TFlashMovie movie(0, 0, 2000, 2000, 12, false);
    TFlashButton& text = movie.AddButton(false, false);  // stands in for the caption character
    TFlashButton& button = movie.AddButton(false, true);
    button.AddRecord(&text, bsUp | bsHitTest, 1);
    button.AddRecord(&text, bsOver, 1);
    button.AddRecord(&text, bsDown, 1);
    button.ReleaseActions().GetUrl("http://a", "_blank");
    TFlashPlaceObject& place = movie.PlaceObject(&button, 3);
    EXPECT_EQ(place.GetCharacterId(), 2);

    // FindCondAction(release) is the one condition action; other conditions get their own.
    TSWFActionListBase* release = &button.FindCondAction(bcOverDownToOverUp).Actions();
    EXPECT_EQ(&button.FindCondAction(bcOverDownToOverUp).Actions(), release);
    button.AddCondAction(ButtonConditionBit(bcIdleToOverUp) | ButtonConditionBit(bcOverUpToIdle));
    EXPECT_EQ(button.FindCondAction(bcOverUpToIdle).Conditions, 3);
    EXPECT_EQ(button.FindCondAction(bcOverDownToIdle).Conditions, ButtonConditionBit(bcOverDownToIdle));
    ASSERT_EQ(button.Button2()->CondActions.size(), 3u);
    // The script still appends to the release actions after the list grew.
    button.ReleaseActions().Play();
    EXPECT_EQ(&button.Button2()->CondActions[0].Actions(), release);

    const Bytes bytes = ObjectBytes(button);
    const auto tags = ParseTags(bytes);
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineButton2}));  // no sounds: no DefineButtonSound
    const auto& read = dynamic_cast<const TSWFDefineButton2&>(*tags[0]);
    ASSERT_EQ(read.ButtonRecords.size(), 3u);
    EXPECT_EQ(read.ButtonRecords[0].States, 9);
    EXPECT_EQ(read.ButtonRecords[1].States, 4);
    EXPECT_EQ(read.ButtonRecords[2].States, 2);
    for (const auto& record : read.ButtonRecords) {
        EXPECT_EQ(record.CharacterID, 1);
        EXPECT_EQ(record.PlaceDepth, 1);
        EXPECT_TRUE(record.HasColorTransform);
    }
    ASSERT_EQ(read.CondActions.size(), 3u);
    const auto& actions = dynamic_cast<const TSWFActionList&>(*read.CondActions[0].ActionsIfAny());
    ASSERT_EQ(actions.Count(), 2u);
    EXPECT_EQ(dynamic_cast<const TSWFActionGetURL&>(actions[0]).Target, "_blank");
    EXPECT_EQ(actions[1].ActionCode(), actionPlay);

    // A copy writes the same and is independent.
    TFlashButton copy(nullptr, false, false);
    copy.Assign(button);
    EXPECT_TRUE(copy.IsButton2());
    EXPECT_EQ(copy.Owner(), &movie);
    EXPECT_EQ(ObjectBytes(copy), bytes);
    copy.ReleaseActions().Stop();
    EXPECT_EQ(ObjectBytes(button), bytes);
}

TEST(FlashButton, DefineButtonAndSounds) {
    TFlashButton button(nullptr, false, false);
    button.SetCharacterId(4);
    EXPECT_FALSE(button.IsButton2());
    EXPECT_EQ(button.MinVersion(), 1);
    EXPECT_THROW(button.AddCondAction(1), ESWFError);
    button.AddRecord(nullptr, bsUp, 2);  // no object: id 0
    button.ReleaseActions().Play();
    EXPECT_EQ(button.MinVersion(), 3);
    // id, record (states, id 0, depth 2, empty matrix), end of records, Play, ActionEnd.
    EXPECT_EQ(HexString(ObjectBytes(button)), "CB 01 04 00 01 00 00 02 00 00 00 06 00");

    // A state sound adds DefineButtonSound with the button's id.
    button.SoundTag().Sound(TSWFButtonSoundTransition::IdleToOverUp).SoundId = 3;
    const auto tags = ParseTags(ObjectBytes(button));
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineButton, tagDefineButtonSound}));
    EXPECT_EQ(HexString(ObjectBytes(*tags[1])), "4B 04 04 00 00 00 03 00 00 00 00 00 00");
    EXPECT_EQ(button.MinVersion(), 3);
}

// ---- sprites ----

TEST(FlashSprite, EmptySpriteAndEnd) {
    TFlashSprite sprite;
    sprite.SetCharacterId(5);
    EXPECT_EQ(sprite.MinVersion(), 3);
    EXPECT_EQ(HexString(ObjectBytes(sprite)), "C8 09 05 00 01 00 40 00 00 00");
    EXPECT_EQ(sprite.FrameCount(), 1);
    EXPECT_EQ(HexString(ObjectBytes(sprite)), "C8 09 05 00 01 00 40 00 00 00");  // the same again

    TFlashSprite ended;
    ended.SetFrameCount(1);
    ended.ControlTags().push_back(std::make_unique<TSWFEnd>());
    EXPECT_EQ(HexString(ObjectBytes(ended)), "C6 09 00 00 01 00 00 00");
}

TEST(FlashSprite, FramesPlacementsAndInitActions) {
    TFlashMovie movie(0, 0, 2000, 2000, 25, false);
    movie.SetVersion(6);
    TFlashSprite& sprite = movie.AddCharacter(std::make_unique<TFlashSprite>(), movie.Sprites());
    TFlashSprite inner(&movie);
    inner.SetCharacterId(9);

    // Inside a sprite frame: actions, label, ShowFrame.
    sprite.FrameActions().Stop();
    sprite.FrameLabel = "here";
    auto place = std::make_unique<TFlashPlaceObject>(&movie, 1, &inner);
    place->AddClipEvent(ClipEventBit(ceDragOut)).Play();  // an SWF 6 event
    sprite.ControlTags().push_back(std::move(place));
    sprite.ShowFrame(2);
    EXPECT_EQ(sprite.FrameCount(), 2);
    EXPECT_EQ(sprite.CurrentFrame, 1);
    EXPECT_TRUE(sprite.FrameLabel.empty());
    EXPECT_EQ(sprite.MinVersion(), 6);
    sprite.InitActions().Stop();
    EXPECT_EQ(sprite.MinVersion(), 6);

    const Bytes bytes = ObjectBytes(sprite);
    const auto tags = ParseTags(bytes, 0, 6);
    ASSERT_EQ(TagCodes(tags), (std::vector<std::uint16_t>{tagDefineSprite, tagDoInitAction}));
    const auto& read = dynamic_cast<const TSWFDefineSprite&>(*tags[0]);
    EXPECT_EQ(read.SpriteID, 1);
    EXPECT_EQ(read.FrameCount, 2);
    std::vector<std::uint16_t> inside;
    for (const auto& tag : read.ControlTags) inside.push_back(tag->TagID());
    EXPECT_EQ(inside, (std::vector<std::uint16_t>{tagPlaceObject2, tagDoAction, tagFrameLabel, tagShowFrame, tagShowFrame}));
    // The placement was written for the owner's version: the 32-bit event fields keep DragOut.
    const auto& placed = dynamic_cast<const TSWFPlaceObject2&>(*read.ControlTags[0]);
    ASSERT_NE(placed.ClipActionsIfAny(), nullptr);
    EXPECT_EQ(placed.ClipActionsIfAny()->Records[0]->EventFlags, ClipEventBit(ceDragOut));
    EXPECT_EQ(placed.CharacterID(), 9);
    EXPECT_EQ(HexString(ObjectBytes(*tags[1])), "C4 0E 01 00 07 00");

    // A copy writes the same bytes and is independent of the original.
    TFlashSprite copy;
    copy.Assign(sprite);
    EXPECT_EQ(copy.Owner(), &movie);
    EXPECT_EQ(ObjectBytes(copy), bytes);
    copy.ShowFrame();
    copy.InitActions().Play();
    EXPECT_EQ(ObjectBytes(sprite), bytes);
}

TEST(FlashSprite, StreamSoundInsideTheSprite) {
    TFlashMovie movie(0, 0, 2000, 2000, 15, false);
    TFlashSprite sprite(&movie);
    sprite.SetStreamSound(std::make_unique<test::TMarkerStreamSound>(1, 4));
    EXPECT_TRUE(sprite.HasStreamSound());
    EXPECT_EQ(sprite.MinVersion(), 4);
    sprite.ShowFrame(3);
    const Bytes bytes = ObjectBytes(sprite);
    const auto tags = ParseTags(bytes);
    ASSERT_EQ(tags.size(), 1u);
    const auto& read = dynamic_cast<const TSWFDefineSprite&>(*tags[0]);
    std::vector<std::uint16_t> inside;
    for (const auto& tag : read.ControlTags) inside.push_back(tag->TagID());
    // The head with the owner's frame rate first; blocks before the ShowFrames of frame
    // index 1 and later.
    EXPECT_EQ(inside, (std::vector<std::uint16_t>{tagSoundStreamHead2, tagShowFrame, tagSoundStreamBlock, tagShowFrame,
                                                  tagSoundStreamBlock, tagShowFrame}));
    EXPECT_EQ(dynamic_cast<const TSWFSoundStreamHead2&>(*read.ControlTags[0]).StreamSoundSampleCount, 15);

    // The copy carries its own sound; without an owner the frame rate is unknown.
    TFlashSprite copy;
    copy.Assign(sprite);
    EXPECT_NE(copy.StreamSoundIfAny(), sprite.StreamSoundIfAny());
    EXPECT_EQ(ObjectBytes(copy), bytes);
    TFlashSprite orphan;
    orphan.SetStreamSound(std::make_unique<test::TMarkerStreamSound>());
    EXPECT_THROW(ObjectBytes(orphan), ESWFError);
}

}  // namespace
}  // namespace pellicor
