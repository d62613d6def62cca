#include "swf/action_records.h"

#include <bit>
#include <cmath>
#include <iterator>
#include <limits>

#include "swf/swf_helpers.h"

namespace pellicor {

// ---- SWF 3 ----

void TSWFActionGotoFrame::ReadActionBody(TBitsEngine& engine) { Frame = engine.ReadWord(); }

void TSWFActionGotoFrame::WriteActionBody(TBitsEngine& engine) { engine.WriteWord(Frame); }

void TSWFActionGetURL::ReadActionBody(TBitsEngine& engine) {
    URL = engine.ReadString();
    Target = engine.ReadString();
}

void TSWFActionGetURL::WriteActionBody(TBitsEngine& engine) {
    engine.WriteString(URL, true, true);
    engine.WriteString(Target);
}

void TSWFActionWaitForFrame::ReadActionBody(TBitsEngine& engine) {
    Frame = engine.ReadWord();
    SkipCount = engine.ReadByte();
}

void TSWFActionWaitForFrame::WriteActionBody(TBitsEngine& engine) {
    engine.WriteWord(Frame);
    engine.WriteByte(SkipCount);
}

void TSWFActionSetTarget::ReadActionBody(TBitsEngine& engine) { TargetName = engine.ReadString(); }

void TSWFActionSetTarget::WriteActionBody(TBitsEngine& engine) { engine.WriteString(TargetName); }

void TSWFActionGoToLabel::ReadActionBody(TBitsEngine& engine) { Label = engine.ReadString(); }

void TSWFActionGoToLabel::WriteActionBody(TBitsEngine& engine) { engine.WriteString(Label); }

// ---- Push ----

std::uint8_t TPushValueInfo::InferType(const TPushVariant& value) {
    switch (value.index()) {
        case 0: return pushUndefined;
        case 1: return pushNull;
        case 2: return pushBoolean;
        case 3: return pushInteger;
        case 4: return pushFloat;
        case 5: return pushDouble;
        default: {
            const auto& text = std::get<std::string>(value);
            if (text == "FlashVar_null") return pushNull;
            if (text == "FlashVar_undefined") return pushUndefined;
            return pushString;
        }
    }
}

namespace {

// The numeric value of an integer, boolean, single or double; nothing for other kinds.
bool NumericValue(const TPushVariant& value, double& number) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) number = *i;
    else if (const auto* f = std::get_if<float>(&value)) number = *f;
    else if (const auto* d = std::get_if<double>(&value)) number = *d;
    else if (const auto* b = std::get_if<bool>(&value)) number = *b ? 1 : 0;
    else return false;
    return true;
}

// A whole number in [low, high] from an integer, boolean or integral floating value.
bool WholeValue(const TPushVariant& value, std::int64_t low, std::int64_t high, std::int32_t& result) {
    double number;
    if (!NumericValue(value, number) || !std::isfinite(number) || number != std::trunc(number)) return false;
    if (number < static_cast<double>(low) || number > static_cast<double>(high)) return false;
    result = static_cast<std::int32_t>(static_cast<std::int64_t>(number));
    return true;
}

}  // namespace

TPushValueInfo TPushValueInfo::Make(const TPushVariant& value, std::uint8_t valueType) {
    TPushValueInfo info;
    info.ValueType = valueType == pushInferType ? InferType(value) : valueType;
    double number = 0;
    std::int32_t whole = 0;
    switch (info.ValueType) {
        case pushString:
            if (const auto* text = std::get_if<std::string>(&value)) info.Value = *text;
            else if (const auto* i = std::get_if<std::int32_t>(&value)) info.Value = std::to_string(*i);
            else info.IsValid = false;
            break;
        case pushFloat:
            if (std::holds_alternative<bool>(value) || !NumericValue(value, number)) info.IsValid = false;
            else info.Value = static_cast<float>(number);
            break;
        case pushDouble:
            if (std::holds_alternative<bool>(value) || !NumericValue(value, number)) info.IsValid = false;
            else info.Value = number;
            break;
        case pushNull:
            info.Value = nullptr;
            break;
        case pushUndefined:
            info.Value = std::monostate();
            break;
        case pushBoolean:
            if (std::holds_alternative<bool>(value)) info.Value = value;
            else if (const auto* i = std::get_if<std::int32_t>(&value)) info.Value = *i != 0;
            else info.IsValid = false;
            break;
        case pushInteger:
            info.IsValid = WholeValue(value, std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max(), whole);
            info.Value = whole;
            break;
        case pushRegister:
        case pushConstant8:
            info.IsValid = !std::holds_alternative<bool>(value) && WholeValue(value, 0, 0xFF, whole);
            info.Value = whole;
            break;
        case pushConstant16:
            info.IsValid = !std::holds_alternative<bool>(value) && WholeValue(value, 0, 0xFFFF, whole);
            info.Value = whole;
            break;
        default:
            info.IsValid = false;
            info.Value = value;
            break;
    }
    return info;
}

