#include <gtest/gtest.h>

#include "swf/display_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::ExpectRoundTrip;
using test::HexBytes;

std::unique_ptr<TSWFRawActionList> RawActions(const std::string& hex) {
    auto actions = std::make_unique<TSWFRawActionList>();
    actions->Bytes = HexBytes(hex);
    return actions;
}

TEST(SWFPlaceObject, Bodies) {
    TSWFPlaceObject place;
    place.SetCharacterID(1);
    place.Depth = 10;
    place.Matrix.SetTranslate(20, -20);
    EXPECT_EQ(BodyBytes(place), HexBytes("01 00 0A 00 0C A5 80"));
    EXPECT_EQ(place.MinVersion(), 1);
    ExpectRoundTrip(place);

    place.HasColorTransform = true;
    EXPECT_EQ(BodyBytes(place), HexBytes("01 00 0A 00 0C A5 80 00"));
    place.HasColorTransform = false;
    place.ColorTransform.SetAdd(-10, 20, 30);
    place.ColorTransform.SetAlphaAdd(99);  // PlaceObject carries no alpha
    // 1 0 0110 then SB[6] -10, 20, 30.
    EXPECT_EQ(BodyBytes(place), HexBytes("01 00 0A 00 0C A5 80 9B 65 1E"));
    auto read = ExpectRoundTrip(place);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->ColorTransform.RedAdd(), -10);
    EXPECT_FALSE(read->ColorTransform.HasAlpha());

    test::FuzzTagReader(tagPlaceObject, BodyBytes(place));
}

TEST(SWFPlaceObject2, FlagsAndOptionalFields) {
    TSWFPlaceObject2 place;
    place.Depth = 1;
    place.SetCharacterID(3);
    place.Matrix();
    EXPECT_EQ(BodyBytes(place), HexBytes("06 01 00 03 00 00"));
    EXPECT_EQ(place.MinVersion(), 3);

    TSWFPlaceObject2 move;
    move.Depth = 1;
    move.PlaceFlagMove = true;
    move.Matrix().SetTranslate(20, -20);
    EXPECT_EQ(BodyBytes(move), HexBytes("05 01 00 0C A5 80"));

    // Every optional field, with non-default values.
    TSWFPlaceObject2 full;
    full.Depth = 0x0203;
    full.PlaceFlagMove = true;
    full.SetCharacterID(7);
    full.Matrix().SetScale(2.0, 0.5);
    full.Matrix().SetTranslate(-400, 300);
    full.ColorTransform().SetMult(256, 256, 128);
    full.ColorTransform().SetAlphaMult(128);
    full.SetRatio(0x1234);
    full.SetName("clip");
    full.SetClipDepth(9);
    const Bytes body = BodyBytes(full);
    EXPECT_EQ(body[0], 0x7F);
    EXPECT_EQ(Bytes(body.end() - 9, body.end()), HexBytes("34 12 63 6C 69 70 00 09 00"));
    auto read = ExpectRoundTrip(full);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Name(), "clip");
    EXPECT_EQ(read->Ratio(), 0x1234);
    EXPECT_EQ(read->ClipDepth(), 9);
    EXPECT_EQ(read->CharacterID(), 7);
    EXPECT_EQ(read->Matrix(), full.Matrix());
    EXPECT_EQ(read->ColorTransform(), full.ColorTransform());

    // A move without a character keeps no character.
    TSWFPlaceObject2 moveOnly;
    moveOnly.Depth = 4;
    moveOnly.PlaceFlagMove = true;
    auto readMove = ExpectRoundTrip(moveOnly);
    ASSERT_TRUE(readMove);
    EXPECT_FALSE(readMove->PlaceFlagHasCharacter);

    // An empty name raises no flag.
    TSWFPlaceObject2 unnamed;
    unnamed.SetName("");
    EXPECT_FALSE(unnamed.PlaceFlagHasName);

    test::FuzzTagReader(tagPlaceObject2, body);
}

