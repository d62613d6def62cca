#pragma once

// The action records: one class per action code. Records without payload fields are
// TSWFPlainAction specialisations; the others are written out below.

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "swf/actions.h"

namespace pellicor {

// ---- SWF 3 ----

using TSWFActionNextFrame = TSWFPlainAction<actionNextFrame, TSWFAction>;
using TSWFActionPreviousFrame = TSWFPlainAction<actionPreviousFrame, TSWFAction>;
using TSWFActionPlay = TSWFPlainAction<actionPlay, TSWFAction>;
using TSWFActionStop = TSWFPlainAction<actionStop, TSWFAction>;
using TSWFActionToggleQuality = TSWFPlainAction<actionToggleQuality, TSWFAction>;
using TSWFActionStopSounds = TSWFPlainAction<actionStopSounds, TSWFAction>;

// GotoFrame (0x81): Frame (UI16).
class TSWFActionGotoFrame : public TSWFRecordValue<TSWFActionGotoFrame, TSWFAction> {
public:
    TSWFActionGotoFrame() : TSWFRecordValue(actionGotoFrame) {}
    std::uint16_t Frame = 0;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// GetURL (0x83): URL (written as UTF-8), Target (raw bytes).
class TSWFActionGetURL : public TSWFRecordValue<TSWFActionGetURL, TSWFAction> {
public:
    TSWFActionGetURL() : TSWFRecordValue(actionGetURL) {}
    std::string URL;
    std::string Target;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// WaitForFrame (0x8A): Frame (UI16), SkipCount (UI8).
class TSWFActionWaitForFrame : public TSWFRecordValue<TSWFActionWaitForFrame, TSWFAction> {
public:
    TSWFActionWaitForFrame() : TSWFRecordValue(actionWaitForFrame) {}
    std::uint16_t Frame = 0;
    std::uint8_t SkipCount = 0;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// SetTarget (0x8B): TargetName.
class TSWFActionSetTarget : public TSWFRecordValue<TSWFActionSetTarget, TSWFAction> {
public:
    TSWFActionSetTarget() : TSWFRecordValue(actionSetTarget) {}
    std::string TargetName;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// GoToLabel (0x8C): Label.
class TSWFActionGoToLabel : public TSWFRecordValue<TSWFActionGoToLabel, TSWFAction> {
public:
    TSWFActionGoToLabel() : TSWFRecordValue(actionGoToLabel) {}
    std::string Label;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// ---- SWF 4 ----

using TSWFActionPop = TSWFPlainAction<actionPop, TSWFAction4>;
using TSWFActionAdd = TSWFPlainAction<actionAdd, TSWFAction4>;
using TSWFActionSubtract = TSWFPlainAction<actionSubtract, TSWFAction4>;
using TSWFActionMultiply = TSWFPlainAction<actionMultiply, TSWFAction4>;
using TSWFActionDivide = TSWFPlainAction<actionDivide, TSWFAction4>;
using TSWFActionEquals = TSWFPlainAction<actionEquals, TSWFAction4>;
using TSWFActionLess = TSWFPlainAction<actionLess, TSWFAction4>;
using TSWFActionAnd = TSWFPlainAction<actionAnd, TSWFAction4>;
using TSWFActionOr = TSWFPlainAction<actionOr, TSWFAction4>;
using TSWFActionNot = TSWFPlainAction<actionNot, TSWFAction4>;
using TSWFActionStringEquals = TSWFPlainAction<actionStringEquals, TSWFAction4>;
using TSWFActionStringLength = TSWFPlainAction<actionStringLength, TSWFAction4>;
using TSWFActionStringAdd = TSWFPlainAction<actionStringAdd, TSWFAction4>;
using TSWFActionStringExtract = TSWFPlainAction<actionStringExtract, TSWFAction4>;
using TSWFActionStringLess = TSWFPlainAction<actionStringLess, TSWFAction4>;
using TSWFActionMBStringLength = TSWFPlainAction<actionMBStringLength, TSWFAction4>;
using TSWFActionMBStringExtract = TSWFPlainAction<actionMBStringExtract, TSWFAction4>;
using TSWFActionToInteger = TSWFPlainAction<actionToInteger, TSWFAction4>;
using TSWFActionCharToAscii = TSWFPlainAction<actionCharToAscii, TSWFAction4>;
using TSWFActionAsciiToChar = TSWFPlainAction<actionAsciiToChar, TSWFAction4>;
using TSWFActionMBCharToAscii = TSWFPlainAction<actionMBCharToAscii, TSWFAction4>;
using TSWFActionMBAsciiToChar = TSWFPlainAction<actionMBAsciiToChar, TSWFAction4>;
using TSWFActionCall = TSWFPlainAction<actionCall, TSWFAction4>;
using TSWFActionGetVariable = TSWFPlainAction<actionGetVariable, TSWFAction4>;
using TSWFActionSetVariable = TSWFPlainAction<actionSetVariable, TSWFAction4>;
using TSWFActionSetTarget2 = TSWFPlainAction<actionSetTarget2, TSWFAction4>;
using TSWFActionGetProperty = TSWFPlainAction<actionGetProperty, TSWFAction4>;
using TSWFActionSetProperty = TSWFPlainAction<actionSetProperty, TSWFAction4>;
using TSWFActionCloneSprite = TSWFPlainAction<actionCloneSprite, TSWFAction4>;
using TSWFActionRemoveSprite = TSWFPlainAction<actionRemoveSprite, TSWFAction4>;
using TSWFActionStartDrag = TSWFPlainAction<actionStartDrag, TSWFAction4>;
using TSWFActionEndDrag = TSWFPlainAction<actionEndDrag, TSWFAction4>;
using TSWFActionTrace = TSWFPlainAction<actionTrace, TSWFAction4>;
using TSWFActionGetTime = TSWFPlainAction<actionGetTime, TSWFAction4>;
using TSWFActionRandomNumber = TSWFPlainAction<actionRandomNumber, TSWFAction4>;

// Push value types.
inline constexpr std::uint8_t pushString = 0;
inline constexpr std::uint8_t pushFloat = 1;
inline constexpr std::uint8_t pushNull = 2;
inline constexpr std::uint8_t pushUndefined = 3;
inline constexpr std::uint8_t pushRegister = 4;
inline constexpr std::uint8_t pushBoolean = 5;
inline constexpr std::uint8_t pushDouble = 6;
inline constexpr std::uint8_t pushInteger = 7;
inline constexpr std::uint8_t pushConstant8 = 8;
inline constexpr std::uint8_t pushConstant16 = 9;
// Not a written type: take the type from the kind of value.
inline constexpr std::uint8_t pushInferType = 10;

// A value as the caller hands it to Push: empty (undefined), null, boolean, integer
// (8-, 16- and 32-bit integers convert to it), single, double or string.
using TPushVariant = std::variant<std::monostate, std::nullptr_t, bool, std::int32_t, float, double, std::string>;

// One pushed value: its type, whether it can be written, and the value in the form its
// type needs (string for 0; float for 1; nothing for 2 and 3; integer for 4, 7, 8, 9;
// boolean for 5; double for 6).
struct TPushValueInfo {
    std::uint8_t ValueType = pushUndefined;
    bool IsValid = true;
    TPushVariant Value;

