// The action builder: one record per operation, Push merging, branch markers, DoAction.

#include <gtest/gtest.h>

#include "movie/flash_action_script.h"
#include "movie_test_support.h"
#include "swf/do_action_tags.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;

Bytes ActionBytes(const TFlashActionScript& script) {
    return test::WrittenBytes([&](TBitsEngine& engine) { script.Actions().WriteActions(engine); });
}

TEST(FlashActionScript, OneRecordPerOperation) {
    TFlashActionScript script;
    EXPECT_TRUE(script.OwnsActions());
    EXPECT_EQ(script.MinVersion(), 1);
    script.Stop();
    EXPECT_EQ(script.MinVersion(), 3);
    script.Play();
    script.Pop();
    script.Not();
    script.Subtract();
    script.GetVariable();
    script.SetVariable();
    script.SetProperty();
    script.GetTime();
    EXPECT_EQ(script.MinVersion(), 4);
    script.Add2();
    script.Less2();
    script.GetMember();
    script.CallMethod();
    EXPECT_EQ(script.MinVersion(), 5);
    script.ConstantPool({"x", "yz"});
    script.GetUrl("http://a", "_blank");
    script.GetUrl2(2, true, false);
    EXPECT_EQ(HexString(ActionBytes(script)),
              HexString(HexBytes("07 06 17 12 0B 1C 1D 23 34 47 48 4E 52"
                                 "88 07 00 02 00 78 00 79 7A 00"
                                 "83 10 00 68 74 74 70 3A 2F 2F 61 00 5F 62 6C 61 6E 6B 00"
                                 "9A 01 00 82")));

    // Written as one DoAction tag; an empty script is the single ActionEnd.
    TFlashActionScript empty;
    EXPECT_EQ(test::ObjectBytes(empty), HexBytes("01 03 00"));
    TFlashActionScript stop;
    stop.Stop();
    EXPECT_EQ(test::ObjectBytes(stop), HexBytes("02 03 07 00"));
}

TEST(FlashActionScript, PushMerging) {
    TFlashActionScript script;
    TSWFActionPush& first = script.Push({std::string("a")});
    EXPECT_EQ(&script.Push({5}), &first);
    EXPECT_EQ(HexString(ActionBytes(script)), "96 08 00 00 61 00 07 05 00 00 00");
    EXPECT_EQ(script.MinVersion(), 5);

    // After another action a new Push starts; explicit types come from the parallel array,
    // a missing entry infers the type.
    script.Play();
    TSWFActionPush& second = script.Push({2, true, 1.5f}, {pushConstant8});
    EXPECT_NE(&second, &first);
    ASSERT_EQ(second.Values.size(), 3u);
    EXPECT_EQ(second.Values[0].ValueType, pushConstant8);
    EXPECT_EQ(second.Values[1].ValueType, pushBoolean);
    EXPECT_EQ(second.Values[2].ValueType, pushFloat);
    EXPECT_EQ(script.Actions().Count(), 3u);
}

TEST(FlashActionScript, BranchMarkers) {
    // Forward: a Jump over a single Stop, its marker placed after the Stop.
    TFlashActionScript forward;
    TSWFActionJump& jump = forward.Jump();
    forward.Stop();
    TSWFOffsetMarker& marker = forward.SetMarker(&jump.Marker());
    EXPECT_FALSE(marker.JumpToBack);
    EXPECT_TRUE(marker.ManagedByList());
    EXPECT_EQ(HexString(ActionBytes(forward)), "99 02 00 01 00 07");

    // Backward: a new marker (flag on), then a branch to it.
    TFlashActionScript backward;
    TSWFOffsetMarker& loop = backward.SetMarker();
    EXPECT_TRUE(loop.JumpToBack);
    backward.If().SetMarker(&loop);
    EXPECT_EQ(HexString(ActionBytes(backward)), "9D 02 00 FB FF");

    // Assign clones the records; the copy's branch refers to the copy's marker.
    TFlashActionScript copy;
    copy.Assign(forward);
    EXPECT_TRUE(copy.OwnsActions());
    EXPECT_EQ(ActionBytes(copy), ActionBytes(forward));
    copy.Play();
    EXPECT_EQ(forward.Actions().Count(), 3u);
    EXPECT_EQ(HexString(ActionBytes(copy)), "99 02 00 01 00 07 06");
}

TEST(FlashActionScript, BorrowedList) {
    TSWFActionList list;
    {
        TFlashActionScript script(nullptr, &list);
        EXPECT_FALSE(script.OwnsActions());
        script.Play();
        // The ownership flag is copied: from an owning script, a list of its own.
        TFlashActionScript source;
        source.Stop();
        script.Assign(source);
        EXPECT_TRUE(script.OwnsActions());
        EXPECT_EQ(script.Actions()[0].ActionCode(), actionStop);
    }
    ASSERT_EQ(list.Count(), 1u);  // the borrowed list outlives the script, unchanged
    EXPECT_EQ(list[0].ActionCode(), actionPlay);

    // A script re-pointed at another list appends there.
    TFlashActionScript script;
    script.SetActions(list);
    EXPECT_FALSE(script.OwnsActions());
    script.Stop();
    EXPECT_EQ(list.Count(), 2u);
}

}  // namespace
}  // namespace pellicor
