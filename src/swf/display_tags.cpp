#include "swf/display_tags.h"

#include <algorithm>

namespace pellicor {

namespace {
// The 19 defined clip events; bits 16..18 exist only in SWF 6 and later.
constexpr std::uint32_t kAllClipEvents = (1u << 19) - 1;
constexpr std::uint32_t kSWF6ClipEvents = kAllClipEvents & ~0xFFFFu;
}  // namespace

// ---- PlaceObject ----

void TSWFPlaceObject::ReadFromStream(TBitsEngine& engine) {
    SetCharacterID(engine.ReadWord());
    Depth = engine.ReadWord();
    Matrix = engine.ReadMatrix();
    HasColorTransform = engine.BytesLeft() > 0;
    ColorTransform = HasColorTransform ? engine.ReadColorTransform(false) : TSWFColorTransform();
}

void TSWFPlaceObject::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID());
    engine.WriteWord(Depth);
    engine.WriteMatrix(Matrix);
    if (HasColorTransform || ColorTransform.HasAdd() || ColorTransform.HasMult()) {
        TSWFColorTransform withoutAlpha = ColorTransform;
        withoutAlpha.SetHasAlpha(false);
        engine.WriteColorTransform(withoutAlpha);
    }
}

// ---- clip actions ----

void TSWFClipActionRecord::SetKeyCode(std::uint8_t keyCode) {
    keyCode_ = keyCode;
    if (keyCode != 0) EventFlags |= ClipEventBit(ceKeyPress);
    else EventFlags &= ~ClipEventBit(ceKeyPress);
}

TSWFActionListBase& TSWFClipActionRecord::Actions() {
    if (!actions_) actions_ = NewSWFActionList(true);
    return *actions_;
}

TSWFClipActionRecord& TSWFClipActions::AddRecord(std::uint32_t eventFlags, std::uint8_t keyCode) {
    auto record = std::make_unique<TSWFClipActionRecord>();
    record->EventFlags = eventFlags;
    if (keyCode != 0) record->SetKeyCode(keyCode);
    AllEventFlags |= record->EventFlags;
    Records.push_back(std::move(record));
    return *Records.back();
}

// ---- PlaceObject2 ----

void TSWFPlaceObject2::SetCharacterID(std::uint16_t id) {
    TSWFBasedPlaceObject::SetCharacterID(id);
    PlaceFlagHasCharacter = true;
}

TSWFMatrix& TSWFPlaceObject2::Matrix() {
    if (!matrix_) matrix_ = std::make_unique<TSWFMatrix>();
    PlaceFlagHasMatrix = true;
    return *matrix_;
}

TSWFColorTransform& TSWFPlaceObject2::ColorTransform() {
    if (!colorTransform_) {
        colorTransform_ = std::make_unique<TSWFColorTransform>();
        colorTransform_->SetHasAlpha(true);
    }
    PlaceFlagHasColorTransform = true;
    return *colorTransform_;
}

void TSWFPlaceObject2::SetRatio(std::uint16_t ratio) {
    ratio_ = ratio;
    PlaceFlagHasRatio = true;
}

void TSWFPlaceObject2::SetName(const std::string& name) {
    name_ = name;
    if (!name.empty()) PlaceFlagHasName = true;
}

void TSWFPlaceObject2::SetClipDepth(std::uint16_t depth) {
    clipDepth_ = depth;
    PlaceFlagHasClipDepth = true;
}

TSWFClipActions& TSWFPlaceObject2::ClipActions() {
    if (!clipActions_) clipActions_ = std::make_unique<TSWFClipActions>();
    PlaceFlagHasClipActions = true;
    return *clipActions_;
}

bool TSWFPlaceObject2::WritesClipActions() const {
    return PlaceFlagHasClipActions && clipActions_ &&
           std::any_of(clipActions_->Records.begin(), clipActions_->Records.end(),
                       [](const auto& record) { return (record->EventFlags & kAllClipEvents) != 0; });
}

int TSWFPlaceObject2::MinVersion() const {
    if (!WritesClipActions()) return 3;
    int version = std::max(5, static_cast<int>(SWFVersion));
    for (const auto& record : clipActions_->Records)
        if (record->EventFlags & kSWF6ClipEvents) version = std::max(version, 6);
    return version;
}

void TSWFPlaceObject2::WriteEventFlags(TBitsEngine& engine, std::uint32_t flags) const {
    for (int bit = 0; bit < 16; ++bit) engine.WriteBit((flags >> bit) & 1);
    if (SWFVersion >= 6) {
        engine.WriteBits(0u, 5);
        for (int bit = 16; bit < 19; ++bit) engine.WriteBit((flags >> bit) & 1);
        engine.WriteBits(0u, 8);
    }
}

std::uint32_t TSWFPlaceObject2::ReadEventFlags(TBitsEngine& engine) const {
    std::uint32_t flags = 0;
    for (int bit = 0; bit < 16; ++bit) flags |= engine.ReadBits(1) << bit;
    if (SWFVersion >= 6) {
        engine.ReadBits(5);
        for (int bit = 16; bit < 19; ++bit) flags |= engine.ReadBits(1) << bit;
        engine.ReadBits(8);
    }
    return flags;
}

