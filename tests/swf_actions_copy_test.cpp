#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "swf/action_list.h"
#include "swf/action_records.h"
#include "swf_action_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::ListBytes;
using test::RecordBytes;

// A record with every field set away from its default, and a change to one of its fields.
struct TCopyCase {
    const char* Name;
    std::function<std::unique_ptr<TSWFAction>()> Make;
    std::function<void(TSWFAction&)> Change;
};

template <class T>
TCopyCase Case(const char* name, std::function<void(T&)> fill, std::function<void(T&)> change) {
    return {name,
            [fill] {
                auto action = std::make_unique<T>();
                fill(*action);
                return action;
            },
            [change](TSWFAction& action) { change(dynamic_cast<T&>(action)); }};
}

std::vector<TCopyCase> CopyCases() {
    return {
        Case<TSWFActionGotoFrame>("GotoFrame", [](auto& a) { a.Frame = 12; }, [](auto& a) { a.Frame = 13; }),
        Case<TSWFActionGetURL>("GetURL",
                               [](auto& a) {
                                   a.URL = "page.htm";
                                   a.Target = "_blank";
                               },
                               [](auto& a) { a.Target = "_self"; }),
        Case<TSWFActionWaitForFrame>("WaitForFrame",
                                     [](auto& a) {
                                         a.Frame = 3;
                                         a.SkipCount = 2;
                                     },
                                     [](auto& a) { a.SkipCount = 9; }),
        Case<TSWFActionSetTarget>("SetTarget", [](auto& a) { a.TargetName = "clip"; },
                                  [](auto& a) { a.TargetName = "other"; }),
        Case<TSWFActionGoToLabel>("GoToLabel", [](auto& a) { a.Label = "start"; }, [](auto& a) { a.Label = "end"; }),
        Case<TSWFActionPush>("Push",
                             [](auto& a) {
                                 a.AddValue("msStart");
                                 a.AddValue(5);
                                 a.AddValue(2.5);
                                 a.AddValue(1, pushConstant8);
                             },
                             [](auto& a) { a.AddValue(true); }),
        Case<TSWFActionJump>("Jump, fixed offset", [](auto& a) { a.SetBranchOffset(-7); },
                             [](auto& a) { a.SetBranchOffset(40); }),
        Case<TSWFActionIf>("If, fixed offset", [](auto& a) { a.SetBranchOffset(6); },
                           [](auto& a) { a.SetBranchOffset(-2); }),
        Case<TSWFActionGetURL2>("GetURL2",
                                [](auto& a) {
                                    a.SendVarsMethod = 2;
                                    a.LoadTargetFlag = true;
                                },
                                [](auto& a) { a.LoadVariablesFlag = true; }),
        Case<TSWFActionGotoFrame2>("GotoFrame2",
                                   [](auto& a) {
                                       a.PlayFlag = true;
                                       a.SetSceneBias(300);
                                   },
                                   [](auto& a) { a.SetSceneBias(1); }),
        Case<TSWFActionWaitForFrame2>("WaitForFrame2", [](auto& a) { a.SetSkipCount(4); },
                                      [](auto& a) { a.SetSkipCount(5); }),
        Case<TSWFActionConstantPool>("ConstantPool", [](auto& a) { a.Constants = {"a", "bc"}; },
                                     [](auto& a) { a.Constants.push_back("d"); }),
        Case<TSWFActionDefineFunction>("DefineFunction",
                                       [](auto& a) {
                                           a.FunctionName = "f";
                                           a.Params = {"x", "y"};
                                           a.SetCodeSize(9);
                                       },
                                       [](auto& a) { a.Params.pop_back(); }),
        Case<TSWFActionWith>("With", [](auto& a) { a.SetSize(11); }, [](auto& a) { a.SetSize(12); }),
        Case<TSWFActionStoreRegister>("StoreRegister", [](auto& a) { a.RegisterNumber = 3; },
                                      [](auto& a) { a.RegisterNumber = 0; }),
        Case<TSWFActionDefineFunction2>("DefineFunction2",
                                        [](auto& a) {
                                            a.FunctionName = "g";
                                            a.RegisterCount = 4;
                                            a.PreloadParent = true;
                                            a.SuppressThis = true;
                                            a.PreloadGlobal = true;
                                            a.AddParam(1, "p");
                                            a.SetCodeSize(20);
                                        },
                                        [](auto& a) { a.PreloadRoot = true; }),
        Case<TSWFActionTry>("Try",
                            [](auto& a) {
                                a.CatchBlock = true;
                                a.FinallyBlock = true;
                                a.CatchName = "e";
                                a.SetTrySize(3);
                                a.SetCatchSize(4);
                                a.SetFinallySize(5);
                            },
                            [](auto& a) { a.CatchName = "error"; }),
        Case<TSWFActionByteCode>("ByteCode, owned", [](auto& a) { a.SetBytes(HexBytes("96 02 00 08 01 07")); },
                                 [](auto& a) { a.SetBytes(HexBytes("06")); }),
        Case<TSWFOffsetMarker>("OffsetMarker",
                               [](auto& a) {
                                   a.Label = "here";
                                   a.Enabled = false;
                                   a.JumpToBack = false;
                                   a.SizeOffset = 4;
                               },
                               [](auto& a) { a.Label = "there"; }),
        Case<TSWFActionStop>("Stop, no fields", [](auto&) {}, [](auto& a) { a.Length = 1; }),
    };
}

