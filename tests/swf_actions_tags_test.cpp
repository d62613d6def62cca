#include <gtest/gtest.h>

#include "swf/action_records.h"
#include "swf/display_tags.h"
#include "swf/do_action_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::ExpectRoundTrip;
using test::HexBytes;
using test::HexString;
using test::TagBytes;

// Frame actions as the movie engine makes them: a pool, pushes of every kind, a forward If
// and a backward Jump, a function and a GetURL.
void FillScript(TSWFActionList& list) {
    list.Add<TSWFActionConstantPool>().Constants = {"_root", "gotoAndPlay", "currenttimes"};
    auto& push = list.Add<TSWFActionPush>();
    push.AddValue(2, pushConstant8);
    push.AddValue(1);
    list.Add<TSWFActionSetVariable>();
    TSWFOffsetMarker& again = list.AddMarker();
    auto& compare = list.Add<TSWFActionPush>();
    compare.AddValue(0.0);
    compare.AddValue(0, pushConstant8);
    list.Add<TSWFActionGetVariable>();
    list.Add<TSWFActionLess2>();
    list.Add<TSWFActionNot>();
    auto& skip = list.Add<TSWFActionIf>();
    auto& function = list.Add<TSWFActionDefineFunction>();
    function.FunctionName = "f";
    list.Add<TSWFActionPush>().AddValue("http://example.org/");
    list.Add<TSWFActionReturn>();
    list.PlaceMarker(function.EndMarker());
    list.Add<TSWFActionJump>().SetMarker(&again);
    list.PlaceMarker(skip.Marker());
    auto& getURL = list.Add<TSWFActionGetURL>();
    getURL.URL = "movie.swf";
    getURL.Target = "_self";
    list.Add<TSWFActionStop>();
}

// DoInitAction for sprite 7 that stops it.
std::unique_ptr<TSWFDoInitAction> StopSprite() {
    auto init = std::make_unique<TSWFDoInitAction>();
    init->SpriteID = 7;
    init->Actions().Add<TSWFActionStop>();
    return init;
}

TEST(SWFDoAction, Bodies) {
    test::ExpectTagBodyCases({
        {"DoAction, no actions", {}, [] { return std::make_unique<TSWFDoAction>(); }, "00", "01 03"},
        {"DoInitAction, Stop", {}, [] { return StopSprite(); }, "07 00 07 00", "C4 0E"},
    });
    EXPECT_EQ(TSWFDoAction().MinVersion(), 3);
    EXPECT_EQ(StopSprite()->MinVersion(), 6);

    // ActionEnd is written even after a final raw ActionEnd (which a reader would take for
    // the list's end, so the bytes do not read back the same: no table case).
    TSWFDoAction rawEnd;
    rawEnd.Actions().Add(std::make_unique<TSWFActionByteCode>(HexBytes("07 00")));
    EXPECT_EQ(BodyBytes(rawEnd), HexBytes("07 00 00"));

    // The version follows the actions.
    TSWFDoAction versions;
    versions.Actions().Add<TSWFActionPlay>();
    EXPECT_EQ(versions.MinVersion(), 3);
    versions.Actions().Add<TSWFActionPush>().AddValue("a");
    EXPECT_EQ(versions.MinVersion(), 4);
    versions.Actions().Add<TSWFActionPush>().AddValue(true);
    EXPECT_EQ(versions.MinVersion(), 5);
    versions.Actions().Add<TSWFActionTry>();
    EXPECT_EQ(versions.MinVersion(), 7);
    TSWFDoInitAction init7;
    init7.Actions().Add<TSWFActionThrow>();
    EXPECT_EQ(init7.MinVersion(), 7);
}

TEST(SWFDoAction, BorrowedListsStayWithTheirOwner) {
    TSWFActionList list;
    list.Add<TSWFActionPlay>();
    {
        TSWFDoAction borrowing(list);
        EXPECT_FALSE(borrowing.OwnsActions());
        EXPECT_EQ(&borrowing.Actions(), &list);
        EXPECT_EQ(BodyBytes(borrowing), HexBytes("06 00"));
        // A copy owns a list of its own.
        auto copy = borrowing.Clone();
        auto* copied = dynamic_cast<TSWFDoAction*>(copy.get());
        ASSERT_NE(copied, nullptr);
        EXPECT_TRUE(copied->OwnsActions());
        EXPECT_NE(&copied->Actions(), &list);
        EXPECT_EQ(BodyBytes(*copied), HexBytes("06 00"));
    }
    // The list outlives the tag that borrowed it.
    list.Add<TSWFActionStop>();
    TSWFDoInitAction init(list);
    init.SpriteID = 2;
    EXPECT_EQ(BodyBytes(init), HexBytes("02 00 06 07 00"));
}