std::int32_t TPushValueInfo::Integer() const {
    const auto* i = std::get_if<std::int32_t>(&Value);
    return i ? *i : 0;
}

double TPushValueInfo::Number() const {
    double number = 0;
    return NumericValue(Value, number) ? number : 0;
}

bool TPushValueInfo::Boolean() const {
    const auto* b = std::get_if<bool>(&Value);
    return b && *b;
}

TPushValueInfo& TSWFActionPush::AddValue(const TPushVariant& value, std::uint8_t valueType) {
    Values.push_back(TPushValueInfo::Make(value, valueType));
    return Values.back();
}

int TSWFActionPush::MinVersion() const {
    for (const auto& value : Values)
        if (value.IsValid && value.ValueType > pushFloat) return 5;
    return 4;
}

void TSWFActionPush::ReadActionBody(TBitsEngine& engine) {
    Values.clear();
    while (engine.BytesLeft() > 0) {
        TPushValueInfo info;
        info.ValueType = engine.ReadByte();
        switch (info.ValueType) {
            case pushString: info.Value = engine.ReadString(); break;
            case pushFloat: info.Value = engine.ReadFloat(); break;
            case pushNull: info.Value = nullptr; break;
            case pushUndefined: break;
            case pushRegister:
            case pushConstant8: info.Value = static_cast<std::int32_t>(engine.ReadByte()); break;
            case pushBoolean: info.Value = engine.ReadByte() != 0; break;
            case pushDouble: {
                const std::uint64_t high = engine.ReadDWord();
                const std::uint64_t low = engine.ReadDWord();
                info.Value = std::bit_cast<double>((high << 32) | low);
                break;
            }
            case pushInteger: info.Value = static_cast<std::int32_t>(engine.ReadDWord()); break;
            case pushConstant16: info.Value = static_cast<std::int32_t>(engine.ReadWord()); break;
            default:
                throw ESWFReadError("Push value of unknown type " + std::to_string(info.ValueType));
        }
        Values.push_back(std::move(info));
    }
}

void TSWFActionPush::WriteActionBody(TBitsEngine& engine) {
    for (const auto& value : Values) {
        if (!value.IsValid) continue;
        engine.WriteByte(value.ValueType);
        switch (value.ValueType) {
            case pushString: engine.WriteString(value.String() ? *value.String() : std::string()); break;
            case pushFloat: engine.WriteFloat(static_cast<float>(value.Number())); break;
            case pushRegister:
            case pushConstant8: engine.WriteByte(static_cast<std::uint8_t>(value.Integer())); break;
            case pushBoolean: engine.WriteByte(value.Boolean() ? 1 : 0); break;
            case pushDouble: {
                const auto bits = std::bit_cast<std::uint64_t>(value.Number());
                engine.WriteDWord(static_cast<std::uint32_t>(bits >> 32));
                engine.WriteDWord(static_cast<std::uint32_t>(bits));
                break;
            }
            case pushInteger: engine.WriteDWord(static_cast<std::uint32_t>(value.Integer())); break;
            case pushConstant16: engine.WriteWord(static_cast<std::uint16_t>(value.Integer())); break;
            default: break;  // null, undefined: the type alone
        }
    }
}

// ---- Jump, If ----

void TSWFActionJump::ReadActionBody(TBitsEngine& engine) { branch_.Read(engine); }

void TSWFActionJump::WriteActionBody(TBitsEngine& engine) { branch_.WriteTrailing(engine, PayloadPosition()); }

// ---- GetURL2, GotoFrame2, WaitForFrame2 ----

void TSWFActionGetURL2::ReadActionBody(TBitsEngine& engine) {
    SendVarsMethod = static_cast<std::uint8_t>(engine.ReadBits(2));
    engine.ReadBits(4);
    LoadTargetFlag = engine.ReadBit();
    LoadVariablesFlag = engine.ReadBit();
}

