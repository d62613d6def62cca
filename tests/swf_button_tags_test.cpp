#include <gtest/gtest.h>

#include "swf/button_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::HexBytes;
using test::HexString;

std::unique_ptr<TSWFRawActionList> RawActions(const std::string& hex) {
    auto list = std::make_unique<TSWFRawActionList>();
    list->Bytes = HexBytes(hex);
    return list;
}

// The bytes a list writes, closing ActionEnd included, whether it was read raw or parsed.
Bytes RawBytesOf(const TSWFActionListBase* actions) {
    if (!actions) return {};
    const auto copy = actions->CloneList();
    return test::WrittenBytes([&](TBitsEngine& engine) { WriteActionsWithEnd(engine, *copy); });
}

// An action list that needs a later version, as parsed action records may.
class TVersion6Actions : public TSWFRawActionList {
public:
    int MinVersion() const override { return 6; }
    std::unique_ptr<TSWFActionListBase> CloneList() const override { return std::make_unique<TVersion6Actions>(*this); }
};

// Button 3 with three records: up and hit at depth 1, down moved, over with a colour
// transform (which DefineButton does not carry).
std::unique_ptr<TSWFDefineButton> ThreeStateButton() {
    auto button = std::make_unique<TSWFDefineButton>();
    button->ButtonID = 3;
    button->AddRecord(bsUp | bsHitTest, 5, 1);
    button->AddRecord(bsDown, 6, 2).PlaceMatrix().SetTranslate(20, -20);
    button->AddRecord(bsOver, 7, 3).ColorTransform().SetMult(256, 256, 256);
    return button;
}

// Button 1 whose hit area is character 2, with the given actions.
std::unique_ptr<TSWFDefineButton> HitButton(const std::string& actions) {
    auto button = std::make_unique<TSWFDefineButton>();
    button->ButtonID = 1;
    button->AddRecord(bsHitTest, 2, 1);
    button->SetActions(RawActions(actions));
    return button;
}

// DefineButton2 3 that stops the movie on release.
std::unique_ptr<TSWFDefineButton2> StopButton2() {
    auto button = std::make_unique<TSWFDefineButton2>();
    button->ButtonID = 3;
    button->AddRecord(bsUp | bsHitTest, 5, 1);
    button->AddCondAction(ButtonConditionBit(bcOverDownToOverUp)).SetActions(RawActions("07"));
    return button;
}

// A button sound for IdleToOverUp only.
std::unique_ptr<TSWFDefineButtonSound> OverSound() {
    auto sound = std::make_unique<TSWFDefineButtonSound>();
    sound->ButtonID = 4;
    sound->Sound(TSWFButtonSoundTransition::IdleToOverUp).SoundId = 3;
    return sound;
}

// A colour transform for button 4 with an alpha part, which this tag does not carry.
std::unique_ptr<TSWFDefineButtonCxform> HalfAlphaCxform() {
    auto cxform = std::make_unique<TSWFDefineButtonCxform>();
    cxform->ButtonID = 4;
    cxform->ColorTransform.SetMult(256, 256, 256);
    cxform->ColorTransform.SetAlphaMult(128);
    return cxform;
}

