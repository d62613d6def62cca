#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <typeinfo>

#include "swf/action_list.h"
#include "swf/action_records.h"
#include "swf_action_test_support.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::ListBytes;
using test::ReadList;
using test::RecordBytes;

TEST(SWFActionFraming, RecordsWithAndWithoutPayload) {
    TSWFActionStop stop;
    EXPECT_EQ(RecordBytes(stop), HexBytes("07"));
    TSWFActionPlay play;
    EXPECT_EQ(RecordBytes(play), HexBytes("06"));
    // A code from 0x80 always carries a length, also when it is 0.
    TSWFActionCall call;
    EXPECT_EQ(RecordBytes(call), HexBytes("9E 00 00"));
    TSWFActionWaitForFrame2 wait2;
    EXPECT_EQ(RecordBytes(wait2), HexBytes("8D 00 00"));

    TSWFActionGetURL getURL;
    getURL.URL = "abcd.htm";
    getURL.Target = "_blank";
    EXPECT_EQ(RecordBytes(getURL), HexBytes("83 10 00  61 62 63 64 2E 68 74 6D 00  5F 62 6C 61 6E 6B 00"));
    EXPECT_EQ(getURL.Length, 0x10);
    // The address goes out as UTF-8, the target as its bytes.
    getURL.URL = "\xE9";  // not UTF-8: taken as Windows-1252
    getURL.Target = "\xE9";
    EXPECT_EQ(RecordBytes(getURL), HexBytes("83 05 00  C3 A9 00  E9 00"));

    // Pseudo-actions write no code: raw bytes as they are, a marker nothing at all.
    TSWFActionByteCode raw(HexBytes("96 02 00 08 01"));
    EXPECT_EQ(RecordBytes(raw), HexBytes("96 02 00 08 01"));
    TSWFOffsetMarker marker;
    EXPECT_EQ(RecordBytes(marker), Bytes());
    const Bytes borrowed = HexBytes("07 06");
    raw.BorrowBytes(borrowed);
    EXPECT_FALSE(raw.OwnsBytes());
    EXPECT_EQ(RecordBytes(raw), borrowed);

    // A payload above 65535 bytes cannot be framed.
    TSWFActionConstantPool pool;
    pool.Constants.assign(2, std::string(40000, 'x'));
    EXPECT_THROW(RecordBytes(pool), ESWFError);
}

TEST(SWFActionFactory, EveryCodeHasItsClassAndVersion) {
    const std::vector<std::uint8_t> codes = KnownSWFActionCodes();
    EXPECT_EQ(codes.size(), 101u);
    // The version groups of the action table.
    const std::vector<std::pair<int, Bytes>> groups = {
        {3, HexBytes("81 83 04 05 06 07 08 09 8A 8B 8C")},
        {4, HexBytes("96 17 0A 0B 0C 0D 0E 0F 10 11 12 13 14 21 15 29 31 35 18 32 33 36 37 99 9D 9E 1C 1D 9A 9F "
                     "20 22 23 24 25 27 28 8D 26 34 30 FE")},
        {5, HexBytes("3D 52 88 9B 3C 41 3A 3B 46 49 4E 42 43 53 40 4F 45 94 4A 4B 44 47 48 3F 60 63 61 64 65 62 "
                     "51 50 4C 3E 4D 87")},
        {6, HexBytes("54 55 66 67 68")},
        {7, HexBytes("8E 69 2B 2C 8F 2A")},
    };
    std::size_t listed = 1;  // the marker, 0xFF, checked below
    for (const auto& [version, groupCodes] : groups) {
        for (const std::uint8_t code : groupCodes) {
            auto action = CreateSWFAction(code);
            ASSERT_TRUE(action) << std::hex << int(code);
            EXPECT_EQ(action->ActionCode(), code);
            EXPECT_EQ(action->MinVersion(), version) << SWFActionName(code);
            ++listed;
        }
    }
    EXPECT_EQ(listed, codes.size());
    auto marker = CreateSWFAction(actionOffsetMarker);
    EXPECT_NE(dynamic_cast<TSWFOffsetMarker*>(marker.get()), nullptr);
    EXPECT_NE(dynamic_cast<TSWFActionByteCode*>(CreateSWFAction(actionByteCode).get()), nullptr);
    auto ifAction = CreateSWFAction(actionIf);
    EXPECT_NE(dynamic_cast<TSWFActionIf*>(ifAction.get()), nullptr);
    EXPECT_NE(dynamic_cast<TSWFActionJump*>(ifAction.get()), nullptr);
    EXPECT_STREQ(SWFActionName(actionGetURL2), "GetURL2");
    for (const std::uint8_t unknown : {0x00, 0x01, 0x16, 0x80, 0x82, 0xA0, 0xFD})
        EXPECT_EQ(CreateSWFAction(unknown), nullptr) << int(unknown);

    // Assign demands the same class.
    TSWFActionStop stop;
    TSWFActionPlay play;
    EXPECT_THROW(stop.Assign(play), ESWFError);
}