TEST(SWFPlaceObject2, ClipActionsBySWFVersion) {
    const auto make = [](int version) {
        auto place = std::make_unique<TSWFPlaceObject2>();
        place->Depth = 1;
        place->SetCharacterID(3);
        place->Matrix();
        place->SWFVersion = static_cast<std::uint8_t>(version);
        place->ClipActions().AddRecord(ClipEventBit(ceEnterFrame)).SetActions(RawActions("07"));
        return place;
    };
    auto v5 = make(5);
    EXPECT_EQ(v5->MinVersion(), 5);
    EXPECT_EQ(BodyBytes(*v5), HexBytes("86 01 00 03 00 00  00 00 02 00  02 00 02 00 00 00 07 00  00 00"));
    TSWFReadContext raw5{5, false};
    auto read5 = ExpectRoundTrip(*v5, raw5);
    ASSERT_TRUE(read5);
    ASSERT_EQ(read5->ClipActions().Records.size(), 1u);
    const auto* actions = dynamic_cast<const TSWFRawActionList*>(read5->ClipActions().Records[0]->ActionsIfAny());
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->Bytes, HexBytes("07 00"));  // the closing ActionEnd is kept, so none is added

    auto v6 = make(6);
    EXPECT_EQ(v6->MinVersion(), 6);
    EXPECT_EQ(BodyBytes(*v6),
              HexBytes("86 01 00 03 00 00  00 00 02 00 00 00  02 00 00 00 02 00 00 00 07 00  00 00 00 00"));
    ExpectRoundTrip(*v6, TSWFReadContext{6, false});
    // With parsing on, whatever action list is installed must give the same bytes back.
    ExpectRoundTrip(*v6, TSWFReadContext{6, true});

    // A version below 5 is raised while writing.
    auto v3 = make(3);
    BodyBytes(*v3);
    EXPECT_EQ(v3->SWFVersion, 5);

    // A key press needs the 32-bit event fields: the version goes to 6 even from 5, and the
    // key code byte precedes the actions. Actions already ending with ActionEnd get no other.
    auto key = make(5);
    TSWFClipActionRecord& press = key->ClipActions().AddRecord(ClipEventBit(cePress) | ClipEventBit(ceRelease), 0x0D);
    press.SetActions(RawActions("06 00"));
    EXPECT_EQ(key->ClipActions().AllEventFlags,
              ClipEventBit(ceEnterFrame) | ClipEventBit(cePress) | ClipEventBit(ceRelease) | ClipEventBit(ceKeyPress));
    EXPECT_EQ(key->MinVersion(), 6);
    const Bytes keyBody = BodyBytes(*key);
    EXPECT_EQ(key->SWFVersion, 6);
    EXPECT_EQ(keyBody, HexBytes("86 01 00 03 00 00  00 00 02 0C 02 00"
                                "  02 00 00 00 02 00 00 00 07 00"
                                "  00 0C 02 00 03 00 00 00 0D 06 00"
                                "  00 00 00 00"));
    auto readKey = ExpectRoundTrip(*key, TSWFReadContext{6, false});
    ASSERT_TRUE(readKey);
    EXPECT_EQ(readKey->ClipActions().Records[1]->KeyCode(), 0x0D);
    press.SetKeyCode(0);
    EXPECT_EQ(press.EventFlags & ClipEventBit(ceKeyPress), 0u);

    // A list that exists but is empty writes no clip actions.
    TSWFPlaceObject2 empty;
    empty.Depth = 2;
    empty.ClipActions();
    EXPECT_TRUE(empty.PlaceFlagHasClipActions);
    EXPECT_EQ(BodyBytes(empty), HexBytes("00 02 00"));
    EXPECT_EQ(empty.MinVersion(), 3);

    // Copies are deep.
    TSWFPlaceObject2 copy;
    copy.Assign(*v6);
    v6->ClipActions().Records.clear();
    EXPECT_EQ(copy.ClipActions().Records.size(), 1u);

    test::FuzzTagReader(tagPlaceObject2, BodyBytes(*v5), TSWFReadContext{5, false});
    test::FuzzTagReader(tagPlaceObject2, keyBody, TSWFReadContext{6, true});
    // A record size that points past the body.
    Bytes lying = BodyBytes(*make(5));
    lying[12] = 0xFF;
    EXPECT_THROW(test::ReadBody(tagPlaceObject2, lying, TSWFReadContext{5, false}), ESWFReadError);
}

TEST(SWFRemoveObject, Bodies) {
    TSWFRemoveObject remove;
    remove.CharacterID = 3;
    remove.Depth = 2;
    EXPECT_EQ(BodyBytes(remove), HexBytes("03 00 02 00"));
    ExpectRoundTrip(remove);
    TSWFRemoveObject2 remove2;
    remove2.Depth = 2;
    EXPECT_EQ(BodyBytes(remove2), HexBytes("02 00"));
    EXPECT_EQ(remove2.MinVersion(), 3);
    ExpectRoundTrip(remove2);
    test::FuzzTagReader(tagRemoveObject, BodyBytes(remove));
    test::FuzzTagReader(tagRemoveObject2, BodyBytes(remove2));
}

}  // namespace
}  // namespace pellicor
