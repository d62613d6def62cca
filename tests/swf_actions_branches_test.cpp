#include <gtest/gtest.h>

#include <map>

#include "swf/action_list.h"
#include "swf/action_records.h"
#include "swf/control_tags.h"
#include "swf/do_action_tags.h"
#include "swf_action_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::ListBytes;
using test::ReadList;

// The shape of a list: record names, markers as #n in order of appearance, and per marked
// field ">#n" (resolved through a marker) or "=value" (fixed).
std::string Describe(const TSWFActionList& list) {
    std::map<const TSWFOffsetMarker*, int> names;
    for (const auto& action : list.Items())
        if (const auto* marker = dynamic_cast<const TSWFOffsetMarker*>(action.get()))
            names.emplace(marker, static_cast<int>(names.size()));
    std::string text;
    for (const auto& action : list.Items()) {
        if (!text.empty()) text += ' ';
        if (const auto* marker = dynamic_cast<const TSWFOffsetMarker*>(action.get())) {
            text += "#" + std::to_string(names[marker]);
            continue;
        }
        text += SWFActionName(action->ActionCode());
        for (const TSWFMarkedField* field : action->MarkedFields()) {
            if (const TSWFOffsetMarker* marker = field->ActiveMarker()) {
                const auto found = names.find(marker);
                text += found == names.end() ? ">?" : ">#" + std::to_string(found->second);
            } else {
                text += "=" + std::to_string(field->Value());
            }
        }
    }
    return text;
}

TEST(SWFActionBranches, ForwardAndBackwardThroughMarkers) {
    // A forward Jump over a single Stop.
    TSWFActionList forward;
    auto& jump = forward.Add<TSWFActionJump>();
    forward.Add<TSWFActionStop>();
    TSWFOffsetMarker& placed = forward.PlaceMarker(jump.Marker());
    EXPECT_TRUE(placed.ManagedByList());
    EXPECT_EQ(ListBytes(forward), HexBytes("99 02 00 01 00 07"));
    EXPECT_EQ(placed.StartPosition(), 6u);

    // A backward Jump to a marker placed directly before it.
    TSWFActionList backward;
    TSWFOffsetMarker& loop = backward.AddMarker("loop");
    backward.Add<TSWFActionJump>().SetMarker(&loop);
    EXPECT_EQ(ListBytes(backward), HexBytes("99 02 00 FB FF"));

    // One marker shared by two forward Ifs and a backward Jump after it; offsets count from
    // each record's end.
    TSWFActionList shared;
    shared.Add<TSWFActionPlay>();
    auto& first = shared.Add<TSWFActionIf>();
    auto& second = shared.Add<TSWFActionIf>();
    shared.Add<TSWFActionStop>();
    TSWFOffsetMarker& target = shared.PlaceMarker(first.Marker());
    second.SetMarker(&target);
    shared.Add<TSWFActionNextFrame>();
    shared.Add<TSWFActionJump>().SetMarker(&target);
    const Bytes bytes = HexBytes("06  9D 02 00 06 00  9D 02 00 01 00  07  04  99 02 00 FA FF");
    EXPECT_EQ(ListBytes(shared), bytes);
    EXPECT_EQ(first.Position(), 1u);
    EXPECT_EQ(second.Position(), 6u);
    // Writing again gives the same bytes (positions of the previous pass are forgotten).
    EXPECT_EQ(ListBytes(shared), bytes);
    // Edits move the targets along.
    shared.Insert(3, std::make_unique<TSWFActionPreviousFrame>());
    EXPECT_EQ(ListBytes(shared), HexBytes("06  9D 02 00 07 00  9D 02 00 02 00  05 07  04  99 02 00 FA FF"));
}