    // The value with an explicit type, or with pushInferType the type inferred from the
    // kind of value: empty -> undefined, null -> null, integer -> integer, single -> float,
    // double -> double, boolean -> boolean, string -> string (the texts "FlashVar_null" and
    // "FlashVar_undefined" -> null and undefined). A value that its type cannot hold
    // (a text as a number, 300 as a register) or an unknown type is marked invalid.
    static TPushValueInfo Make(const TPushVariant& value, std::uint8_t valueType = pushInferType);
    static std::uint8_t InferType(const TPushVariant& value);

    const std::string* String() const { return std::get_if<std::string>(&Value); }
    // The integer of types 4, 7, 8 and 9 (0 for other types).
    std::int32_t Integer() const;
    // The numeric value of types 1, 6, 4, 7, 8, 9 and 5 (0 for others).
    double Number() const;
    bool Boolean() const;
};

// Push (0x96): values, each a type byte and its data. Needs SWF 5 when a written value has
// a type above 1.
class TSWFActionPush : public TSWFRecordValue<TSWFActionPush, TSWFAction4> {
public:
    TSWFActionPush() : TSWFRecordValue(actionPush) {}
    std::vector<TPushValueInfo> Values;

    // Appends a value (with an explicit type, or inferred with pushInferType).
    TPushValueInfo& AddValue(const TPushVariant& value, std::uint8_t valueType = pushInferType);
    // A string literal (a template, so that the literal 0 stays an integer).
    template <std::size_t N>
    TPushValueInfo& AddValue(const char (&text)[N], std::uint8_t valueType = pushInferType) {
        return AddValue(TPushVariant(std::string(text)), valueType);
    }