TEST(SWFActionPayloads, FieldLayouts) {
    TSWFActionGotoFrame gotoFrame;
    gotoFrame.Frame = 0x1234;
    EXPECT_EQ(RecordBytes(gotoFrame), HexBytes("81 02 00 34 12"));

    TSWFActionWaitForFrame wait;
    wait.Frame = 3;
    wait.SkipCount = 2;
    EXPECT_EQ(RecordBytes(wait), HexBytes("8A 03 00 03 00 02"));
    TSWFActionWaitForFrame2 wait2;
    wait2.SetSkipCount(4);
    EXPECT_EQ(RecordBytes(wait2), HexBytes("8D 01 00 04"));

    TSWFActionSetTarget setTarget;
    setTarget.TargetName = "mc";
    EXPECT_EQ(RecordBytes(setTarget), HexBytes("8B 03 00 6D 63 00"));
    TSWFActionGoToLabel label;
    label.Label = "go";
    EXPECT_EQ(RecordBytes(label), HexBytes("8C 03 00 67 6F 00"));
    TSWFActionStoreRegister store;
    store.RegisterNumber = 3;
    EXPECT_EQ(RecordBytes(store), HexBytes("87 01 00 03"));

    TSWFActionConstantPool pool;
    pool.Constants = {"a", "", "bc"};
    EXPECT_EQ(RecordBytes(pool), HexBytes("88 08 00 03 00 61 00 00 62 63 00"));

    // SendVarsMethod 2 (POST), four zero bits, LoadTarget, LoadVariables.
    TSWFActionGetURL2 getURL2;
    getURL2.SendVarsMethod = 2;
    getURL2.LoadTargetFlag = true;
    getURL2.LoadVariablesFlag = true;
    EXPECT_EQ(RecordBytes(getURL2), HexBytes("9A 01 00 83"));
    TSWFActionGetURL2 plainGetURL2;
    EXPECT_EQ(RecordBytes(plainGetURL2), HexBytes("9A 01 00 00"));

    TSWFActionGotoFrame2 gotoFrame2;
    gotoFrame2.PlayFlag = true;
    EXPECT_EQ(RecordBytes(gotoFrame2), HexBytes("9F 01 00 01"));
    gotoFrame2.SetSceneBias(5);
    EXPECT_EQ(RecordBytes(gotoFrame2), HexBytes("9F 03 00 03 05 00"));

    TSWFActionDefineFunction function;
    function.FunctionName = "f";
    function.Params = {"a", "b"};
    function.SetCodeSize(9);
    EXPECT_EQ(RecordBytes(function), HexBytes("9B 0A 00 66 00 02 00 61 00 62 00 09 00"));

    TSWFActionDefineFunction2 function2;
    function2.FunctionName = "g";
    function2.RegisterCount = 4;
    function2.PreloadParent = true;
    function2.PreloadThis = true;
    function2.PreloadGlobal = true;
    function2.AddParam(1, "x");
    function2.SetCodeSize(0x0102);
    EXPECT_EQ(RecordBytes(function2), HexBytes("8E 0C 00 67 00 01 00 04 81 01 01 78 00 02 01"));

    TSWFActionWith with;
    with.SetSize(7);
    EXPECT_EQ(RecordBytes(with), HexBytes("94 02 00 07 00"));

    TSWFActionTry tryAction;
    tryAction.CatchBlock = true;
    tryAction.FinallyBlock = true;
    tryAction.SetTrySize(1);
    tryAction.SetCatchSize(2);
    tryAction.SetFinallySize(3);
    tryAction.CatchName = "e";
    EXPECT_EQ(RecordBytes(tryAction), HexBytes("8F 09 00 03 01 00 02 00 03 00 65 00"));
    tryAction.CatchInRegister = true;
    tryAction.CatchRegister = 2;
    EXPECT_EQ(RecordBytes(tryAction), HexBytes("8F 08 00 07 01 00 02 00 03 00 02"));
}