// For every record class: Clone and Assign give a record of the same class that writes the
// same bytes, and changing the copy leaves the original as it was.
TEST(SWFActionCopy, EveryClassCopiesAsAValue) {
    for (const TCopyCase& copyCase : CopyCases()) {
        SCOPED_TRACE(copyCase.Name);
        auto original = copyCase.Make();
        const Bytes bytes = RecordBytes(*original);

        auto clone = original->Clone();
        ASSERT_EQ(typeid(*clone), typeid(*original));
        EXPECT_EQ(HexString(RecordBytes(*clone)), HexString(bytes));
        EXPECT_EQ(clone->Length, original->Length);

        auto assigned = CreateSWFAction(original->ActionCode());
        assigned->Assign(*original);
        EXPECT_EQ(HexString(RecordBytes(*assigned)), HexString(bytes));

        copyCase.Change(*clone);
        copyCase.Change(*assigned);
        const Bytes changed = RecordBytes(*clone);
        EXPECT_EQ(HexString(RecordBytes(*original)), HexString(bytes)) << "the original after the change";
        // A marker writes nothing, and a record below 0x80 writes no payload.
        const bool writesFields = original->ActionCode() != actionOffsetMarker && original->ActionCode() >= 0x80;
        if (writesFields) {
            EXPECT_NE(HexString(changed), HexString(bytes)) << "the change shows in the copy";
        }
        // Assigning back restores the copy.
        clone->Assign(*original);
        EXPECT_EQ(HexString(RecordBytes(*clone)), HexString(bytes));
    }
}

TEST(SWFActionCopy, AssignDemandsTheSameClass) {
    TSWFActionJump jump;
    TSWFActionIf branch;
    EXPECT_THROW(jump.Assign(branch), ESWFError);
    EXPECT_THROW(branch.Assign(jump), ESWFError);
    TSWFActionDefineFunction function;
    TSWFActionWith with;
    EXPECT_THROW(function.Assign(with), ESWFError);
}

// Borrowed byte code stays borrowed in a copy (the caller keeps the bytes alive); owned byte
// code is the copy's own.
TEST(SWFActionCopy, ByteCodeKeepsOwnership) {
    const Bytes lent = HexBytes("06 07");
    TSWFActionByteCode borrowing;
    borrowing.BorrowBytes(lent);
    auto copy = borrowing.Clone();
    const auto& copied = dynamic_cast<const TSWFActionByteCode&>(*copy);
    EXPECT_FALSE(copied.OwnsBytes());
    EXPECT_EQ(copied.Bytes().data(), lent.data());

    TSWFActionByteCode owning(HexBytes("06 07"));
    auto ownCopy = owning.Clone();
    const auto& ownCopied = dynamic_cast<const TSWFActionByteCode&>(*ownCopy);
    EXPECT_TRUE(ownCopied.OwnsBytes());
    EXPECT_NE(ownCopied.Bytes().data(), owning.Bytes().data());
    owning.SetBytes(HexBytes("00"));
    EXPECT_EQ(HexString(ownCopied.Bytes()), "06 07");
}