TEST(SWFDoAction, RoundTripsParsedAndRaw) {
    TSWFDoAction doAction;
    FillScript(doAction.Actions());
    auto parsed = ExpectRoundTrip(doAction, TSWFReadContext{6, true});
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Actions().Count(), doAction.Actions().Count());
    EXPECT_EQ(parsed->MinVersion(), 5);
    for (std::size_t i = 0; i < parsed->Actions().Count(); ++i)
        EXPECT_EQ(parsed->Actions()[i].ActionCode(), doAction.Actions()[i].ActionCode()) << i;

    auto raw = ExpectRoundTrip(doAction, TSWFReadContext{6, false});
    ASSERT_TRUE(raw);
    ASSERT_EQ(raw->Actions().Count(), 1u);
    EXPECT_EQ(raw->Actions()[0].ActionCode(), actionByteCode);

    TSWFDoInitAction init;
    init.SpriteID = 0x1234;
    FillScript(init.Actions());
    auto initParsed = ExpectRoundTrip(init, TSWFReadContext{7, true});
    ASSERT_TRUE(initParsed);
    EXPECT_EQ(initParsed->SpriteID, 0x1234);
    ExpectRoundTrip(init, TSWFReadContext{7, false});

    // A body without its closing ActionEnd is read, and written with one.
    auto missingEnd = test::ReadBody(tagDoAction, HexBytes("07"));
    ASSERT_TRUE(missingEnd);
    EXPECT_EQ(BodyBytes(*missingEnd), HexBytes("07 00"));
    // A truncated record makes the tag an error tag that keeps its bytes.
    const Bytes broken = HexBytes("06 03 96 05 00 00 61 00");
    TMemoryStream stream(broken);
    TBitsEngine engine(stream);
    auto errorTag = ReadSWFTag(engine);
    ASSERT_NE(dynamic_cast<TSWFErrorTag*>(errorTag.get()), nullptr);
    EXPECT_EQ(TagBytes(*errorTag), broken);
}

TEST(SWFDoAction, ServesAsClipActions) {
    // Clip actions of a PlaceObject2 become this list when actions are parsed.
    auto made = NewSWFActionList(true);
    EXPECT_NE(dynamic_cast<TSWFActionList*>(made.get()), nullptr);

    auto place = std::make_unique<TSWFPlaceObject2>();
    place->Depth = 1;
    place->SetCharacterID(3);
    place->SWFVersion = 6;
    auto actions = std::make_unique<TSWFActionList>();
    FillScript(*actions);
    place->ClipActions().AddRecord(ClipEventBit(ceEnterFrame)).SetActions(std::move(actions));
    auto read = ExpectRoundTrip(*place, TSWFReadContext{6, true});
    ASSERT_TRUE(read);
    const auto* readActions = dynamic_cast<const TSWFActionList*>(read->ClipActions().Records[0]->ActionsIfAny());
    ASSERT_NE(readActions, nullptr);
    EXPECT_EQ(readActions->Count(), 17u);
}

TEST(SWFDoAction, ReadersSurviveDamagedBodies) {
    TSWFDoAction doAction;
    FillScript(doAction.Actions());
    const Bytes body = BodyBytes(doAction);
    test::FuzzTagReader(tagDoAction, body, TSWFReadContext{6, true}, 1500);
    test::FuzzTagReader(tagDoAction, body, TSWFReadContext{6, false}, 200);
    TSWFDoInitAction init;
    init.SpriteID = 3;
    FillScript(init.Actions());
    test::FuzzTagReader(tagDoInitAction, BodyBytes(init), TSWFReadContext{7, true}, 600, 777);
}

}  // namespace
}  // namespace pellicor