TEST(SWFActionPush, ValueTypesAndEncodings) {
    TSWFActionPush push;
    push.AddValue("a");
    push.AddValue(5);
    EXPECT_EQ(RecordBytes(push), HexBytes("96 08 00 00 61 00 07 05 00 00 00"));
    EXPECT_EQ(push.MinVersion(), 5);  // the integer
    TSWFActionPush text;
    text.AddValue("a");
    text.AddValue(0.5f);
    EXPECT_EQ(text.MinVersion(), 4);

    TSWFActionPush boolean;
    boolean.AddValue(true);
    EXPECT_EQ(RecordBytes(boolean), HexBytes("96 02 00 05 01"));
    EXPECT_EQ(boolean.MinVersion(), 5);

    // Floats are little-endian singles; doubles are two little-endian halves, high half first.
    TSWFActionPush numbers;
    numbers.AddValue(1.0f);
    numbers.AddValue(1.0);
    numbers.AddValue(-2);
    EXPECT_EQ(RecordBytes(numbers),
              HexBytes("96 13 00  01 00 00 80 3F  06 00 00 F0 3F 00 00 00 00  07 FE FF FF FF"));

    // Inference by kind of value.
    const std::vector<std::pair<TPushVariant, std::uint8_t>> inferred = {
        {TPushVariant(), pushUndefined},
        {TPushVariant(nullptr), pushNull},
        {TPushVariant(std::int16_t{-3}), pushInteger},
        {TPushVariant(std::uint8_t{200}), pushInteger},
        {TPushVariant(2.5f), pushFloat},
        {TPushVariant(2.5), pushDouble},
        {TPushVariant(false), pushBoolean},
        {TPushVariant(std::string("text")), pushString},
        {TPushVariant(std::string("FlashVar_null")), pushNull},
        {TPushVariant(std::string("FlashVar_undefined")), pushUndefined},
    };
    for (const auto& [value, type] : inferred) {
        const TPushValueInfo info = TPushValueInfo::Make(value);
        EXPECT_EQ(info.ValueType, type) << value.index();
        EXPECT_TRUE(info.IsValid);
    }
    // The special texts carry no data; an explicit string type keeps them as text.
    TSWFActionPush special;
    special.AddValue("FlashVar_null");
    special.AddValue("FlashVar_undefined");
    special.AddValue(TPushVariant(), pushNull);
    EXPECT_EQ(RecordBytes(special), HexBytes("96 03 00 02 03 02"));
    EXPECT_EQ(TPushValueInfo::Make(std::string("FlashVar_null"), pushString).ValueType, pushString);

    // Explicit types convert where they can; values they cannot hold are invalid and skipped.
    TSWFActionPush explicitTypes;
    explicitTypes.AddValue(3, pushConstant8);
    explicitTypes.AddValue(300, pushConstant16);
    explicitTypes.AddValue(2, pushRegister);
    explicitTypes.AddValue(7, pushDouble);
    explicitTypes.AddValue(0, pushBoolean);
    explicitTypes.AddValue(12, pushString);
    explicitTypes.AddValue(4.0, pushInteger);
    explicitTypes.AddValue(std::string("x"), pushInferType);
    EXPECT_EQ(RecordBytes(explicitTypes),
              HexBytes("96 1E 00  08 03  09 2C 01  04 02  06 00 00 1C 40 00 00 00 00  05 00  00 31 32 00  07 04 00 00 00"
                       "  00 78 00"));
    for (const auto& [value, type] : std::vector<std::pair<TPushVariant, std::uint8_t>>{
             {TPushVariant(300), pushRegister},
             {TPushVariant(-1), pushConstant8},
             {TPushVariant(70000), pushConstant16},
             {TPushVariant(std::string("1")), pushInteger},
             {TPushVariant(2.5), pushInteger},
             {TPushVariant(std::numeric_limits<double>::infinity()), pushInteger},
             {TPushVariant(std::string("1.5")), pushDouble},
             {TPushVariant(true), pushFloat},
             {TPushVariant(1.5), pushString},
             {TPushVariant(1), 11},
         }) {
        EXPECT_FALSE(TPushValueInfo::Make(value, type).IsValid) << int(type) << " " << value.index();
    }
    TSWFActionPush invalidOnly;
    invalidOnly.AddValue(300, pushRegister);
    invalidOnly.AddValue("s");
    EXPECT_EQ(RecordBytes(invalidOnly), HexBytes("96 03 00 00 73 00"));
    EXPECT_EQ(invalidOnly.MinVersion(), 4);  // the skipped register does not count

    // Every type reads back to the same value.
    TSWFActionPush all;
    all.AddValue("str");
    all.AddValue(0.1f);
    all.AddValue(nullptr);
    all.AddValue(TPushVariant());
    all.AddValue(9, pushRegister);
    all.AddValue(true);
    all.AddValue(-1.0e300);
    all.AddValue(std::numeric_limits<std::int32_t>::min());
    all.AddValue(255, pushConstant8);
    all.AddValue(65535, pushConstant16);
    const Bytes bytes = RecordBytes(all);
    auto list = ReadList(bytes);
    ASSERT_EQ(list->Count(), 1u);
    auto* read = dynamic_cast<TSWFActionPush*>(&(*list)[0]);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Values.size(), all.Values.size());
    for (std::size_t i = 0; i < all.Values.size(); ++i) {
        EXPECT_EQ(read->Values[i].ValueType, all.Values[i].ValueType) << i;
        EXPECT_EQ(read->Values[i].Value, all.Values[i].Value) << i;
    }
    EXPECT_EQ(RecordBytes(*read), bytes);
}