TEST(SWFActionBranches, FixedValuesAndMisuse) {
    TSWFActionList list;
    auto& jump = list.Add<TSWFActionJump>();
    list.Add<TSWFActionStop>();
    TSWFOffsetMarker& marker = list.PlaceMarker(jump.Marker());
    // An explicit offset wins over the marker.
    jump.SetBranchOffset(-20);
    EXPECT_TRUE(jump.StaticOffset());
    EXPECT_EQ(ListBytes(list), HexBytes("99 02 00 EC FF 07"));
    jump.SetStaticOffset(false);
    EXPECT_EQ(ListBytes(list), HexBytes("99 02 00 01 00 07"));
    // A disabled marker: the record writes its own value.
    marker.Enabled = false;
    EXPECT_EQ(ListBytes(list), HexBytes("99 02 00 EC FF 07"));
    marker.Enabled = true;

    // A marker already in a list cannot be placed again, nor one that no record owns.
    EXPECT_THROW(list.PlaceMarker(marker), ESWFError);
    TSWFOffsetMarker loose;
    EXPECT_THROW(list.PlaceMarker(loose), ESWFError);

    // A marker that is never placed leaves the field zero.
    TSWFActionList unplaced;
    auto& dangling = unplaced.Add<TSWFActionIf>();
    dangling.Marker();
    unplaced.Add<TSWFActionStop>();
    EXPECT_EQ(ListBytes(unplaced), HexBytes("9D 02 00 00 00 07"));

    // A branch that SI16 cannot hold, a negative block size, and a 4-byte marker for a
    // 2-byte field are errors, not wrapped numbers.
    TSWFActionList far;
    auto& farJump = far.Add<TSWFActionJump>();
    far.Add(std::make_unique<TSWFActionByteCode>(Bytes(40000, 0x07)));
    far.PlaceMarker(farJump.Marker());
    EXPECT_THROW(ListBytes(far), ESWFError);
    TSWFActionList negative;
    TSWFOffsetMarker& before = negative.AddMarker();
    negative.Add<TSWFActionWith>().SetEndMarker(&before);
    EXPECT_THROW(ListBytes(negative), ESWFError);
    TSWFActionList wide;
    auto& wideJump = wide.Add<TSWFActionJump>();
    wide.PlaceMarker(wideJump.Marker()).SizeOffset = 4;
    EXPECT_THROW(ListBytes(wide), ESWFError);
}

TEST(SWFActionBranches, FunctionWithAndTrySizes) {
    // CodeSize: the bytes between the end of the DefineFunction record and its end marker.
    TSWFActionList function;
    auto& define = function.Add<TSWFActionDefineFunction>();
    define.FunctionName = "f";
    function.Add<TSWFActionPush>().AddValue("x");
    function.Add<TSWFActionReturn>();
    function.PlaceMarker(define.EndMarker());
    function.Add<TSWFActionStop>();
    EXPECT_EQ(ListBytes(function), HexBytes("9B 06 00 66 00 00 00 07 00  96 03 00 00 78 00  3E  07"));

    // The same for DefineFunction2 (its size ends the payload after the parameters), with a
    // forward If nested in the body.
    TSWFActionList function2;
    auto& define2 = function2.Add<TSWFActionDefineFunction2>();
    define2.FunctionName = "g";
    define2.AddParam(1, "a");
    auto& skip = function2.Add<TSWFActionIf>();
    function2.Add<TSWFActionStop>();
    function2.PlaceMarker(skip.Marker());
    function2.PlaceMarker(define2.EndMarker());
    EXPECT_EQ(ListBytes(function2), HexBytes("8E 0C 00 67 00 01 00 00 00 00 01 61 00 06 00  9D 02 00 01 00  07"));

    TSWFActionList with;
    auto& withAction = with.Add<TSWFActionWith>();
    with.Add<TSWFActionPlay>();
    with.Add<TSWFActionStop>();
    with.PlaceMarker(withAction.EndMarker());
    EXPECT_EQ(ListBytes(with), HexBytes("94 02 00 02 00 06 07"));

    // Try: by default the three sizes as given; through markers each block is measured from
    // the end of the one before it.
    TSWFActionList tryList;
    auto& tryAction = tryList.Add<TSWFActionTry>();
    tryAction.CatchBlock = true;
    tryAction.FinallyBlock = true;
    tryAction.CatchName = "e";
    tryList.Add<TSWFActionStop>();
    tryList.PlaceMarker(tryAction.TryEndMarker());
    tryList.Add<TSWFActionPlay>();
    tryList.Add<TSWFActionPlay>();
    tryList.PlaceMarker(tryAction.CatchEndMarker());
    tryList.Add(std::make_unique<TSWFActionByteCode>(HexBytes("81 02 00 05 00")));
    tryList.PlaceMarker(tryAction.FinallyEndMarker());
    EXPECT_EQ(ListBytes(tryList), HexBytes("8F 09 00 03 01 00 02 00 05 00 65 00  07  06 06  81 02 00 05 00"));
    // A fixed catch size between two markers.
    tryAction.SetCatchSize(9);
    EXPECT_THROW(ListBytes(tryList), ESWFError);  // the finally block would end before it starts
    tryAction.SetCatchSize(1);
    EXPECT_EQ(ListBytes(tryList), HexBytes("8F 09 00 03 01 00 01 00 06 00 65 00  07  06 06  81 02 00 05 00"));

    // Block ends placed out of order cannot be measured.
    TSWFActionList disordered;
    auto& badTry = disordered.Add<TSWFActionTry>();
    disordered.PlaceMarker(badTry.CatchEndMarker());
    disordered.Add<TSWFActionStop>();
    disordered.PlaceMarker(badTry.TryEndMarker());
    EXPECT_THROW(ListBytes(disordered), ESWFError);
}

