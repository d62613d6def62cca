#pragma once

// Action records: the base record class with its framing, the version bases, branch markers
// and the fields that refer to them, raw byte code, and the action factory. The concrete
// records are in swf/action_records.h, the owning list in swf/action_list.h.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/record_value.h"
#include "swf/swf_error.h"

namespace pellicor {

// ---- action codes (the standard codes) ----
// SWF 3
inline constexpr std::uint8_t actionEnd = 0x00;
inline constexpr std::uint8_t actionNextFrame = 0x04;
inline constexpr std::uint8_t actionPreviousFrame = 0x05;
inline constexpr std::uint8_t actionPlay = 0x06;
inline constexpr std::uint8_t actionStop = 0x07;
inline constexpr std::uint8_t actionToggleQuality = 0x08;
inline constexpr std::uint8_t actionStopSounds = 0x09;
inline constexpr std::uint8_t actionGotoFrame = 0x81;
inline constexpr std::uint8_t actionGetURL = 0x83;
inline constexpr std::uint8_t actionWaitForFrame = 0x8A;
inline constexpr std::uint8_t actionSetTarget = 0x8B;
inline constexpr std::uint8_t actionGoToLabel = 0x8C;
// SWF 4
inline constexpr std::uint8_t actionAdd = 0x0A;
inline constexpr std::uint8_t actionSubtract = 0x0B;
inline constexpr std::uint8_t actionMultiply = 0x0C;
inline constexpr std::uint8_t actionDivide = 0x0D;
inline constexpr std::uint8_t actionEquals = 0x0E;
inline constexpr std::uint8_t actionLess = 0x0F;
inline constexpr std::uint8_t actionAnd = 0x10;
inline constexpr std::uint8_t actionOr = 0x11;
inline constexpr std::uint8_t actionNot = 0x12;
inline constexpr std::uint8_t actionStringEquals = 0x13;
inline constexpr std::uint8_t actionStringLength = 0x14;
inline constexpr std::uint8_t actionStringExtract = 0x15;
inline constexpr std::uint8_t actionPop = 0x17;
inline constexpr std::uint8_t actionToInteger = 0x18;
inline constexpr std::uint8_t actionGetVariable = 0x1C;
inline constexpr std::uint8_t actionSetVariable = 0x1D;
inline constexpr std::uint8_t actionSetTarget2 = 0x20;
inline constexpr std::uint8_t actionStringAdd = 0x21;
inline constexpr std::uint8_t actionGetProperty = 0x22;
inline constexpr std::uint8_t actionSetProperty = 0x23;
inline constexpr std::uint8_t actionCloneSprite = 0x24;
inline constexpr std::uint8_t actionRemoveSprite = 0x25;
inline constexpr std::uint8_t actionTrace = 0x26;
inline constexpr std::uint8_t actionStartDrag = 0x27;
inline constexpr std::uint8_t actionEndDrag = 0x28;
inline constexpr std::uint8_t actionStringLess = 0x29;
inline constexpr std::uint8_t actionRandomNumber = 0x30;
inline constexpr std::uint8_t actionMBStringLength = 0x31;
inline constexpr std::uint8_t actionCharToAscii = 0x32;
inline constexpr std::uint8_t actionAsciiToChar = 0x33;
inline constexpr std::uint8_t actionGetTime = 0x34;
inline constexpr std::uint8_t actionMBStringExtract = 0x35;
inline constexpr std::uint8_t actionMBCharToAscii = 0x36;
inline constexpr std::uint8_t actionMBAsciiToChar = 0x37;
inline constexpr std::uint8_t actionWaitForFrame2 = 0x8D;
inline constexpr std::uint8_t actionPush = 0x96;
inline constexpr std::uint8_t actionJump = 0x99;
inline constexpr std::uint8_t actionGetURL2 = 0x9A;
inline constexpr std::uint8_t actionIf = 0x9D;
inline constexpr std::uint8_t actionCall = 0x9E;
inline constexpr std::uint8_t actionGotoFrame2 = 0x9F;
// SWF 5
inline constexpr std::uint8_t actionDelete = 0x3A;
inline constexpr std::uint8_t actionDelete2 = 0x3B;
inline constexpr std::uint8_t actionDefineLocal = 0x3C;
inline constexpr std::uint8_t actionCallFunction = 0x3D;
inline constexpr std::uint8_t actionReturn = 0x3E;
inline constexpr std::uint8_t actionModulo = 0x3F;
inline constexpr std::uint8_t actionNewObject = 0x40;
inline constexpr std::uint8_t actionDefineLocal2 = 0x41;
inline constexpr std::uint8_t actionInitArray = 0x42;
inline constexpr std::uint8_t actionInitObject = 0x43;
inline constexpr std::uint8_t actionTypeOf = 0x44;
inline constexpr std::uint8_t actionTargetPath = 0x45;
inline constexpr std::uint8_t actionEnumerate = 0x46;
inline constexpr std::uint8_t actionAdd2 = 0x47;
inline constexpr std::uint8_t actionLess2 = 0x48;
inline constexpr std::uint8_t actionEquals2 = 0x49;
inline constexpr std::uint8_t actionToNumber = 0x4A;
inline constexpr std::uint8_t actionToString = 0x4B;
inline constexpr std::uint8_t actionPushDuplicate = 0x4C;
inline constexpr std::uint8_t actionStackSwap = 0x4D;
inline constexpr std::uint8_t actionGetMember = 0x4E;
inline constexpr std::uint8_t actionSetMember = 0x4F;
inline constexpr std::uint8_t actionIncrement = 0x50;
inline constexpr std::uint8_t actionDecrement = 0x51;
inline constexpr std::uint8_t actionCallMethod = 0x52;
inline constexpr std::uint8_t actionNewMethod = 0x53;
inline constexpr std::uint8_t actionBitAnd = 0x60;
inline constexpr std::uint8_t actionBitOr = 0x61;
inline constexpr std::uint8_t actionBitXor = 0x62;
inline constexpr std::uint8_t actionBitLShift = 0x63;
inline constexpr std::uint8_t actionBitRShift = 0x64;
inline constexpr std::uint8_t actionBitURShift = 0x65;
inline constexpr std::uint8_t actionStoreRegister = 0x87;
inline constexpr std::uint8_t actionConstantPool = 0x88;
inline constexpr std::uint8_t actionWith = 0x94;
inline constexpr std::uint8_t actionDefineFunction = 0x9B;
// SWF 6
inline constexpr std::uint8_t actionInstanceOf = 0x54;
inline constexpr std::uint8_t actionEnumerate2 = 0x55;
inline constexpr std::uint8_t actionStrictEquals = 0x66;
inline constexpr std::uint8_t actionGreater = 0x67;
inline constexpr std::uint8_t actionStringGreater = 0x68;
// SWF 7
inline constexpr std::uint8_t actionExtends = 0x69;
inline constexpr std::uint8_t actionThrow = 0x2A;
inline constexpr std::uint8_t actionCastOp = 0x2B;
inline constexpr std::uint8_t actionImplementsOp = 0x2C;
inline constexpr std::uint8_t actionDefineFunction2 = 0x8E;
inline constexpr std::uint8_t actionTry = 0x8F;
// Pseudo codes: never written as codes.
inline constexpr std::uint8_t actionByteCode = 0xFE;
inline constexpr std::uint8_t actionOffsetMarker = 0xFF;

class TSWFMarkedField;

// One action record. WriteToStream frames the payload that WriteActionBody produces.
// Records copy as values: each concrete class derives through TSWFRecordValue, which gives
// it Assign and Clone on top of its defaulted copy.
class TSWFAction {
public:
    using TRecordRoot = TSWFAction;

