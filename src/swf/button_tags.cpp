#include "swf/button_tags.h"

#include <algorithm>

namespace pellicor {

namespace {
// The state bits of a button record's flags byte, low nibble.
constexpr std::uint8_t kFlagHitTest = 0x08, kFlagDown = 0x04, kFlagOver = 0x02, kFlagUp = 0x01;

// Condition bits in the order they are written: the first byte from its high bit down,
// then (after the 7-bit key code) OverDownToIdle.
constexpr TSWFButtonCondition kConditionByteOrder[8] = {
    bcIdleToOverDown, bcOutDownToIdle, bcOutDownToOverDown, bcOverDownToOutDown,
    bcOverDownToOverUp, bcOverUpToOverDown, bcOverUpToIdle, bcIdleToOverUp,
};

// Reads the action list whose bytes are the next count bytes of the engine.
std::unique_ptr<TSWFActionListBase> ReadActionList(TBitsEngine& engine, std::size_t count) {
    TMemoryStream bytes(engine.ReadBytes(count));
    TBitsEngine actionEngine(bytes);
    actionEngine.Context = engine.Context;
    auto actions = NewSWFActionList(engine.Context.ParseActions);
    actions->ReadActions(actionEngine);
    return actions;
}

void WriteActionList(TBitsEngine& engine, TSWFActionListBase* actions) {
    if (actions) WriteActionsWithEnd(engine, *actions);
    else engine.WriteByte(0);
}

int ActionsVersion(const TSWFActionListBase* actions) {
    return actions ? std::max(3, actions->MinVersion()) : 3;
}

// Writes a UI16 at an earlier position of the engine's stream and returns to the end.
void PatchWord(TBitsEngine& engine, std::uint64_t position, std::uint64_t value, const char* what) {
    if (value > 0xFFFF) throw ESWFError(std::string(what) + " beyond 65535 bytes cannot be written");
    const std::uint64_t end = engine.Position();
    engine.Stream().Seek(position);
    engine.WriteWord(static_cast<std::uint16_t>(value));
    engine.Stream().Seek(end);
}
}  // namespace

// ---- button records ----

TSWFColorTransform& TSWFButtonRecord::ColorTransform() {
    if (!HasColorTransform) {
        HasColorTransform = true;
        colorTransform_.SetHasAlpha(true);
    }
    return colorTransform_;
}

void TSWFButtonRecord::WriteToStream(TBitsEngine& engine, bool withColorTransform) const {
    engine.WriteByte(static_cast<std::uint8_t>(((States & bsHitTest) ? kFlagHitTest : 0) |
                                               ((States & bsDown) ? kFlagDown : 0) |
                                               ((States & bsOver) ? kFlagOver : 0) | ((States & bsUp) ? kFlagUp : 0)));
    engine.WriteWord(CharacterID);
    engine.WriteWord(PlaceDepth);
    engine.WriteMatrix(placeMatrix_);
    if (withColorTransform) {
        TSWFColorTransform withAlpha = HasColorTransform ? colorTransform_ : TSWFColorTransform();
        withAlpha.SetHasAlpha(true);
        engine.WriteColorTransform(withAlpha);
    }
}

void TSWFButtonRecord::ReadFromStream(TBitsEngine& engine, std::uint8_t flags, bool withColorTransform) {
    // The high nibble announces filter lists and blend modes of later versions.
    if (flags & 0xF0) throw ESWFReadError("Button record with filters or a blend mode");
    States = static_cast<std::uint8_t>(((flags & kFlagHitTest) ? bsHitTest : 0) | ((flags & kFlagDown) ? bsDown : 0) |
                                       ((flags & kFlagOver) ? bsOver : 0) | ((flags & kFlagUp) ? bsUp : 0));
    CharacterID = engine.ReadWord();
    PlaceDepth = engine.ReadWord();
    placeMatrix_ = engine.ReadMatrix();
    HasColorTransform = withColorTransform;
    colorTransform_ = withColorTransform ? engine.ReadColorTransform(true) : TSWFColorTransform();
}

// ---- the shared button part ----

TSWFButtonRecord& TSWFBasedButton::AddRecord(std::uint8_t states, std::uint16_t characterID, std::uint16_t depth) {
    TSWFButtonRecord& record = ButtonRecords.emplace_back();
    record.States = states;
    record.CharacterID = characterID;
    record.PlaceDepth = depth;
    return record;
}

void TSWFBasedButton::WriteRecords(TBitsEngine& engine, bool withColorTransform) const {
    for (const auto& record : ButtonRecords) record.WriteToStream(engine, withColorTransform);
    engine.WriteByte(0);
}

void TSWFBasedButton::ReadRecords(TBitsEngine& engine, bool withColorTransform) {
    ButtonRecords.clear();
    for (std::uint8_t flags = engine.ReadByte(); flags != 0; flags = engine.ReadByte())
        ButtonRecords.emplace_back().ReadFromStream(engine, flags, withColorTransform);
}

// ---- DefineButton ----

TSWFActionListBase& TSWFDefineButton::Actions() {
    if (!actions_) actions_ = NewSWFActionList();
    return *actions_;
}

int TSWFDefineButton::MinVersion() const { return ActionsVersion(actions_.get()); }

void TSWFDefineButton::ReadFromStream(TBitsEngine& engine) {
    ButtonID = engine.ReadWord();
    ReadRecords(engine, false);
    actions_ = ReadActionList(engine, static_cast<std::size_t>(engine.BytesLeft()));
}

void TSWFDefineButton::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(ButtonID);
    WriteRecords(engine, false);
    WriteActionList(engine, actions_.get());
}