TEST(SWFActionBranches, ReadingTurnsTargetsIntoMarkers) {
    // The two branch examples read back to markers at the same places.
    auto forward = ReadList(HexBytes("99 02 00 01 00 07 00"));
    EXPECT_EQ(Describe(*forward), "Jump>#0 Stop #0");
    EXPECT_FALSE(dynamic_cast<const TSWFOffsetMarker&>((*forward)[2]).JumpToBack);
    auto backward = ReadList(HexBytes("99 02 00 FB FF"));
    EXPECT_EQ(Describe(*backward), "#0 Jump>#0");
    EXPECT_TRUE(dynamic_cast<const TSWFOffsetMarker&>((*backward)[0]).JumpToBack);

    // Two branches to one position share a marker; a branch to the closing ActionEnd gets a
    // marker at the end of the list.
    const Bytes shared = HexBytes("9D 02 00 10 00  9D 02 00 00 00  07  99 02 00 FA FF  99 02 00 00 00  00");
    auto list = ReadList(shared);
    EXPECT_EQ(Describe(*list), "If>#1 If>#0 #0 Stop Jump>#0 Jump>#1 #1");
    EXPECT_EQ(HexString(ListBytes(*list)), HexString(Bytes(shared.begin(), shared.end() - 1)));
    // Editing the read list keeps the branches on their targets.
    list->Insert(3, std::make_unique<TSWFActionPlay>());
    EXPECT_EQ(ListBytes(*list), HexBytes("9D 02 00 11 00  9D 02 00 00 00  06 07  99 02 00 F9 FF  99 02 00 00 00"));

    // Targets inside a record or outside the list keep their fixed offsets and bytes.
    const Bytes odd = HexBytes("99 02 00 02 00  96 02 00 08 01  9D 02 00 10 00  99 02 00 E0 FF");
    auto oddList = ReadList(odd);
    EXPECT_EQ(Describe(*oddList), "Jump=2 Push If=16 Jump=-32");
    EXPECT_EQ(ListBytes(*oddList), odd);

    // Function, With and Try sizes that end on a record boundary become end markers.
    const Bytes blocks = HexBytes(
        "9B 06 00 66 00 00 00 07 00  96 03 00 00 78 00  3E"
        "  94 02 00 01 00  07"
        "  8F 09 00 03 01 00 02 00 00 00 65 00  07  06 06"
        "  8F 09 00 03 01 00 02 00 FF 00 65 00  07  06 06");
    auto blockList = ReadList(blocks);
    EXPECT_EQ(Describe(*blockList),
              "DefineFunction>#0 Push Return #0 With>#1 Stop #1 Try>#2>#3>#3 Stop #2 Play Play #3 "
              "Try>#4>#5=255 Stop #4 Play Play #5");
    EXPECT_EQ(ListBytes(*blockList), blocks);

    // Without parsing: one raw record, without the closing ActionEnd.
    TMemoryStream stream(shared);
    TBitsEngine engine(stream);
    TSWFActionList raw;
    raw.ReadActions(engine, false);
    ASSERT_EQ(raw.Count(), 1u);
    EXPECT_EQ(HexString(dynamic_cast<const TSWFActionByteCode&>(raw[0]).Bytes()),
              HexString(Bytes(shared.begin(), shared.end() - 1)));
}