TEST(SWFButtonTags, KnownBodies) {
    test::ExpectTagBodyCases({
        // DefineButton records never carry a colour transform; no actions is a lone ActionEnd.
        {"DefineButton, three states", {}, [] { return ThreeStateButton(); },
         "03 00 09 05 00 01 00 00 04 06 00 02 00 0C A5 80 02 07 00 03 00 00 00 00"},
        {"DefineButton, Stop gets its ActionEnd", {}, [] { return HitButton("07"); },
         "01 00 08 02 00 01 00 00 00 07 00"},
        {"DefineButton, Play already ending with ActionEnd", {}, [] { return HitButton("06 00"); },
         "01 00 08 02 00 01 00 00 00 06 00"},
        // ActionOffset = 2 + 7 bytes of records + 1; the only condition action has size 0.
        {"DefineButton2, one condition action", {}, [] { return StopButton2(); },
         "03 00 00 0A 00 09 05 00 01 00 00 00 00 00 00 08 00 07 00"},
        // Condition bits and key code: IdleToOverDown ... IdleToOverUp, UB[7] key, OverDownToIdle.
        {"DefineButton2, condition bits and key code", {}, [] {
             auto conditions = std::make_unique<TSWFDefineButton2>();
             conditions->TrackAsMenu = true;
             conditions->AddCondAction(ButtonConditionBit(bcIdleToOverDown) | ButtonConditionBit(bcOverDownToIdle), 13);
             conditions->AddCondAction(ButtonConditionBit(bcOutDownToOverDown) | ButtonConditionBit(bcIdleToOverUp))
                 .SetActions(RawActions("06"));
             conditions->AddCondAction(ButtonConditionBit(bcOverDownToOutDown) | ButtonConditionBit(bcOverUpToIdle) |
                                       ButtonConditionBit(bcOutDownToIdle) | ButtonConditionBit(bcOverUpToOverDown));
             return conditions;
         }, "00 00 01 03 00 00 05 00 80 1B 00 06 00 21 00 06 00 00 00 56 00 00"},
        // No condition actions: ActionOffset stays 0 and nothing follows the records.
        {"DefineButton2, no condition actions", {}, [] {
             auto none = std::make_unique<TSWFDefineButton2>();
             none->AddRecord(bsUp, 1, 1).ColorTransform().SetAdd(10, -10, 0);
             return none;
         }, "00 00 00 00 00 01 01 00 01 00 00 95 56 00 00 00"},
        {"DefineButtonCxform, no alpha in this tag", {}, [] { return HalfAlphaCxform(); }, "04 00 69 00 40 10 00"},
        {"DefineButtonSound, one transition", {}, [] { return OverSound(); }, "04 00 00 00 03 00 00 00 00 00 00"},
        // A transition whose sound has id 0 is written as absent.
        {"DefineButtonSound, a sound without id", {}, [] {
             auto sound = OverSound();
             sound->Sound(TSWFButtonSoundTransition::OverDownToOverUp).SetLoopCount(2);
             return sound;
         }, "04 00 00 00 03 00 00 00 00 00 00"},
        {"DefineButtonSound, another transition looping", {}, [] {
             auto sound = OverSound();
             sound->Sound(TSWFButtonSoundTransition::OverDownToOverUp).SetLoopCount(2);
             sound->Sound(TSWFButtonSoundTransition::OverDownToOverUp).SoundId = 9;
             sound->ClearSound(TSWFButtonSoundTransition::IdleToOverUp);
             return sound;
         }, "04 00 00 00 00 00 00 00 09 00 04 02 00"},
    });
}

TEST(SWFButtonRecords, StateBitsAndColourTransforms) {
    EXPECT_EQ(ThreeStateButton()->MinVersion(), 3);

    TSWFButtonRecord record;
    EXPECT_FALSE(record.HasColorTransform);
    record.ColorTransform();
    EXPECT_TRUE(record.HasColorTransform);
    EXPECT_TRUE(record.ColorTransform().HasAlpha());
}

TEST(SWFDefineButton, ActionsAndVersion) {
    const auto button = HitButton("07");
    button->SetActions(std::make_unique<TVersion6Actions>());
    EXPECT_EQ(button->MinVersion(), 6);

    // Reading keeps the actions (with their ActionEnd) as raw byte code.
    auto read = test::ReadBody(tagDefineButton, HexBytes("01 00 08 02 00 01 00 00 00 07 00"));
    const auto& readButton = dynamic_cast<TSWFDefineButton&>(*read);
    ASSERT_EQ(readButton.ButtonRecords.size(), 1u);
    EXPECT_EQ(readButton.ButtonRecords[0].States, bsHitTest);
    EXPECT_EQ(RawBytesOf(readButton.ActionsIfAny()), HexBytes("07 00"));
}