void TSWFActionGetURL2::WriteActionBody(TBitsEngine& engine) {
    engine.WriteBits(SendVarsMethod, 2);
    engine.WriteBits(0, 4);
    engine.WriteBit(LoadTargetFlag);
    engine.WriteBit(LoadVariablesFlag);
}

void TSWFActionGotoFrame2::ReadActionBody(TBitsEngine& engine) {
    engine.ReadBits(6);
    SceneBiasFlag = engine.ReadBit();
    PlayFlag = engine.ReadBit();
    sceneBias_ = SceneBiasFlag ? engine.ReadWord() : 0;
}

void TSWFActionGotoFrame2::WriteActionBody(TBitsEngine& engine) {
    engine.WriteBits(0, 6);
    engine.WriteBit(SceneBiasFlag);
    engine.WriteBit(PlayFlag);
    if (SceneBiasFlag) engine.WriteWord(sceneBias_);
}

void TSWFActionWaitForFrame2::ReadActionBody(TBitsEngine& engine) {
    HasSkipCount = engine.BytesLeft() > 0;
    skipCount_ = HasSkipCount ? engine.ReadByte() : 0;
}

void TSWFActionWaitForFrame2::WriteActionBody(TBitsEngine& engine) {
    if (HasSkipCount) engine.WriteByte(skipCount_);
}

// ---- SWF 5 ----

void TSWFActionConstantPool::ReadActionBody(TBitsEngine& engine) {
    Constants.clear();
    for (unsigned count = engine.ReadWord(); count > 0; --count) Constants.push_back(engine.ReadString());
}

void TSWFActionConstantPool::WriteActionBody(TBitsEngine& engine) {
    if (Constants.size() > 0xFFFF) throw ESWFError("A constant pool holds at most 65535 strings");
    engine.WriteWord(static_cast<std::uint16_t>(Constants.size()));
    for (const auto& constant : Constants) engine.WriteString(constant);
}

namespace {

std::uint16_t CountField(std::size_t count, const char* what) {
    if (count > 0xFFFF) throw ESWFError(std::string("A function has more than 65535 ") + what);
    return static_cast<std::uint16_t>(count);
}

}  // namespace

void TSWFActionDefineFunction::ReadActionBody(TBitsEngine& engine) {
    FunctionName = engine.ReadString();
    Params.clear();
    for (unsigned count = engine.ReadWord(); count > 0; --count) Params.push_back(engine.ReadString());
    blockSize_.Read(engine);
}

void TSWFActionDefineFunction::WriteActionBody(TBitsEngine& engine) {
    engine.WriteString(FunctionName);
    engine.WriteWord(CountField(Params.size(), "parameters"));
    for (const auto& param : Params) engine.WriteString(param);
    blockSize_.WriteTrailing(engine, PayloadPosition());
}

void TSWFActionWith::ReadActionBody(TBitsEngine& engine) { blockSize_.Read(engine); }

void TSWFActionWith::WriteActionBody(TBitsEngine& engine) { blockSize_.WriteTrailing(engine, PayloadPosition()); }

void TSWFActionStoreRegister::ReadActionBody(TBitsEngine& engine) { RegisterNumber = engine.ReadByte(); }

void TSWFActionStoreRegister::WriteActionBody(TBitsEngine& engine) { engine.WriteByte(RegisterNumber); }

// ---- SWF 7 ----

void TSWFActionDefineFunction2::ReadActionBody(TBitsEngine& engine) {
    FunctionName = engine.ReadString();
    const unsigned count = engine.ReadWord();
    RegisterCount = engine.ReadByte();
    PreloadParent = engine.ReadBit();
    PreloadRoot = engine.ReadBit();
    SuppressSuper = engine.ReadBit();
    PreloadSuper = engine.ReadBit();
    SuppressArguments = engine.ReadBit();
    PreloadArguments = engine.ReadBit();
    SuppressThis = engine.ReadBit();
    PreloadThis = engine.ReadBit();
    engine.ReadBits(7);
    PreloadGlobal = engine.ReadBit();
    Params.clear();
    for (unsigned k = 0; k < count; ++k) {
        TSWFRegisterParam param;
        param.Register = engine.ReadByte();
        param.Name = engine.ReadString();
        Params.push_back(std::move(param));
    }
    blockSize_.Read(engine);
}