    int MinVersion() const override;
    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// Jump (0x99): BranchOffset (SI16) from the end of the record, fixed or to a marker.
class TSWFActionJump : public TSWFRecordValue<TSWFActionJump, TSWFAction4> {
public:
    TSWFActionJump() : TSWFRecordValue(actionJump) {}

    std::int16_t BranchOffset() const { return static_cast<std::int16_t>(branch_.Value()); }
    // Sets the offset and StaticOffset.
    void SetBranchOffset(std::int16_t offset) { branch_.SetValue(offset); }
    // True once an offset is set explicitly: it wins over the marker.
    bool StaticOffset() const { return branch_.Static; }
    void SetStaticOffset(bool value) { branch_.Static = value; }
    // The target marker, created on first access (owned by the record until a list
    // places it, see TSWFActionList::PlaceMarker).
    TSWFOffsetMarker& Marker() { return branch_.Link.GetOrCreate(); }
    TSWFOffsetMarker* MarkerIfAny() const { return branch_.Link.Get(); }
    // Branches to a marker owned elsewhere (usually one already in the list).
    void SetMarker(TSWFOffsetMarker* marker) {
        branch_.Link.Set(marker);
        branch_.Static = false;
    }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
    std::vector<TSWFMarkedField*> MarkedFields() override { return {&branch_}; }

protected:
    explicit TSWFActionJump(std::uint8_t code) : TSWFRecordValue(code) {}

private:
    TSWFMarkedField branch_{true};
};

// If (0x9D): a Jump taken when the popped value is true.
class TSWFActionIf : public TSWFRecordValue<TSWFActionIf, TSWFActionJump> {
public:
    TSWFActionIf() : TSWFRecordValue(actionIf) {}
};

// GetURL2 (0x9A): UB[2] SendVarsMethod (0 none, 1 GET, 2 POST), UB[4] 0, UB[1]
// LoadTargetFlag, UB[1] LoadVariablesFlag.
class TSWFActionGetURL2 : public TSWFRecordValue<TSWFActionGetURL2, TSWFAction4> {
public:
    TSWFActionGetURL2() : TSWFRecordValue(actionGetURL2) {}
    std::uint8_t SendVarsMethod = 0;
    bool LoadTargetFlag = false;
    bool LoadVariablesFlag = false;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// GotoFrame2 (0x9F): UB[6] 0, UB[1] SceneBiasFlag, UB[1] PlayFlag; SceneBias (UI16) with the flag.
class TSWFActionGotoFrame2 : public TSWFRecordValue<TSWFActionGotoFrame2, TSWFAction4> {
public:
    TSWFActionGotoFrame2() : TSWFRecordValue(actionGotoFrame2) {}
    bool PlayFlag = false;
    bool SceneBiasFlag = false;
    std::uint16_t SceneBias() const { return sceneBias_; }
    // Sets the bias and SceneBiasFlag.
    void SetSceneBias(std::uint16_t bias) {
        sceneBias_ = bias;
        SceneBiasFlag = true;
    }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;

private:
    std::uint16_t sceneBias_ = 0;
};

// WaitForFrame2 (0x8D): no payload by default (8D 00 00); a SkipCount byte when one is set
// or read.
class TSWFActionWaitForFrame2 : public TSWFRecordValue<TSWFActionWaitForFrame2, TSWFAction4> {
public:
    TSWFActionWaitForFrame2() : TSWFRecordValue(actionWaitForFrame2) {}
    bool HasSkipCount = false;
    std::uint8_t SkipCount() const { return skipCount_; }
    void SetSkipCount(std::uint8_t count) {
        skipCount_ = count;
        HasSkipCount = true;
    }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;

private:
    std::uint8_t skipCount_ = 0;
};

// ---- SWF 5 ----

using TSWFActionCallFunction = TSWFPlainAction<actionCallFunction, TSWFAction5>;
using TSWFActionCallMethod = TSWFPlainAction<actionCallMethod, TSWFAction5>;
using TSWFActionDefineLocal = TSWFPlainAction<actionDefineLocal, TSWFAction5>;
using TSWFActionDefineLocal2 = TSWFPlainAction<actionDefineLocal2, TSWFAction5>;
using TSWFActionDelete = TSWFPlainAction<actionDelete, TSWFAction5>;
using TSWFActionDelete2 = TSWFPlainAction<actionDelete2, TSWFAction5>;
using TSWFActionEnumerate = TSWFPlainAction<actionEnumerate, TSWFAction5>;
using TSWFActionEquals2 = TSWFPlainAction<actionEquals2, TSWFAction5>;
using TSWFActionGetMember = TSWFPlainAction<actionGetMember, TSWFAction5>;
using TSWFActionInitArray = TSWFPlainAction<actionInitArray, TSWFAction5>;
using TSWFActionInitObject = TSWFPlainAction<actionInitObject, TSWFAction5>;
using TSWFActionNewMethod = TSWFPlainAction<actionNewMethod, TSWFAction5>;
using TSWFActionNewObject = TSWFPlainAction<actionNewObject, TSWFAction5>;
using TSWFActionSetMember = TSWFPlainAction<actionSetMember, TSWFAction5>;
using TSWFActionTargetPath = TSWFPlainAction<actionTargetPath, TSWFAction5>;
using TSWFActionToNumber = TSWFPlainAction<actionToNumber, TSWFAction5>;
using TSWFActionToString = TSWFPlainAction<actionToString, TSWFAction5>;
using TSWFActionTypeOf = TSWFPlainAction<actionTypeOf, TSWFAction5>;
using TSWFActionAdd2 = TSWFPlainAction<actionAdd2, TSWFAction5>;
using TSWFActionLess2 = TSWFPlainAction<actionLess2, TSWFAction5>;
using TSWFActionModulo = TSWFPlainAction<actionModulo, TSWFAction5>;
using TSWFActionBitAnd = TSWFPlainAction<actionBitAnd, TSWFAction5>;
using TSWFActionBitLShift = TSWFPlainAction<actionBitLShift, TSWFAction5>;
using TSWFActionBitOr = TSWFPlainAction<actionBitOr, TSWFAction5>;
using TSWFActionBitRShift = TSWFPlainAction<actionBitRShift, TSWFAction5>;
using TSWFActionBitURShift = TSWFPlainAction<actionBitURShift, TSWFAction5>;
using TSWFActionBitXor = TSWFPlainAction<actionBitXor, TSWFAction5>;
using TSWFActionDecrement = TSWFPlainAction<actionDecrement, TSWFAction5>;
using TSWFActionIncrement = TSWFPlainAction<actionIncrement, TSWFAction5>;
using TSWFActionPushDuplicate = TSWFPlainAction<actionPushDuplicate, TSWFAction5>;
using TSWFActionReturn = TSWFPlainAction<actionReturn, TSWFAction5>;
using TSWFActionStackSwap = TSWFPlainAction<actionStackSwap, TSWFAction5>;

// A record whose payload ends with the 16-bit size of the block of actions that follows it
// (DefineFunction, DefineFunction2, With): a fixed value, or the distance to an end marker
// placed after the block.
template <class Base>
class TSWFBlockAction : public Base {
public:
    using Base::Base;