// A record's own marker (not yet in a list) is copied with the record and owned by the copy:
// the copy's marker can be placed in another list, and both lists resolve their branch.
TEST(SWFActionCopy, OwnMarkersTravelWithTheRecord) {
    TSWFActionIf original;
    original.Marker().Label = "skip";
    auto clone = original.Clone();
    auto& copied = dynamic_cast<TSWFActionIf&>(*clone);
    ASSERT_NE(copied.MarkerIfAny(), nullptr);
    EXPECT_NE(copied.MarkerIfAny(), original.MarkerIfAny());
    EXPECT_FALSE(copied.MarkerIfAny()->ManagedByList());

    TSWFActionList first;
    first.Add(original.Clone());
    auto& firstIf = dynamic_cast<TSWFActionIf&>(first[0]);
    first.Add<TSWFActionStop>();
    first.PlaceMarker(firstIf.Marker());
    EXPECT_EQ(HexString(ListBytes(first)), "9D 02 00 01 00 07");
    EXPECT_TRUE(firstIf.MarkerIfAny()->ManagedByList());

    // A marker assigned from one outside any list keeps its own place in the list.
    first[2].Assign(TSWFOffsetMarker());
    EXPECT_TRUE(dynamic_cast<TSWFOffsetMarker&>(first[2]).ManagedByList());
    EXPECT_EQ(HexString(ListBytes(first)), "9D 02 00 01 00 07");
}

// Copy construction and copy assignment of a list: every branch, block size and try block
// resolves to the copy's own markers, so the copy writes the same bytes after the original
// is changed or gone.
TEST(SWFActionCopy, CopiedListsResolveInsideTheCopy) {
    auto original = std::make_unique<TSWFActionList>();
    TSWFOffsetMarker& top = original->AddMarker("top");
    auto& skip = original->Add<TSWFActionIf>();
    original->Add<TSWFActionPlay>();
    original->PlaceMarker(skip.Marker());
    auto& function = original->Add<TSWFActionDefineFunction2>();
    function.FunctionName = "f";
    original->Add<TSWFActionStop>();
    original->PlaceMarker(function.EndMarker());
    auto& tryAction = original->Add<TSWFActionTry>();
    tryAction.CatchBlock = true;
    tryAction.CatchName = "e";
    original->Add<TSWFActionNextFrame>();
    original->PlaceMarker(tryAction.TryEndMarker());
    original->Add<TSWFActionPreviousFrame>();
    original->PlaceMarker(tryAction.CatchEndMarker());
    original->PlaceMarker(tryAction.FinallyEndMarker());
    original->Add<TSWFActionJump>().SetMarker(&top);
    const Bytes bytes = ListBytes(*original);

    TSWFActionList constructed(*original);
    TSWFActionList assigned;
    assigned.Add<TSWFActionStop>();
    assigned = *original;
    for (TSWFActionList* copy : {&constructed, &assigned}) {
        ASSERT_EQ(copy->Count(), original->Count());
        for (std::size_t i = 0; i < copy->Count(); ++i) {
            EXPECT_NE(&(*copy)[i], &(*original)[i]);
            for (TSWFMarkedField* field : (*copy)[i].MarkedFields()) {
                const TSWFOffsetMarker* marker = field->Link.Get();
                ASSERT_NE(marker, nullptr) << i;
                bool inCopy = false;
                for (const auto& action : copy->Items()) inCopy = inCopy || action.get() == marker;
                EXPECT_TRUE(inCopy) << "record " << i << " refers to a marker outside its list";
                EXPECT_TRUE(marker->ManagedByList());
            }
        }
    }

    // Moving the original's markers changes the original's bytes, not the copies'.
    original->Insert(1, std::make_unique<TSWFActionStop>());
    EXPECT_NE(ListBytes(*original), bytes);
    original.reset();
    EXPECT_EQ(HexString(ListBytes(constructed)), HexString(bytes));
    EXPECT_EQ(HexString(ListBytes(assigned)), HexString(bytes));

    // Self-assignment leaves the list as it was.
    TSWFActionList& same = assigned;
    assigned = same;
    EXPECT_EQ(HexString(ListBytes(assigned)), HexString(bytes));
}

}  // namespace
}  // namespace pellicor