    explicit TSWFAction(std::uint8_t actionCode) : actionCode_(actionCode) {}
    virtual ~TSWFAction() = default;

    std::uint8_t ActionCode() const { return actionCode_; }
    // Payload length, set when the record is written or read.
    std::uint16_t Length = 0;
    // Where the record started in the target stream when it was last written.
    std::uint64_t Position() const { return position_; }

    // Copies the contents of a record of the same class (ESWFError otherwise).
    virtual void Assign(const TSWFAction& source) = 0;
    // 3 for the actions of SWF 3; the version bases raise it.
    virtual int MinVersion() const { return 3; }
    // Parses the payload from an engine that holds exactly Length bytes; skips them here.
    virtual void ReadActionBody(TBitsEngine& engine);
    // Writes the payload; nothing here.
    virtual void WriteActionBody(TBitsEngine& engine);
    // The whole record: code, then for codes from 0x80 the UI16 length and the payload.
    // Pseudo-actions (0xFE, 0xFF) write only what WriteActionBody writes.
    virtual void WriteToStream(TBitsEngine& engine);

    // The 16-bit fields that may refer to markers, in payload order (branch offset, block
    // sizes); each is measured from where the previous one ends, the first from the record end.
    virtual std::vector<TSWFMarkedField*> MarkedFields() { return {}; }
    // A new record of the same class with the same contents.
    virtual std::unique_ptr<TSWFAction> Clone() const = 0;

protected:
    // Only whole records copy (through their own class), never a record's base part alone.
    TSWFAction(const TSWFAction&) = default;
    TSWFAction& operator=(const TSWFAction&) = default;