void TSWFPlaceObject2::WriteTagBody(TBitsEngine& engine) {
    const bool clipActions = WritesClipActions();
    engine.WriteBit(clipActions);
    engine.WriteBit(PlaceFlagHasClipDepth);
    engine.WriteBit(PlaceFlagHasName);
    engine.WriteBit(PlaceFlagHasRatio);
    engine.WriteBit(PlaceFlagHasColorTransform);
    engine.WriteBit(PlaceFlagHasMatrix);
    engine.WriteBit(PlaceFlagHasCharacter);
    engine.WriteBit(PlaceFlagMove);
    engine.WriteWord(Depth);
    if (PlaceFlagHasCharacter) engine.WriteWord(CharacterID());
    if (PlaceFlagHasMatrix) engine.WriteMatrix(matrix_ ? *matrix_ : TSWFMatrix());
    if (PlaceFlagHasColorTransform) {
        TSWFColorTransform withAlpha = colorTransform_ ? *colorTransform_ : TSWFColorTransform();
        withAlpha.SetHasAlpha(true);
        engine.WriteColorTransform(withAlpha);
    }
    if (PlaceFlagHasRatio) engine.WriteWord(ratio_);
    if (PlaceFlagHasName) engine.WriteString(name_);
    if (PlaceFlagHasClipDepth) engine.WriteWord(clipDepth_);
    if (!clipActions) return;

    SWFVersion = static_cast<std::uint8_t>(std::max<int>(SWFVersion, MinVersion()));
    std::uint32_t allFlags = clipActions_->AllEventFlags;
    for (const auto& record : clipActions_->Records) allFlags |= record->EventFlags;
    engine.WriteWord(0);
    WriteEventFlags(engine, allFlags & kAllClipEvents);
    TStream& stream = engine.Stream();
    for (const auto& record : clipActions_->Records) {
        const std::uint32_t flags = record->EventFlags & kAllClipEvents;
        if (flags == 0) continue;  // would read as the end marker
        WriteEventFlags(engine, flags);
        engine.FlushLastByte(true);
        const std::uint64_t sizePosition = stream.Position();
        engine.WriteDWord(0);
        if (flags & ClipEventBit(ceKeyPress)) engine.WriteByte(record->KeyCode());
        WriteActionsWithEnd(engine, record->Actions());
        engine.FlushLastByte(true);
        const std::uint64_t end = stream.Position();
        stream.Seek(sizePosition);
        engine.WriteDWord(static_cast<std::uint32_t>(end - sizePosition - 4));
        stream.Seek(end);
    }
    if (SWFVersion < 6) engine.WriteWord(0);
    else engine.WriteDWord(0);
}

void TSWFPlaceObject2::ReadFromStream(TBitsEngine& engine) {
    PlaceFlagHasClipActions = engine.ReadBit();
    PlaceFlagHasClipDepth = engine.ReadBit();
    PlaceFlagHasName = engine.ReadBit();
    PlaceFlagHasRatio = engine.ReadBit();
    PlaceFlagHasColorTransform = engine.ReadBit();
    PlaceFlagHasMatrix = engine.ReadBit();
    PlaceFlagHasCharacter = engine.ReadBit();
    PlaceFlagMove = engine.ReadBit();
    Depth = engine.ReadWord();
    if (PlaceFlagHasCharacter) TSWFBasedPlaceObject::SetCharacterID(engine.ReadWord());
    matrix_ = PlaceFlagHasMatrix ? std::make_unique<TSWFMatrix>(engine.ReadMatrix()) : nullptr;
    colorTransform_ =
        PlaceFlagHasColorTransform ? std::make_unique<TSWFColorTransform>(engine.ReadColorTransform(true)) : nullptr;
    if (PlaceFlagHasRatio) ratio_ = engine.ReadWord();
    if (PlaceFlagHasName) name_ = engine.ReadString();
    if (PlaceFlagHasClipDepth) clipDepth_ = engine.ReadWord();
    clipActions_.reset();
    if (!PlaceFlagHasClipActions) return;

    if (engine.Context.Version != 0) SWFVersion = engine.Context.Version;
    clipActions_ = std::make_unique<TSWFClipActions>();
    engine.ReadWord();  // reserved
    clipActions_->AllEventFlags = ReadEventFlags(engine);
    for (;;) {
        const std::uint32_t flags = ReadEventFlags(engine);
        if (flags == 0) break;
        std::uint32_t size = engine.ReadDWord();
        engine.Require(size);
        auto record = std::make_unique<TSWFClipActionRecord>();
        record->EventFlags = flags;
        if (flags & ClipEventBit(ceKeyPress)) {
            if (size == 0) throw ESWFReadError("Clip action record too short for its key code");
            record->SetKeyCode(engine.ReadByte());
            record->EventFlags = flags;  // a key code 0 keeps the flag as read
            --size;
        }
        TMemoryStream actionBytes(engine.ReadBytes(size));
        TBitsEngine actionEngine(actionBytes);
        actionEngine.Context = engine.Context;
        auto actions = NewSWFActionList(engine.Context.ParseActions);
        actions->ReadActions(actionEngine);
        record->SetActions(std::move(actions));
        clipActions_->Records.push_back(std::move(record));
    }
}

// ---- RemoveObject, RemoveObject2 ----

void TSWFRemoveObject::ReadFromStream(TBitsEngine& engine) {
    CharacterID = engine.ReadWord();
    Depth = engine.ReadWord();
}

void TSWFRemoveObject::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(CharacterID);
    engine.WriteWord(Depth);
}

}  // namespace pellicor