void TSWFActionDefineFunction2::WriteActionBody(TBitsEngine& engine) {
    engine.WriteString(FunctionName);
    engine.WriteWord(CountField(Params.size(), "parameters"));
    engine.WriteByte(RegisterCount);
    engine.WriteBit(PreloadParent);
    engine.WriteBit(PreloadRoot);
    engine.WriteBit(SuppressSuper);
    engine.WriteBit(PreloadSuper);
    engine.WriteBit(SuppressArguments);
    engine.WriteBit(PreloadArguments);
    engine.WriteBit(SuppressThis);
    engine.WriteBit(PreloadThis);
    engine.WriteBits(0, 7);
    engine.WriteBit(PreloadGlobal);
    for (const auto& param : Params) {
        engine.WriteByte(param.Register);
        engine.WriteString(param.Name);
    }
    blockSize_.WriteTrailing(engine, PayloadPosition());
}

void TSWFActionTry::ReadActionBody(TBitsEngine& engine) {
    engine.ReadBits(5);
    CatchInRegister = engine.ReadBit();
    FinallyBlock = engine.ReadBit();
    CatchBlock = engine.ReadBit();
    trySize_.Read(engine);
    catchSize_.Read(engine);
    finallySize_.Read(engine);
    CatchRegister = 0;
    CatchName.clear();
    if (CatchInRegister)
        CatchRegister = engine.ReadByte();
    else
        CatchName = engine.ReadString();
}

void TSWFActionTry::WriteActionBody(TBitsEngine& engine) {
    engine.WriteBits(0, 5);
    engine.WriteBit(CatchInRegister);
    engine.WriteBit(FinallyBlock);
    engine.WriteBit(CatchBlock);
    // The try block starts where the record ends: after the flags, the three sizes and the
    // catch register or name.
    const std::uint64_t field = PayloadPosition() + engine.Position();
    const std::uint64_t recordEnd = field + 6 + (CatchInRegister ? 1 : CatchName.size() + 1);
    TSWFFieldBase base{nullptr, static_cast<std::int64_t>(recordEnd)};
    std::uint64_t position = field;
    for (const TSWFMarkedField* size : {&trySize_, &catchSize_, &finallySize_}) {
        size->Write(engine, position, base);
        base = size->EndOf(base);
        position += 2;
    }
    if (CatchInRegister)
        engine.WriteByte(CatchRegister);
    else
        engine.WriteString(CatchName);
}

// ---- the action factory ----