    // ESWFError unless source is a record of this record's class and code.
    void RequireSameClass(const TSWFAction& source) const;
    // Absolute position of the payload start in the target while WriteActionBody runs.
    std::uint64_t PayloadPosition() const { return position_ + 3; }

private:
    std::uint8_t actionCode_;
    std::uint64_t position_ = 0;
};

// The version bases: each only raises MinVersion.
class TSWFAction4 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int MinVersion() const override { return 4; }
};
class TSWFAction5 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int MinVersion() const override { return 5; }
};
class TSWFAction6 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int MinVersion() const override { return 6; }
};
class TSWFAction7 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int MinVersion() const override { return 7; }
};

// An action without payload fields: its class is fixed by its code and version base.
template <std::uint8_t Code, class Base>
class TSWFPlainAction final : public TSWFRecordValue<TSWFPlainAction<Code, Base>, Base> {
public:
    TSWFPlainAction() : TSWFRecordValue<TSWFPlainAction, Base>(Code) {}
};

class TSWFOffsetMarker;

// Where a marked field measures its distance from: a marker's position (when Marker is set)
// plus Offset, or the absolute position Offset.
struct TSWFFieldBase {
    const TSWFOffsetMarker* Marker = nullptr;
    std::int64_t Offset = 0;
};

class TSWFMarkerLink;

// A position in an action list that branch offsets and block sizes refer to. It writes no
// bytes: when written it records its position and patches the fields of records written
// before it that refer to it (forward references); records written after it compute their
// distance at once (backward references).
class TSWFOffsetMarker : public TSWFRecordValue<TSWFOffsetMarker, TSWFAction> {
public:
    TSWFOffsetMarker() : TSWFRecordValue(actionOffsetMarker) {}

    // True when the marker comes before the records that refer to it. The reader sets it;
    // writing finds the direction by itself (a marker already written in the pass is behind).
    bool JumpToBack = true;
    // A disabled marker is ignored: referring records write their own fixed value.
    bool Enabled = true;
    std::string Label;
    // Width in bytes of the fields it resolves (2: UI16; 4: UI32 for other records).
    std::uint8_t SizeOffset = 2;

    // The marker sits in an action list, which owns it.
    bool ManagedByList() const { return place_.ManagedByList; }
    // Written in the current pass, at StartPosition.
    bool Placed() const { return place_.Placed; }
    std::uint64_t StartPosition() const { return place_.StartPosition; }

    void ReadActionBody(TBitsEngine& engine) override;
    // Records the position and patches the pending forward references.
    void WriteActionBody(TBitsEngine& engine) override;

    // Forgets the positions of the previous pass (the list calls it before writing).
    void ResetPass();
    // Writes a field of `width` bytes (must equal SizeOffset) at the payload engine's position,
    // whose absolute position in the target is fieldPosition: the distance from base to this
    // marker when the marker is already placed, else zeros to be patched when it is.
    void WriteReference(TBitsEngine& payload, std::uint64_t fieldPosition, const TSWFFieldBase& base,
                        bool isSigned, unsigned width = 2);

private:
    friend class TSWFMarkerLink;
    friend class TSWFActionList;

    struct TPendingField {
        std::uint64_t FieldPosition;
        TSWFFieldBase Base;
        bool Signed;
        unsigned Width;
    };
    // Where the marker sits (in a list, or owned by a record's link) and what the current
    // pass found. None of it is copied: a copy starts outside any list and pass, and a
    // marker assigned from another keeps its own place.
    struct TPlace {
        bool ManagedByList = false;
        TSWFMarkerLink* Owner = nullptr;
        bool Placed = false;
        std::uint64_t StartPosition = 0;
        std::vector<TPendingField> Pending;

        TPlace() = default;
        TPlace(const TPlace&) {}
        TPlace& operator=(const TPlace&) { return *this; }
    };
    std::int64_t Distance(const TSWFFieldBase& base, bool isSigned, unsigned width) const;

    TPlace place_;
};