TEST(SWFDefineButton2, ConditionActionsRaiseTheVersion) {
    const auto button = StopButton2();
    EXPECT_EQ(button->MinVersion(), 3);
    button->CondActions[0].SetActions(std::make_unique<TVersion6Actions>());
    EXPECT_EQ(button->MinVersion(), 6);
}

TEST(SWFDefineButton2, ReadingChecksOffsetsAndSizes) {
    // ActionOffset pointing into the records.
    EXPECT_THROW(test::ReadBody(tagDefineButton2, HexBytes("03 00 00 05 00 09 05 00 01 00 00 00 00 00 00 08 00 07 00")),
                 ESWFReadError);
    // A condition action size that runs past the body.
    EXPECT_THROW(test::ReadBody(tagDefineButton2, HexBytes("03 00 00 03 00 00 20 00 08 00 07 00")), ESWFReadError);
    // A size below the four header bytes.
    EXPECT_THROW(test::ReadBody(tagDefineButton2, HexBytes("03 00 00 03 00 00 02 00 08 00 07 00")), ESWFReadError);
    // Filter lists or blend modes of later versions are not understood.
    EXPECT_THROW(test::ReadBody(tagDefineButton2, HexBytes("03 00 00 00 00 19 05 00 01 00 00 00 00")), ESWFReadError);
}

TEST(SWFButtonCxformAndSound, Versions) {
    EXPECT_EQ(HalfAlphaCxform()->MinVersion(), 2);
    EXPECT_EQ(OverSound()->MinVersion(), 2);
}

TEST(SWFButtonTags, RoundTrips) {
    TSWFDefineButton2 button;
    button.ButtonID = 21;
    button.TrackAsMenu = true;
    TSWFButtonRecord& up = button.AddRecord(bsUp | bsOver, 30, 1);  // valid until the next record
    up.PlaceMatrix().SetScale(1.5, 0.75);
    up.PlaceMatrix().SetTranslate(-400, 1200);
    up.ColorTransform().SetMult(128, 256, 512);
    up.ColorTransform().SetAlphaAdd(-64);
    button.AddRecord(bsDown, 31, 2).PlaceMatrix().SetRotate(0.25, -0.25);
    button.AddRecord(bsHitTest, 32, 3);
    button.AddCondAction(ButtonConditionBit(bcOverDownToOverUp)).SetActions(RawActions("83 09 00 61 2E 68 74 6D 00 5F 73 00 00"));
    button.AddCondAction(ButtonConditionBit(bcIdleToOverUp) | ButtonConditionBit(bcOverDownToIdle), 0x7F)
        .SetActions(RawActions("06 00"));
    button.AddCondAction(ButtonConditionBit(bcOverUpToIdle)).SetActions(RawActions("07 00"));
    auto read = test::ExpectRoundTrip(button);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->TrackAsMenu);
    ASSERT_EQ(read->ButtonRecords.size(), 3u);
    EXPECT_EQ(read->ButtonRecords[0].States, bsUp | bsOver);
    EXPECT_EQ(read->ButtonRecords[0].PlaceMatrix(), button.ButtonRecords[0].PlaceMatrix());
    EXPECT_EQ(read->ButtonRecords[0].ColorTransform(), button.ButtonRecords[0].ColorTransform());
    ASSERT_EQ(read->CondActions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read->CondActions[i].Conditions, button.CondActions[i].Conditions) << i;
        EXPECT_EQ(read->CondActions[i].KeyPress, button.CondActions[i].KeyPress) << i;
        EXPECT_EQ(RawBytesOf(read->CondActions[i].ActionsIfAny()), RawBytesOf(button.CondActions[i].ActionsIfAny())) << i;
    }
    // The first condition action's size spans its header and actions.
    const Bytes body = BodyBytes(button);
    const std::size_t first = 3 + (body[3] | (body[4] << 8));
    EXPECT_EQ(body[first] | (body[first + 1] << 8), 4 + 13);

    TSWFDefineButton button1;
    button1.ButtonID = 22;
    button1.AddRecord(bsUp | bsDown | bsOver | bsHitTest, 40, 7).PlaceMatrix().SetTranslate(100, 100);
    button1.SetActions(RawActions("07 06 00"));
    auto read1 = test::ExpectRoundTrip(button1);
    ASSERT_TRUE(read1);
    EXPECT_EQ(read1->ButtonRecords[0].States, bsUp | bsDown | bsOver | bsHitTest);
    EXPECT_EQ(RawBytesOf(read1->ActionsIfAny()), HexBytes("07 06 00"));

    TSWFDefineButtonCxform cxform;
    cxform.ButtonID = 22;
    cxform.ColorTransform.SetAdd(-255, 0, 255);
    auto readCxform = test::ExpectRoundTrip(cxform);
    ASSERT_TRUE(readCxform);
    EXPECT_EQ(readCxform->ColorTransform.BlueAdd(), 255);

    TSWFDefineButtonSound sound;
    sound.ButtonID = 21;
    sound.Sound(TSWFButtonSoundTransition::OverUpToIdle).SoundId = 1;
    TSWFStartSound& press = sound.Sound(TSWFButtonSoundTransition::OverUpToOverDown);
    press.SoundId = 2;
    press.SyncNoMultiple = true;
    press.Envelope.push_back({441, 100, 200});
    auto readSound = test::ExpectRoundTrip(sound);
    ASSERT_TRUE(readSound);
    EXPECT_FALSE(readSound->SoundIfAny(TSWFButtonSoundTransition::IdleToOverUp));
    ASSERT_TRUE(readSound->SoundIfAny(TSWFButtonSoundTransition::OverUpToOverDown));
    EXPECT_EQ(readSound->SoundIfAny(TSWFButtonSoundTransition::OverUpToOverDown)->Envelope, press.Envelope);
}