// One record of every class, with payload fields away from their defaults.
std::unique_ptr<TSWFActionList> EveryActionClass() {
    auto list = std::make_unique<TSWFActionList>();
    for (const std::uint8_t code : KnownSWFActionCodes()) {
        if (code == actionOffsetMarker) continue;
        TSWFAction& action = list->Add(CreateSWFAction(code));
        if (auto* a = dynamic_cast<TSWFActionGotoFrame*>(&action)) a->Frame = 513;
        if (auto* a = dynamic_cast<TSWFActionGetURL*>(&action)) {
            a->URL = "http://example.org/\xC3\xA9";
            a->Target = "_parent";
        }
        if (auto* a = dynamic_cast<TSWFActionWaitForFrame*>(&action)) {
            a->Frame = 7;
            a->SkipCount = 9;
        }
        if (auto* a = dynamic_cast<TSWFActionSetTarget*>(&action)) a->TargetName = "/clip";
        if (auto* a = dynamic_cast<TSWFActionGoToLabel*>(&action)) a->Label = "end";
        if (auto* a = dynamic_cast<TSWFActionPush*>(&action)) {
            a->AddValue("v");
            a->AddValue(1.5);
            a->AddValue(4, pushConstant16);
        }
        if (auto* a = dynamic_cast<TSWFActionJump*>(&action)) a->SetBranchOffset(-3);
        if (auto* a = dynamic_cast<TSWFActionGetURL2*>(&action)) {
            a->SendVarsMethod = 1;
            a->LoadVariablesFlag = true;
        }
        if (auto* a = dynamic_cast<TSWFActionGotoFrame2*>(&action)) {
            a->PlayFlag = true;
            a->SetSceneBias(300);
        }
        if (auto* a = dynamic_cast<TSWFActionWaitForFrame2*>(&action)) a->SetSkipCount(2);
        if (auto* a = dynamic_cast<TSWFActionConstantPool*>(&action)) a->Constants = {"_root", "play"};
        if (auto* a = dynamic_cast<TSWFActionDefineFunction*>(&action)) {
            a->FunctionName = "f";
            a->Params = {"x", "y"};
            a->SetCodeSize(60000);  // past the list: kept as it is
        }
        if (auto* a = dynamic_cast<TSWFActionWith*>(&action)) a->SetSize(50000);
        if (auto* a = dynamic_cast<TSWFActionStoreRegister*>(&action)) a->RegisterNumber = 3;
        if (auto* a = dynamic_cast<TSWFActionDefineFunction2*>(&action)) {
            a->FunctionName = "g";
            a->RegisterCount = 5;
            a->PreloadRoot = true;
            a->SuppressSuper = true;
            a->PreloadArguments = true;
            a->PreloadGlobal = true;
            a->AddParam(2, "p");
            a->AddParam(0, "q");
            a->SetCodeSize(40000);
        }
        if (auto* a = dynamic_cast<TSWFActionTry*>(&action)) {
            a->CatchBlock = true;
            a->CatchName = "err";
            a->SetTrySize(30000);
            a->SetCatchSize(1);
            a->SetFinallySize(2);
        }
        if (auto* a = dynamic_cast<TSWFActionByteCode*>(&action)) a->SetBytes(HexBytes("01 A0 01 00 FF"));
    }
    return list;
}