// ---- condition actions ----

TSWFActionListBase& TSWFButtonCondAction::Actions() {
    if (!actions_) actions_ = NewSWFActionList();
    return *actions_;
}

// ---- DefineButton2 ----

TSWFButtonCondAction& TSWFDefineButton2::AddCondAction(std::uint16_t conditions, std::uint8_t keyPress) {
    return CondActions.emplace_back(conditions, keyPress);
}

int TSWFDefineButton2::MinVersion() const {
    int version = 3;
    for (const auto& action : CondActions) version = std::max(version, ActionsVersion(action.ActionsIfAny()));
    return version;
}

void TSWFDefineButton2::ReadFromStream(TBitsEngine& engine) {
    ButtonID = engine.ReadWord();
    TrackAsMenu = (engine.ReadByte() & 1) != 0;
    const std::uint64_t offsetPosition = engine.Position();
    const std::uint16_t actionOffset = engine.ReadWord();
    ReadRecords(engine, true);
    CondActions.clear();
    if (actionOffset == 0) return;
    if (offsetPosition + actionOffset != engine.Position())
        throw ESWFReadError("DefineButton2 ActionOffset does not point behind the button records");
    for (;;) {
        const std::uint64_t start = engine.Position();
        const std::uint16_t size = engine.ReadWord();
        const std::uint8_t first = engine.ReadByte();
        const std::uint8_t second = engine.ReadByte();
        TSWFButtonCondAction& action = CondActions.emplace_back();
        for (int bit = 0; bit < 8; ++bit)
            if (first & (0x80 >> bit)) action.Conditions |= ButtonConditionBit(kConditionByteOrder[bit]);
        if (second & 1) action.Conditions |= ButtonConditionBit(bcOverDownToIdle);
        action.KeyPress = static_cast<std::uint8_t>(second >> 1);
        if (size == 0) {
            action.SetActions(ReadActionList(engine, static_cast<std::size_t>(engine.BytesLeft())));
            return;
        }
        if (size < 4) throw ESWFReadError("DefineButton2 condition action shorter than its header");
        action.SetActions(ReadActionList(engine, static_cast<std::size_t>(start + size - engine.Position())));
        if (engine.BytesLeft() == 0) return;
    }
}

void TSWFDefineButton2::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(ButtonID);
    engine.WriteByte(TrackAsMenu ? 1 : 0);
    const std::uint64_t offsetPosition = engine.Position();
    engine.WriteWord(0);
    WriteRecords(engine, true);
    if (CondActions.empty()) return;
    PatchWord(engine, offsetPosition, engine.Position() - offsetPosition, "DefineButton2 ActionOffset");
    for (std::size_t i = 0; i < CondActions.size(); ++i) {
        TSWFButtonCondAction& action = CondActions[i];
        const std::uint64_t start = engine.Position();
        engine.WriteWord(0);
        for (const TSWFButtonCondition condition : kConditionByteOrder)
            engine.WriteBit((action.Conditions & ButtonConditionBit(condition)) != 0);
        engine.WriteBits(action.KeyPress, 7);
        engine.WriteBit((action.Conditions & ButtonConditionBit(bcOverDownToIdle)) != 0);
        WriteActionList(engine, action.ActionsIfAny() ? &action.Actions() : nullptr);
        if (i + 1 < CondActions.size())
            PatchWord(engine, start, engine.Position() - start, "DefineButton2 condition action");
    }
}

// ---- DefineButtonCxform ----

void TSWFDefineButtonCxform::ReadFromStream(TBitsEngine& engine) {
    ButtonID = engine.ReadWord();
    ColorTransform = engine.ReadColorTransform(false);
}

void TSWFDefineButtonCxform::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(ButtonID);
    TSWFColorTransform withoutAlpha = ColorTransform;
    withoutAlpha.SetHasAlpha(false);
    engine.WriteColorTransform(withoutAlpha);
}

// ---- DefineButtonSound ----

TSWFStartSound& TSWFDefineButtonSound::Sound(TSWFButtonSoundTransition transition) {
    auto& sound = sounds_[static_cast<std::size_t>(transition)];
    if (!sound) sound = std::make_unique<TSWFStartSound>();
    return *sound;
}

const TSWFStartSound* TSWFDefineButtonSound::SoundIfAny(TSWFButtonSoundTransition transition) const {
    return sounds_[static_cast<std::size_t>(transition)].get();
}

void TSWFDefineButtonSound::ClearSound(TSWFButtonSoundTransition transition) {
    sounds_[static_cast<std::size_t>(transition)].reset();
}

void TSWFDefineButtonSound::ReadFromStream(TBitsEngine& engine) {
    ButtonID = engine.ReadWord();
    for (auto& sound : sounds_) {
        sound.reset();
        const std::uint16_t soundId = engine.ReadWord();
        if (soundId == 0) continue;
        sound = std::make_unique<TSWFStartSound>();
        sound->SoundId = soundId;
        sound->ReadSoundInfo(engine);
    }
}

void TSWFDefineButtonSound::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(ButtonID);
    for (auto& sound : sounds_) {
        if (sound && sound->SoundId != 0) sound->WriteTagBody(engine);
        else engine.WriteWord(0);
    }
}

}  // namespace pellicor
