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

// PlaceObject of character 1 at depth 10, moved by (20, -20) twips.
std::unique_ptr<TSWFPlaceObject> Place() {
    auto place = std::make_unique<TSWFPlaceObject>();
    place->SetCharacterID(1);
    place->Depth = 10;
    place->Matrix.SetTranslate(20, -20);
    return place;
}

// The same, tinted: PlaceObject carries no alpha, so the alpha part is dropped.
std::unique_ptr<TSWFPlaceObject> TintedPlace() {
    auto place = Place();
    place->ColorTransform.SetAdd(-10, 20, 30);
    place->ColorTransform.SetAlphaAdd(99);
    return place;
}

TEST(SWFPlaceObject, Bodies) {
    test::ExpectTagBodyCases({
        {"plain", {}, [] { return Place(); }, "01 00 0A 00 0C A5 80"},
        {"identity colour transform", {}, [] {
             auto place = Place();
             place->HasColorTransform = true;
             return place;
         }, "01 00 0A 00 0C A5 80 00"},
        // 1 0 0110 then SB[6] -10, 20, 30.
        {"colour transform without alpha", {}, [] { return TintedPlace(); }, "01 00 0A 00 0C A5 80 9B 65 1E"},
    });
    EXPECT_EQ(Place()->MinVersion(), 1);

    const auto place = TintedPlace();
    auto read = ExpectRoundTrip(*place);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->ColorTransform.RedAdd(), -10);
    EXPECT_FALSE(read->ColorTransform.HasAlpha());

    test::FuzzTagReader(tagPlaceObject, BodyBytes(*place));
}

// PlaceObject2 of character 3 at depth 1, with an identity matrix.
std::unique_ptr<TSWFPlaceObject2> Place2() {
    auto place = std::make_unique<TSWFPlaceObject2>();
    place->Depth = 1;
    place->SetCharacterID(3);
    place->Matrix();
    return place;
}