    std::uint16_t BlockSize() const { return static_cast<std::uint16_t>(blockSize_.Value()); }
    // Sets the size explicitly (it then wins over the marker).
    void SetBlockSize(std::uint16_t size) { blockSize_.SetValue(size); }
    bool StaticBlockSize() const { return blockSize_.Static; }
    // The marker that closes the block, created on first access.
    TSWFOffsetMarker& EndMarker() { return blockSize_.Link.GetOrCreate(); }
    TSWFOffsetMarker* EndMarkerIfAny() const { return blockSize_.Link.Get(); }
    void SetEndMarker(TSWFOffsetMarker* marker) {
        blockSize_.Link.Set(marker);
        blockSize_.Static = false;
    }
    std::vector<TSWFMarkedField*> MarkedFields() override { return {&blockSize_}; }

protected:
    TSWFMarkedField blockSize_{false};
};

// ConstantPool (0x88): Count (UI16), then the strings.
class TSWFActionConstantPool : public TSWFRecordValue<TSWFActionConstantPool, TSWFAction5> {
public:
    TSWFActionConstantPool() : TSWFRecordValue(actionConstantPool) {}
    std::vector<std::string> Constants;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// DefineFunction (0x9B): FunctionName, NumParams (UI16), the parameter names, CodeSize (UI16):
// the body's length, fixed or up to the end marker placed after the body.
class TSWFActionDefineFunction : public TSWFRecordValue<TSWFActionDefineFunction, TSWFBlockAction<TSWFAction5>> {
public:
    TSWFActionDefineFunction() : TSWFRecordValue(actionDefineFunction) {}
    std::string FunctionName;
    std::vector<std::string> Params;