namespace {

struct TActionClass {
    std::uint8_t Code;
    const char* Name;
    std::unique_ptr<TSWFAction> (*Make)();
};

template <class T>
std::unique_ptr<TSWFAction> MakeAction() {
    return std::make_unique<T>();
}

#define PELLICOR_ACTION(name) {action##name, #name, &MakeAction<TSWFAction##name>}

// Ascending by code.
constexpr TActionClass kActionClasses[] = {
    PELLICOR_ACTION(NextFrame), PELLICOR_ACTION(PreviousFrame), PELLICOR_ACTION(Play),
    PELLICOR_ACTION(Stop), PELLICOR_ACTION(ToggleQuality), PELLICOR_ACTION(StopSounds),
    PELLICOR_ACTION(Add), PELLICOR_ACTION(Subtract), PELLICOR_ACTION(Multiply),
    PELLICOR_ACTION(Divide), PELLICOR_ACTION(Equals), PELLICOR_ACTION(Less),
    PELLICOR_ACTION(And), PELLICOR_ACTION(Or), PELLICOR_ACTION(Not),
    PELLICOR_ACTION(StringEquals), PELLICOR_ACTION(StringLength), PELLICOR_ACTION(StringExtract),
    PELLICOR_ACTION(Pop), PELLICOR_ACTION(ToInteger), PELLICOR_ACTION(GetVariable),
    PELLICOR_ACTION(SetVariable), PELLICOR_ACTION(SetTarget2), PELLICOR_ACTION(StringAdd),
    PELLICOR_ACTION(GetProperty), PELLICOR_ACTION(SetProperty), PELLICOR_ACTION(CloneSprite),
    PELLICOR_ACTION(RemoveSprite), PELLICOR_ACTION(Trace), PELLICOR_ACTION(StartDrag),
    PELLICOR_ACTION(EndDrag), PELLICOR_ACTION(StringLess), PELLICOR_ACTION(Throw),
    PELLICOR_ACTION(CastOp), PELLICOR_ACTION(ImplementsOp), PELLICOR_ACTION(RandomNumber),
    PELLICOR_ACTION(MBStringLength), PELLICOR_ACTION(CharToAscii), PELLICOR_ACTION(AsciiToChar),
    PELLICOR_ACTION(GetTime), PELLICOR_ACTION(MBStringExtract), PELLICOR_ACTION(MBCharToAscii),
    PELLICOR_ACTION(MBAsciiToChar), PELLICOR_ACTION(Delete), PELLICOR_ACTION(Delete2),
    PELLICOR_ACTION(DefineLocal), PELLICOR_ACTION(CallFunction), PELLICOR_ACTION(Return),
    PELLICOR_ACTION(Modulo), PELLICOR_ACTION(NewObject), PELLICOR_ACTION(DefineLocal2),
    PELLICOR_ACTION(InitArray), PELLICOR_ACTION(InitObject), PELLICOR_ACTION(TypeOf),
    PELLICOR_ACTION(TargetPath), PELLICOR_ACTION(Enumerate), PELLICOR_ACTION(Add2),
    PELLICOR_ACTION(Less2), PELLICOR_ACTION(Equals2), PELLICOR_ACTION(ToNumber),
    PELLICOR_ACTION(ToString), PELLICOR_ACTION(PushDuplicate), PELLICOR_ACTION(StackSwap),
    PELLICOR_ACTION(GetMember), PELLICOR_ACTION(SetMember), PELLICOR_ACTION(Increment),
    PELLICOR_ACTION(Decrement), PELLICOR_ACTION(CallMethod), PELLICOR_ACTION(NewMethod),
    PELLICOR_ACTION(InstanceOf), PELLICOR_ACTION(Enumerate2), PELLICOR_ACTION(BitAnd),
    PELLICOR_ACTION(BitOr), PELLICOR_ACTION(BitXor), PELLICOR_ACTION(BitLShift),
    PELLICOR_ACTION(BitRShift), PELLICOR_ACTION(BitURShift), PELLICOR_ACTION(StrictEquals),
    PELLICOR_ACTION(Greater), PELLICOR_ACTION(StringGreater), PELLICOR_ACTION(Extends),
    PELLICOR_ACTION(GotoFrame), PELLICOR_ACTION(GetURL), PELLICOR_ACTION(StoreRegister),
    PELLICOR_ACTION(ConstantPool), PELLICOR_ACTION(WaitForFrame), PELLICOR_ACTION(SetTarget),
    PELLICOR_ACTION(GoToLabel), PELLICOR_ACTION(WaitForFrame2), PELLICOR_ACTION(DefineFunction2),
    PELLICOR_ACTION(Try), PELLICOR_ACTION(With), PELLICOR_ACTION(Push),
    PELLICOR_ACTION(Jump), PELLICOR_ACTION(GetURL2), PELLICOR_ACTION(DefineFunction),
    PELLICOR_ACTION(If), PELLICOR_ACTION(Call), PELLICOR_ACTION(GotoFrame2),
    {actionByteCode, "ByteCode", &MakeAction<TSWFActionByteCode>},
    {actionOffsetMarker, "OffsetMarker", &MakeAction<TSWFOffsetMarker>},
};

#undef PELLICOR_ACTION

constexpr bool CodesAscend() {
    for (std::size_t i = 1; i < std::size(kActionClasses); ++i)
        if (kActionClasses[i - 1].Code >= kActionClasses[i].Code) return false;
    return true;
}
static_assert(std::size(kActionClasses) == 99 + 2, "every action code and the two pseudo codes");
static_assert(CodesAscend());

const TActionClass* FindActionClass(std::uint8_t code) {
    for (const auto& actionClass : kActionClasses)
        if (actionClass.Code == code) return &actionClass;
    return nullptr;
}

}  // namespace

std::unique_ptr<TSWFAction> CreateSWFAction(std::uint8_t code) {
    const TActionClass* actionClass = FindActionClass(code);
    return actionClass ? actionClass->Make() : nullptr;
}

std::vector<std::uint8_t> KnownSWFActionCodes() {
    std::vector<std::uint8_t> codes;
    for (const auto& actionClass : kActionClasses) codes.push_back(actionClass.Code);
    return codes;
}

const char* SWFActionName(std::uint8_t code) {
    if (code == actionEnd) return "End";
    const TActionClass* actionClass = FindActionClass(code);
    return actionClass ? actionClass->Name : "Unknown";
}

}  // namespace pellicor