TEST(SWFPlaceObject2, FlagsAndOptionalFields) {
    test::ExpectTagBodyCases({
        {"character at a depth", {}, [] { return Place2(); }, "06 01 00 03 00 00"},
        {"move", {}, [] {
             auto move = std::make_unique<TSWFPlaceObject2>();
             move->Depth = 1;
             move->PlaceFlagMove = true;
             move->Matrix().SetTranslate(20, -20);
             return move;
         }, "05 01 00 0C A5 80"},
    });
    EXPECT_EQ(Place2()->MinVersion(), 3);

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

// Place2 with one enter-frame clip action (ActionStop, raw), written for the SWF version.
std::unique_ptr<TSWFPlaceObject2> ClipPlace(int version) {
    auto place = Place2();
    place->SWFVersion = static_cast<std::uint8_t>(version);
    place->ClipActions().AddRecord(ClipEventBit(ceEnterFrame)).SetActions(RawActions("07"));
    return place;
}

// ClipPlace(5) with a second record for press, release and the Enter key, whose actions
// (ActionPlay) already end with ActionEnd.
std::unique_ptr<TSWFPlaceObject2> KeyPlace() {
    auto place = ClipPlace(5);
    place->ClipActions().AddRecord(ClipEventBit(cePress) | ClipEventBit(ceRelease), 0x0D).SetActions(RawActions("06 00"));
    return place;
}

TEST(SWFPlaceObject2, ClipActionsBySWFVersion) {
    // A key press needs the 32-bit event fields: the version goes to 6 even from 5, and the
    // key code byte precedes the actions. Actions already ending with ActionEnd get no other.
    // With parsing on, whatever action list is installed must give the same bytes back.
    test::ExpectTagBodyCases({
        {"version 5", {5, false}, [] { return ClipPlace(5); },
         "86 01 00 03 00 00  00 00 02 00  02 00 02 00 00 00 07 00  00 00"},
        {"version 6", {6, false}, [] { return ClipPlace(6); },
         "86 01 00 03 00 00  00 00 02 00 00 00  02 00 00 00 02 00 00 00 07 00  00 00 00 00"},
        {"version 6, actions parsed", {6, true}, [] { return ClipPlace(6); },
         "86 01 00 03 00 00  00 00 02 00 00 00  02 00 00 00 02 00 00 00 07 00  00 00 00 00"},
        {"key press", {6, false}, [] { return KeyPlace(); },
         "86 01 00 03 00 00  00 00 02 0C 02 00"
         "  02 00 00 00 02 00 00 00 07 00"
         "  00 0C 02 00 03 00 00 00 0D 06 00"
         "  00 00 00 00"},
        // A list that exists but is empty writes no clip actions.
        {"empty clip actions", {}, [] {
             auto empty = std::make_unique<TSWFPlaceObject2>();
             empty->Depth = 2;
             empty->ClipActions();
             return empty;
         }, "00 02 00"},
    });

    auto v5 = ClipPlace(5);
    EXPECT_EQ(v5->MinVersion(), 5);
    auto read5 = ExpectRoundTrip(*v5, TSWFReadContext{5, false});
    ASSERT_TRUE(read5);
    ASSERT_EQ(read5->ClipActions().Records.size(), 1u);
    const auto* actions = dynamic_cast<const TSWFRawActionList*>(read5->ClipActions().Records[0]->ActionsIfAny());
    ASSERT_NE(actions, nullptr);
    EXPECT_EQ(actions->Bytes, HexBytes("07 00"));  // the closing ActionEnd is kept, so none is added
    auto v6 = ClipPlace(6);
    EXPECT_EQ(v6->MinVersion(), 6);

    // A version below 5 is raised while writing.
    auto v3 = ClipPlace(3);
    BodyBytes(*v3);
    EXPECT_EQ(v3->SWFVersion, 5);

    auto key = KeyPlace();
    TSWFClipActionRecord& press = *key->ClipActions().Records[1];
    EXPECT_EQ(key->ClipActions().AllEventFlags,
              ClipEventBit(ceEnterFrame) | ClipEventBit(cePress) | ClipEventBit(ceRelease) | ClipEventBit(ceKeyPress));
    EXPECT_EQ(key->MinVersion(), 6);
    const Bytes keyBody = BodyBytes(*key);
    EXPECT_EQ(key->SWFVersion, 6);
    auto readKey = ExpectRoundTrip(*key, TSWFReadContext{6, false});
    ASSERT_TRUE(readKey);
    EXPECT_EQ(readKey->ClipActions().Records[1]->KeyCode(), 0x0D);
    press.SetKeyCode(0);
    EXPECT_EQ(press.EventFlags & ClipEventBit(ceKeyPress), 0u);

    TSWFPlaceObject2 empty;
    empty.Depth = 2;
    empty.ClipActions();
    EXPECT_TRUE(empty.PlaceFlagHasClipActions);
    EXPECT_EQ(empty.MinVersion(), 3);

    // Copies are deep.
    TSWFPlaceObject2 copy;
    copy.Assign(*v6);
    v6->ClipActions().Records.clear();
    EXPECT_EQ(copy.ClipActions().Records.size(), 1u);

    test::FuzzTagReader(tagPlaceObject2, BodyBytes(*v5), TSWFReadContext{5, false});
    test::FuzzTagReader(tagPlaceObject2, keyBody, TSWFReadContext{6, true});
    // A record size that points past the body.
    Bytes lying = BodyBytes(*ClipPlace(5));
    lying[12] = 0xFF;
    EXPECT_THROW(test::ReadBody(tagPlaceObject2, lying, TSWFReadContext{5, false}), ESWFReadError);
}

TEST(SWFRemoveObject, Bodies) {
    const auto remove = [] {
        auto tag = std::make_unique<TSWFRemoveObject>();
        tag->CharacterID = 3;
        tag->Depth = 2;
        return tag;
    };
    const auto remove2 = [] {
        auto tag = std::make_unique<TSWFRemoveObject2>();
        tag->Depth = 2;
        return tag;
    };
    test::ExpectTagBodyCases({
        {"RemoveObject", {}, remove, "03 00 02 00"},
        {"RemoveObject2", {}, remove2, "02 00"},
    });
    EXPECT_EQ(remove2()->MinVersion(), 3);
    test::FuzzTagReader(tagRemoveObject, BodyBytes(*remove()));
    test::FuzzTagReader(tagRemoveObject2, BodyBytes(*remove2()));
}

}  // namespace
}  // namespace pellicor