    std::uint16_t CodeSize() const { return BlockSize(); }
    void SetCodeSize(std::uint16_t size) { SetBlockSize(size); }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// With (0x94): Size (UI16) of the block, fixed or up to the end marker.
class TSWFActionWith : public TSWFRecordValue<TSWFActionWith, TSWFBlockAction<TSWFAction5>> {
public:
    TSWFActionWith() : TSWFRecordValue(actionWith) {}

    std::uint16_t Size() const { return BlockSize(); }
    void SetSize(std::uint16_t size) { SetBlockSize(size); }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// StoreRegister (0x87): RegisterNumber (UI8).
class TSWFActionStoreRegister : public TSWFRecordValue<TSWFActionStoreRegister, TSWFAction5> {
public:
    TSWFActionStoreRegister() : TSWFRecordValue(actionStoreRegister) {}
    std::uint8_t RegisterNumber = 0;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// ---- SWF 6 ----

using TSWFActionInstanceOf = TSWFPlainAction<actionInstanceOf, TSWFAction6>;
using TSWFActionEnumerate2 = TSWFPlainAction<actionEnumerate2, TSWFAction6>;
using TSWFActionStrictEquals = TSWFPlainAction<actionStrictEquals, TSWFAction6>;
using TSWFActionGreater = TSWFPlainAction<actionGreater, TSWFAction6>;
using TSWFActionStringGreater = TSWFPlainAction<actionStringGreater, TSWFAction6>;

// ---- SWF 7 ----

using TSWFActionExtends = TSWFPlainAction<actionExtends, TSWFAction7>;
using TSWFActionCastOp = TSWFPlainAction<actionCastOp, TSWFAction7>;
using TSWFActionImplementsOp = TSWFPlainAction<actionImplementsOp, TSWFAction7>;
using TSWFActionThrow = TSWFPlainAction<actionThrow, TSWFAction7>;

// A DefineFunction2 parameter: the register it is preloaded into (0: none) and its name.
struct TSWFRegisterParam {
    std::uint8_t Register = 0;
    std::string Name;
    bool operator==(const TSWFRegisterParam&) const = default;
};

// DefineFunction2 (0x8E): FunctionName; NumParams (UI16); RegisterCount (UI8); the flags
// PreloadParent, PreloadRoot, SuppressSuper, PreloadSuper, SuppressArguments,
// PreloadArguments, SuppressThis, PreloadThis (one byte, first most significant); UB[7] 0,
// UB[1] PreloadGlobal; the (register, name) parameters; CodeSize (UI16), fixed or to a marker.
class TSWFActionDefineFunction2 : public TSWFRecordValue<TSWFActionDefineFunction2, TSWFBlockAction<TSWFAction7>> {
public:
    TSWFActionDefineFunction2() : TSWFRecordValue(actionDefineFunction2) {}
    std::string FunctionName;
    std::uint8_t RegisterCount = 0;
    bool PreloadParent = false;
    bool PreloadRoot = false;
    bool SuppressSuper = false;
    bool PreloadSuper = false;
    bool SuppressArguments = false;
    bool PreloadArguments = false;
    bool SuppressThis = false;
    bool PreloadThis = false;
    bool PreloadGlobal = false;
    std::vector<TSWFRegisterParam> Params;