TEST(SWFActionPayloads, EveryClassRoundTrips) {
    auto list = EveryActionClass();
    ASSERT_EQ(list->Count(), 100u);
    const Bytes bytes = ListBytes(*list);
    auto read = ReadList(bytes);
    // The raw bytes are two records without a class: each stays raw on its own.
    ASSERT_EQ(read->Count(), list->Count() + 1);
    for (std::size_t i = 0, j = 0; i < list->Count(); ++i, ++j) {
        const TSWFAction& original = (*list)[i];
        const TSWFAction& copy = (*read)[j];
        if (original.ActionCode() == actionByteCode) {
            EXPECT_EQ(HexString(dynamic_cast<const TSWFActionByteCode&>(copy).Bytes()), "01");
            EXPECT_EQ(HexString(dynamic_cast<const TSWFActionByteCode&>((*read)[++j]).Bytes()), "A0 01 00 FF");
            continue;
        }
        EXPECT_EQ(typeid(copy), typeid(original)) << SWFActionName(original.ActionCode());
    }
    EXPECT_EQ(HexString(ListBytes(*read)), HexString(bytes));

    // Copies by class give the same bytes.
    for (const auto& action : list->Items()) {
        auto clone = action->Clone();
        EXPECT_EQ(RecordBytes(*clone), RecordBytes(*action)) << SWFActionName(action->ActionCode());
    }
    EXPECT_EQ(ListBytes(*list->Clone()), bytes);
}

// Every record reader meets truncated and random payloads with ESWFError at most, and writes
// whatever it did read.
TEST(SWFActionPayloads, ReadersSurviveDamagedPayloads) {
    auto valid = EveryActionClass();
    std::mt19937 random(20240601);
    for (const auto& original : valid->Items()) {
        const Bytes record = RecordBytes(*original);
        const Bytes payload = original->ActionCode() >= 0x80 && original->ActionCode() < actionByteCode
                                  ? Bytes(record.begin() + 3, record.end())
                                  : record;
        std::vector<Bytes> payloads;
        for (std::size_t length = 0; length < payload.size(); ++length)
            payloads.emplace_back(payload.begin(), payload.begin() + static_cast<std::ptrdiff_t>(length));
        for (int round = 0; round < 60; ++round) {
            Bytes damaged = payload;
            if (round % 2 == 0 && !damaged.empty()) {
                damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
            } else {
                damaged.resize(random() % (payload.size() + 12));
                for (auto& b : damaged) b = static_cast<std::uint8_t>(random());
            }
            payloads.push_back(std::move(damaged));
        }
        for (const Bytes& bytes : payloads) {
            auto action = CreateSWFAction(original->ActionCode());
            action->Length = static_cast<std::uint16_t>(bytes.size());
            TMemoryStream stream(bytes);
            TBitsEngine engine(stream);
            try {
                action->ReadActionBody(engine);
                RecordBytes(*action);
            } catch (const ESWFError&) {
            } catch (const std::exception& error) {
                ADD_FAILURE() << SWFActionName(original->ActionCode()) << " threw " << error.what() << " on "
                              << HexString(bytes);
            }
        }
    }
}

}  // namespace
}  // namespace pellicor