TEST(SWFButtonTags, DamagedBodiesNeverCrashTheReaders) {
    TSWFDefineButton button;
    button.AddRecord(bsUp, 5, 1).PlaceMatrix().SetTranslate(20, -20);
    button.SetActions(RawActions("07 06 00"));
    test::FuzzTagReader(tagDefineButton, BodyBytes(button));

    TSWFDefineButton2 button2;
    button2.AddRecord(bsUp, 1, 1).ColorTransform().SetAdd(10, -10, 0);
    button2.AddRecord(bsHitTest, 2, 2).PlaceMatrix().SetScale(2, 2);
    button2.AddCondAction(ButtonConditionBit(bcIdleToOverDown), 13);
    button2.AddCondAction(ButtonConditionBit(bcIdleToOverUp)).SetActions(RawActions("06 00"));
    button2.AddCondAction(ButtonConditionBit(bcOverUpToIdle)).SetActions(RawActions("07 00"));
    test::FuzzTagReader(tagDefineButton2, BodyBytes(button2));

    test::FuzzTagReader(tagDefineButtonCxform, HexBytes("04 00 69 00 40 10 00"));

    TSWFDefineButtonSound sound;
    sound.Sound(TSWFButtonSoundTransition::OverUpToIdle).SoundId = 1;
    sound.Sound(TSWFButtonSoundTransition::OverUpToOverDown).SoundId = 2;
    sound.Sound(TSWFButtonSoundTransition::OverUpToOverDown).Envelope.push_back({441, 100, 200});
    sound.Sound(TSWFButtonSoundTransition::OverDownToOverUp).SoundId = 3;
    sound.Sound(TSWFButtonSoundTransition::OverDownToOverUp).SetInPoint(7);
    test::FuzzTagReader(tagDefineButtonSound, BodyBytes(sound));
}

}  // namespace
}  // namespace pellicor