TEST(SWFActionBranches, ReadingKeepsWhatItCannotParse) {
    // Codes without a class (and pseudo codes met in data) stay raw, one record each; an
    // ActionEnd before the last byte stays raw; a payload longer than its fields stays raw.
    const Bytes bytes = HexBytes("01  A5 01 00 33  FF 00 00  07  00  06  81 03 00 01 00 02  00");
    auto list = ReadList(bytes);
    EXPECT_EQ(Describe(*list), "ByteCode ByteCode ByteCode Stop ByteCode Play ByteCode");
    EXPECT_EQ(ListBytes(*list), Bytes(bytes.begin(), bytes.end() - 1));
    EXPECT_FALSE(list->EndsWithActionEnd());
    // A raw ActionEnd at the end of a list counts as its end; raw bytes whose last record
    // merely ends in 0 do not.
    list->Add(std::make_unique<TSWFActionByteCode>(HexBytes("00")));
    list->AddMarker();
    EXPECT_TRUE(list->EndsWithActionEnd());
    list->Add(std::make_unique<TSWFActionByteCode>(HexBytes("96 02 00 00 00")));
    EXPECT_FALSE(list->EndsWithActionEnd());
    list->Add(std::make_unique<TSWFActionByteCode>(HexBytes("07 00")));
    EXPECT_TRUE(list->EndsWithActionEnd());

    // An address of bytes that are not UTF-8 would be written longer: the record stays raw,
    // also when the longer form could not be framed at all.
    Bytes getURL = HexBytes("83 04 00 E9 00 5F 00");
    EXPECT_EQ(Describe(*ReadList(getURL)), "ByteCode");
    getURL = HexBytes("83 FF FF");
    getURL.insert(getURL.end(), 0xFFFD, 0xE9);
    getURL.insert(getURL.end(), {0x00, 0x00});
    EXPECT_EQ(Describe(*ReadList(getURL)), "ByteCode");
    EXPECT_EQ(Describe(*ReadList(HexBytes("83 05 00 61 00 5F 62 00 00"))), "GetURL");

    // Truncated records are errors.
    for (const char* truncated : {"96", "96 02", "96 05 00 00 61", "81 01 00 05", "88 02 00 01 00"})
        EXPECT_THROW(ReadList(HexBytes(truncated)), ESWFReadError) << truncated;
}

TEST(SWFActionBranches, CopiesReferToTheirOwnMarkers) {
    TSWFActionList list;
    auto& skip = list.Add<TSWFActionIf>();
    list.Add<TSWFActionStop>();
    list.PlaceMarker(skip.Marker());
    TSWFOffsetMarker& loop = list.AddMarker("loop");
    list.Add<TSWFActionJump>().SetMarker(&loop);
    auto& unplaced = list.Add<TSWFActionJump>();
    unplaced.Marker().Label = "own";

    auto copy = list.Clone();
    EXPECT_EQ(Describe(*copy), Describe(list));
    EXPECT_EQ(ListBytes(*copy), ListBytes(list));
    const auto& copiedSkip = dynamic_cast<const TSWFActionIf&>((*copy)[0]);
    EXPECT_EQ(copiedSkip.MarkerIfAny(), &(*copy)[2]);
    // A record's own marker is copied with it.
    const auto& copiedUnplaced = dynamic_cast<const TSWFActionJump&>((*copy)[5]);
    ASSERT_NE(copiedUnplaced.MarkerIfAny(), nullptr);
    EXPECT_NE(copiedUnplaced.MarkerIfAny(), unplaced.MarkerIfAny());
    EXPECT_EQ(copiedUnplaced.MarkerIfAny()->Label, "own");

    // Editing the copy leaves the original alone.
    copy->Insert(1, std::make_unique<TSWFActionPlay>());
    EXPECT_EQ(ListBytes(*copy), HexBytes("9D 02 00 02 00 06 07 99 02 00 FB FF 99 02 00 00 00"));
    EXPECT_EQ(ListBytes(list), HexBytes("9D 02 00 01 00 07 99 02 00 FB FF 99 02 00 00 00"));
}

