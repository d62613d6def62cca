#include "swf/actions.h"

#include <typeinfo>

namespace pellicor {

// ---- TSWFAction ----

void TSWFAction::Assign(const TSWFAction& source) {
    if (typeid(source) != typeid(*this) || source.actionCode_ != actionCode_)
        throw ESWFError(std::string("Cannot assign action ") + SWFActionName(source.actionCode_) + " to " +
                        SWFActionName(actionCode_));
    Length = source.Length;
}

void TSWFAction::ReadActionBody(TBitsEngine& engine) {
    engine.ReadBytes(Length);
}

void TSWFAction::WriteActionBody(TBitsEngine&) {}

void TSWFAction::WriteToStream(TBitsEngine& engine) {
    position_ = engine.Position();
    if (actionCode_ >= actionByteCode) {
        WriteActionBody(engine);
        return;
    }
    engine.WriteByte(actionCode_);
    if (actionCode_ < 0x80) {
        Length = 0;
        return;
    }
    TMemoryStream payload;
    {
        TBitsEngine payloadEngine(payload);
        WriteActionBody(payloadEngine);
        payloadEngine.FlushLastByte(true);
    }
    if (payload.Size() > 0xFFFF)
        throw ESWFError(std::string("Action ") + SWFActionName(actionCode_) +
                        " has a payload longer than 65535 bytes, which cannot be framed");
    Length = static_cast<std::uint16_t>(payload.Size());
    engine.WriteWord(Length);
    engine.WriteBytes(payload.Bytes());
}

std::unique_ptr<TSWFAction> TSWFAction::Clone() const {
    auto copy = CreateSWFAction(actionCode_);
    if (!copy) throw ESWFError(std::string("No action class to copy action ") + SWFActionName(actionCode_));
    copy->Assign(*this);
    return copy;
}

// ---- TSWFOffsetMarker ----

void TSWFOffsetMarker::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    const auto& marker = static_cast<const TSWFOffsetMarker&>(source);
    JumpToBack = marker.JumpToBack;
    Enabled = marker.Enabled;
    Label = marker.Label;
    SizeOffset = marker.SizeOffset;
}

void TSWFOffsetMarker::ReadActionBody(TBitsEngine&) {}

void TSWFOffsetMarker::ResetPass() {
    placed_ = false;
    startPosition_ = 0;
    pending_.clear();
}

std::int64_t TSWFOffsetMarker::Distance(const TSWFFieldBase& base, bool isSigned, unsigned width) const {
    if (base.Marker && !base.Marker->placed_)
        throw ESWFError("An action block size is measured from a marker that is not written before it");
    const std::int64_t from = (base.Marker ? static_cast<std::int64_t>(base.Marker->startPosition_) : 0) + base.Offset;
    const std::int64_t distance = static_cast<std::int64_t>(startPosition_) - from;
    const int bits = static_cast<int>(width) * 8;
    const std::int64_t low = isSigned ? -(std::int64_t{1} << (bits - 1)) : 0;
    const std::int64_t high = isSigned ? (std::int64_t{1} << (bits - 1)) - 1 : (std::int64_t{1} << bits) - 1;
    if (distance < low || distance > high)
        throw ESWFError("Action branch or block size to marker " + (Label.empty() ? std::string("(unnamed)") : Label) +
                        " is out of range: " + std::to_string(distance) + " bytes");
    return distance;
}