// A record's reference to a marker: either a marker the record owns (created on first
// access, until a list takes it over) or a borrowed one (in a list, which owns it).
class TSWFMarkerLink {
public:
    TSWFMarkerLink() = default;
    ~TSWFMarkerLink();
    // A copy owns a copy of an owned marker and shares a borrowed one; a list that is
    // copied then points the shared ones at its own copies of the markers.
    TSWFMarkerLink(const TSWFMarkerLink& source) { CopyFrom(source); }
    TSWFMarkerLink& operator=(const TSWFMarkerLink& source) {
        if (this != &source) CopyFrom(source);
        return *this;
    }

    TSWFOffsetMarker* Get() const { return marker_; }
    // The marker; a new one owned by this link when there is none.
    TSWFOffsetMarker& GetOrCreate();
    // Refers to a marker owned elsewhere (nullptr: none); an owned one is freed.
    void Set(TSWFOffsetMarker* marker);
    bool OwnsMarker() const { return owned_ != nullptr; }

private:
    friend class TSWFActionList;
    void CopyFrom(const TSWFMarkerLink& source);
    std::unique_ptr<TSWFOffsetMarker> ReleaseOwned();

    TSWFOffsetMarker* marker_ = nullptr;
    std::unique_ptr<TSWFOffsetMarker> owned_;
};

// A 16-bit branch offset or block size: a fixed value, or the distance to a marker.
// The fixed value wins when Static is set (setting a value sets it) or when there is no
// enabled marker.
class TSWFMarkedField {
public:
    explicit TSWFMarkedField(bool isSigned) : signed_(isSigned) {}

    int Value() const { return value_; }
    // Sets the fixed value (kept to the field's range) and Static.
    void SetValue(int value);
    bool Static = false;
    bool IsSigned() const { return signed_; }
    TSWFMarkerLink Link;

    // The marker the field resolves through when written, or nullptr.
    TSWFOffsetMarker* ActiveMarker() const;
    // The field at the payload engine's position; fieldPosition is its absolute position.
    void Write(TBitsEngine& payload, std::uint64_t fieldPosition, const TSWFFieldBase& base) const;
    // The field as the last one of a payload that starts at payloadPosition: measured from
    // the end of the record.
    void WriteTrailing(TBitsEngine& payload, std::uint64_t payloadPosition) const;
    // Reads the fixed value (sets Static).
    void Read(TBitsEngine& payload);
    // Where the next field of a chain measures from, when this one is measured from base.
    TSWFFieldBase EndOf(const TSWFFieldBase& base) const;

private:
    bool signed_;
    int value_ = 0;
};

// Raw, already-encoded action bytes (owned, or borrowed from the caller, who keeps them
// alive), written as they are. A copy copies owned bytes and borrows the same borrowed ones.
class TSWFActionByteCode : public TSWFRecordValue<TSWFActionByteCode, TSWFAction4> {
public:
    TSWFActionByteCode() : TSWFRecordValue(actionByteCode) {}
    explicit TSWFActionByteCode(std::vector<std::uint8_t> bytes) : TSWFActionByteCode() {
        SetBytes(std::move(bytes));
    }

    std::span<const std::uint8_t> Bytes() const;
    bool OwnsBytes() const { return std::holds_alternative<std::vector<std::uint8_t>>(bytes_); }
    void SetBytes(std::vector<std::uint8_t> bytes) { bytes_ = std::move(bytes); }
    void BorrowBytes(std::span<const std::uint8_t> bytes) { bytes_ = bytes; }
    // True when the bytes end with an ActionEnd record: they frame as whole records and the
    // last one has code 0 (bytes that do not frame: when the last byte is 0).
    bool EndsWithActionEnd() const;

    void ReadActionBody(TBitsEngine& engine) override;
    void WriteActionBody(TBitsEngine& engine) override;

private:
    std::variant<std::vector<std::uint8_t>, std::span<const std::uint8_t>> bytes_;
};

// The action factory: a new, empty record of the class for the code (0xFE: byte code,
// 0xFF: marker); nullptr for codes without a class.
std::unique_ptr<TSWFAction> CreateSWFAction(std::uint8_t code);
// The codes the factory knows, ascending (the 99 actions and the two pseudo codes).
std::vector<std::uint8_t> KnownSWFActionCodes();
// The standard name of an action ("GetURL2"), "ByteCode", "OffsetMarker", or "Unknown".
const char* SWFActionName(std::uint8_t code);

}  // namespace pellicor