    void AddParam(std::uint8_t reg, std::string name) { Params.push_back({reg, std::move(name)}); }
    std::uint16_t CodeSize() const { return BlockSize(); }
    void SetCodeSize(std::uint16_t size) { SetBlockSize(size); }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
};

// Try (0x8F): UB[5] 0, UB[1] CatchInRegister, UB[1] FinallyBlock, UB[1] CatchBlock;
// TrySize, CatchSize, FinallySize (UI16 each); CatchRegister (UI8) with CatchInRegister, else
// CatchName. The sizes are given explicitly; each may instead be resolved through a marker
// that ends its block (the try block ends TrySize bytes after the record, the catch block
// CatchSize bytes after the try block, the finally block FinallySize bytes after that).
class TSWFActionTry : public TSWFRecordValue<TSWFActionTry, TSWFAction7> {
public:
    TSWFActionTry() : TSWFRecordValue(actionTry) {}
    bool CatchInRegister = false;
    bool FinallyBlock = false;
    bool CatchBlock = false;
    std::uint8_t CatchRegister = 0;
    std::string CatchName;

    std::uint16_t TrySize() const { return static_cast<std::uint16_t>(trySize_.Value()); }
    std::uint16_t CatchSize() const { return static_cast<std::uint16_t>(catchSize_.Value()); }
    std::uint16_t FinallySize() const { return static_cast<std::uint16_t>(finallySize_.Value()); }
    void SetTrySize(std::uint16_t size) { trySize_.SetValue(size); }
    void SetCatchSize(std::uint16_t size) { catchSize_.SetValue(size); }
    void SetFinallySize(std::uint16_t size) { finallySize_.SetValue(size); }
    // Markers at the ends of the blocks, created on first access; they must be placed in
    // block order.
    TSWFOffsetMarker& TryEndMarker() { return trySize_.Link.GetOrCreate(); }
    TSWFOffsetMarker& CatchEndMarker() { return catchSize_.Link.GetOrCreate(); }
    TSWFOffsetMarker& FinallyEndMarker() { return finallySize_.Link.GetOrCreate(); }

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;
    std::vector<TSWFMarkedField*> MarkedFields() override { return {&trySize_, &catchSize_, &finallySize_}; }

private:
    TSWFMarkedField trySize_{false};
    TSWFMarkedField catchSize_{false};
    TSWFMarkedField finallySize_{false};
};

}  // namespace pellicor