// A movie body fragment: tags with action lists that branch forward and backward, written
// and read back through the tag reader to the same branch targets.
TEST(SWFActionBranches, MovieFragmentReadsBackToTheSameTargets) {
    std::vector<std::unique_ptr<TSWFObject>> tags;
    auto background = std::make_unique<TSWFSetBackgroundColor>();
    background->Color.SetRGB(0x336699);
    tags.push_back(std::move(background));

    // Frame 1: count up to 3 in a loop, then stop unless "done" is set.
    auto frame1 = std::make_unique<TSWFDoAction>();
    TSWFActionList& actions = frame1->Actions();
    actions.Add<TSWFActionConstantPool>().Constants = {"i", "done"};
    auto& init = actions.Add<TSWFActionPush>();
    init.AddValue(0, pushConstant8);
    init.AddValue(0);
    actions.Add<TSWFActionSetVariable>();
    TSWFOffsetMarker& top = actions.AddMarker("top");
    auto& step = actions.Add<TSWFActionPush>();
    step.AddValue(0, pushConstant8);
    step.AddValue(0, pushConstant8);
    actions.Add<TSWFActionGetVariable>();
    actions.Add<TSWFActionIncrement>();
    actions.Add<TSWFActionSetVariable>();
    actions.Add<TSWFActionPush>().AddValue(0, pushConstant8);
    actions.Add<TSWFActionGetVariable>();
    actions.Add<TSWFActionPush>().AddValue(3);
    actions.Add<TSWFActionLess2>();
    auto& exitLoop = actions.Add<TSWFActionIf>();
    actions.Add<TSWFActionNot>();  // never reached, keeps the targets apart
    actions.Add<TSWFActionJump>().SetMarker(&top);
    actions.PlaceMarker(exitLoop.Marker());
    actions.Add<TSWFActionPush>().AddValue(1, pushConstant8);
    actions.Add<TSWFActionGetVariable>();
    auto& skipStop = actions.Add<TSWFActionIf>();
    actions.Add<TSWFActionStop>();
    actions.PlaceMarker(skipStop.Marker());
    tags.push_back(std::move(frame1));
    tags.push_back(std::make_unique<TSWFShowFrame>());

    // Frame 2: a function whose body branches back to its own start, in a DoInitAction.
    auto init2 = std::make_unique<TSWFDoInitAction>();
    init2->SpriteID = 4;
    TSWFActionList& initActions = init2->Actions();
    auto& function = initActions.Add<TSWFActionDefineFunction2>();
    function.FunctionName = "spin";
    function.AddParam(1, "n");
    TSWFOffsetMarker& body = initActions.AddMarker();
    initActions.Add<TSWFActionPush>().AddValue(1, pushRegister);
    initActions.Add<TSWFActionDecrement>();
    initActions.Add<TSWFActionStoreRegister>().RegisterNumber = 1;
    initActions.Add<TSWFActionIf>().SetMarker(&body);
    initActions.PlaceMarker(function.EndMarker());
    initActions.Add<TSWFActionPlay>();
    tags.push_back(std::move(init2));
    tags.push_back(std::make_unique<TSWFShowFrame>());
    tags.push_back(std::make_unique<TSWFEnd>());

    const Bytes movie = test::WrittenBytes([&](TBitsEngine& engine) {
        for (auto& tag : tags) tag->WriteToStream(engine);
    });

    TMemoryStream stream(movie);
    TBitsEngine engine(stream);
    std::vector<std::unique_ptr<TSWFObject>> read;
    while (engine.BytesLeft() > 0) read.push_back(ReadSWFTag(engine));
    ASSERT_EQ(read.size(), tags.size());
    const auto* readFrame1 = dynamic_cast<const TSWFDoAction*>(read[1].get());
    const auto* readInit = dynamic_cast<const TSWFDoInitAction*>(read[3].get());
    ASSERT_NE(readFrame1, nullptr);
    ASSERT_NE(readInit, nullptr);
    const auto& original1 = dynamic_cast<const TSWFDoAction&>(*tags[1]).Actions();
    const auto& original2 = dynamic_cast<const TSWFDoInitAction&>(*tags[3]).Actions();
    EXPECT_EQ(Describe(readFrame1->Actions()), Describe(original1));
    EXPECT_EQ(Describe(readFrame1->Actions()),
              "ConstantPool Push SetVariable #0 Push GetVariable Increment SetVariable Push GetVariable Push "
              "Less2 If>#1 Not Jump>#0 #1 Push GetVariable If>#2 Stop #2");
    EXPECT_EQ(Describe(readInit->Actions()), Describe(original2));
    EXPECT_EQ(readInit->SpriteID, 4);

    const Bytes again = test::WrittenBytes([&](TBitsEngine& out) {
        for (auto& tag : read) tag->WriteToStream(out);
    });
    EXPECT_EQ(HexString(again), HexString(movie));
}

}  // namespace
}  // namespace pellicor