namespace {
void WriteLittleEndian(TStream& stream, std::int64_t value, unsigned width) {
    std::uint8_t bytes[4];
    for (unsigned i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    stream.Write(bytes, width);
}
}  // namespace

void TSWFOffsetMarker::WriteActionBody(TBitsEngine& engine) {
    engine.FlushLastByte(true);
    placed_ = true;
    startPosition_ = engine.Position();
    if (pending_.empty()) return;
    TStream& stream = engine.Stream();
    const std::uint64_t here = stream.Position();
    for (const TPendingField& field : pending_) {
        const std::int64_t distance = Distance(field.Base, field.Signed, field.Width);
        stream.Seek(field.FieldPosition);
        WriteLittleEndian(stream, distance, field.Width);
    }
    pending_.clear();
    stream.Seek(here);
}

void TSWFOffsetMarker::WriteReference(TBitsEngine& payload, std::uint64_t fieldPosition, const TSWFFieldBase& base,
                                      bool isSigned, unsigned width) {
    if (width != SizeOffset)
        throw ESWFError("Marker " + Label + " resolves " + std::to_string(SizeOffset) + "-byte fields, not " +
                        std::to_string(width) + "-byte ones");
    std::int64_t value = 0;
    if (placed_)
        value = Distance(base, isSigned, width);
    else
        pending_.push_back({fieldPosition, base, isSigned, width});
    if (width == 4)
        payload.WriteDWord(static_cast<std::uint32_t>(value));
    else
        payload.WriteWord(static_cast<std::uint16_t>(value));
}

// ---- TSWFMarkerLink ----

TSWFMarkerLink::~TSWFMarkerLink() = default;

TSWFOffsetMarker& TSWFMarkerLink::GetOrCreate() {
    if (!marker_) {
        owned_ = std::make_unique<TSWFOffsetMarker>();
        owned_->owner_ = this;
        // A marker made for a record is placed after it.
        owned_->JumpToBack = false;
        marker_ = owned_.get();
    }
    return *marker_;
}

void TSWFMarkerLink::Set(TSWFOffsetMarker* marker) {
    if (marker == marker_) return;
    owned_.reset();
    marker_ = marker;
}

void TSWFMarkerLink::CopyFrom(const TSWFMarkerLink& source) {
    if (source.owned_) {
        Set(nullptr);
        GetOrCreate().Assign(*source.owned_);
    } else {
        Set(source.marker_);
    }
}

std::unique_ptr<TSWFOffsetMarker> TSWFMarkerLink::ReleaseOwned() {
    if (owned_) owned_->owner_ = nullptr;
    return std::move(owned_);
}

// ---- TSWFMarkedField ----

void TSWFMarkedField::SetValue(int value) {
    value_ = signed_ ? static_cast<std::int16_t>(value) : static_cast<std::uint16_t>(value);
    Static = true;
}

TSWFOffsetMarker* TSWFMarkedField::ActiveMarker() const {
    TSWFOffsetMarker* marker = Link.Get();
    return !Static && marker && marker->Enabled ? marker : nullptr;
}

void TSWFMarkedField::Write(TBitsEngine& payload, std::uint64_t fieldPosition, const TSWFFieldBase& base) const {
    if (TSWFOffsetMarker* marker = ActiveMarker())
        marker->WriteReference(payload, fieldPosition, base, signed_);
    else
        payload.WriteWord(static_cast<std::uint16_t>(value_));
}

void TSWFMarkedField::WriteTrailing(TBitsEngine& payload, std::uint64_t payloadPosition) const {
    const std::uint64_t field = payloadPosition + payload.Position();
    Write(payload, field, {nullptr, static_cast<std::int64_t>(field + 2)});
}

void TSWFMarkedField::Read(TBitsEngine& payload) {
    SetValue(signed_ ? payload.ReadSWord() : payload.ReadWord());
}

TSWFFieldBase TSWFMarkedField::EndOf(const TSWFFieldBase& base) const {
    if (TSWFOffsetMarker* marker = ActiveMarker()) return {marker, 0};
    return {base.Marker, base.Offset + value_};
}

void TSWFMarkedField::Assign(const TSWFMarkedField& source) {
    signed_ = source.signed_;
    value_ = source.value_;
    Static = source.Static;
    Link.CopyFrom(source.Link);
}

// ---- TSWFActionByteCode ----

void TSWFActionByteCode::SetBytes(std::vector<std::uint8_t> bytes) {
    owned_ = std::move(bytes);
    bytes_ = owned_;
    ownsBytes_ = true;
}

void TSWFActionByteCode::BorrowBytes(std::span<const std::uint8_t> bytes) {
    owned_.clear();
    bytes_ = bytes;
    ownsBytes_ = false;
}

bool TSWFActionByteCode::EndsWithActionEnd() const {
    if (bytes_.empty()) return false;
    std::size_t position = 0;
    std::uint8_t lastCode = 0;
    while (position < bytes_.size()) {
        lastCode = bytes_[position];
        if (lastCode < 0x80) {
            position += 1;
        } else {
            if (position + 3 > bytes_.size()) break;
            position += 3 + (bytes_[position + 1] | (bytes_[position + 2] << 8));
        }
    }
    if (position == bytes_.size()) return lastCode == actionEnd;
    return bytes_.back() == 0;
}

void TSWFActionByteCode::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    const auto& code = static_cast<const TSWFActionByteCode&>(source);
    if (code.ownsBytes_)
        SetBytes(std::vector<std::uint8_t>(code.bytes_.begin(), code.bytes_.end()));
    else
        BorrowBytes(code.bytes_);
}

void TSWFActionByteCode::ReadActionBody(TBitsEngine& engine) {
    SetBytes(engine.ReadRest());
}

void TSWFActionByteCode::WriteActionBody(TBitsEngine& engine) {
    engine.WriteBytes(bytes_);
}

}  // namespace pellicor
