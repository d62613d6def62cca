#include "swf/actions.h"

#include <typeinfo>

namespace pellicor {

// ---- TSWFAction ----

void TSWFAction::RequireSameClass(const TSWFAction& source) const {
    if (typeid(source) != typeid(*this) || source.actionCode_ != actionCode_)
        throw ESWFError(std::string("Cannot assign action ") + SWFActionName(source.actionCode_) + " to " +
                        SWFActionName(actionCode_));
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

// ---- TSWFOffsetMarker ----

void TSWFOffsetMarker::ReadActionBody(TBitsEngine&) {}

void TSWFOffsetMarker::ResetPass() {
    place_.Placed = false;
    place_.StartPosition = 0;
    place_.Pending.clear();
}

std::int64_t TSWFOffsetMarker::Distance(const TSWFFieldBase& base, bool isSigned, unsigned width) const {
    if (base.Marker && !base.Marker->place_.Placed)
        throw ESWFError("An action block size is measured from a marker that is not written before it");
    const std::int64_t from = (base.Marker ? static_cast<std::int64_t>(base.Marker->place_.StartPosition) : 0) + base.Offset;
    const std::int64_t distance = static_cast<std::int64_t>(place_.StartPosition) - from;
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
    place_.Placed = true;
    place_.StartPosition = engine.Position();
    if (place_.Pending.empty()) return;
    TStream& stream = engine.Stream();
    const std::uint64_t here = stream.Position();
    for (const TPendingField& field : place_.Pending) {
        const std::int64_t distance = Distance(field.Base, field.Signed, field.Width);
        stream.Seek(field.FieldPosition);
        WriteLittleEndian(stream, distance, field.Width);
    }
    place_.Pending.clear();
    stream.Seek(here);
}

void TSWFOffsetMarker::WriteReference(TBitsEngine& payload, std::uint64_t fieldPosition, const TSWFFieldBase& base,
                                      bool isSigned, unsigned width) {
    if (width != SizeOffset)
        throw ESWFError("Marker " + Label + " resolves " + std::to_string(SizeOffset) + "-byte fields, not " +
                        std::to_string(width) + "-byte ones");
    std::int64_t value = 0;
    if (place_.Placed)
        value = Distance(base, isSigned, width);
    else
        place_.Pending.push_back({fieldPosition, base, isSigned, width});
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
        owned_->place_.Owner = this;
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
    if (!source.owned_) {
        Set(source.marker_);
        return;
    }
    owned_ = std::make_unique<TSWFOffsetMarker>(*source.owned_);
    owned_->place_.Owner = this;
    marker_ = owned_.get();
}

std::unique_ptr<TSWFOffsetMarker> TSWFMarkerLink::ReleaseOwned() {
    if (owned_) owned_->place_.Owner = nullptr;
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

// ---- TSWFActionByteCode ----

std::span<const std::uint8_t> TSWFActionByteCode::Bytes() const {
    return std::visit([](const auto& bytes) { return std::span<const std::uint8_t>(bytes); }, bytes_);
}

bool TSWFActionByteCode::EndsWithActionEnd() const {
    const std::span<const std::uint8_t> bytes = Bytes();
    if (bytes.empty()) return false;
    std::size_t position = 0;
    std::uint8_t lastCode = 0;
    while (position < bytes.size()) {
        lastCode = bytes[position];
        if (lastCode < 0x80) {
            position += 1;
        } else {
            if (position + 3 > bytes.size()) break;
            position += 3 + (bytes[position + 1] | (bytes[position + 2] << 8));
        }
    }
    if (position == bytes.size()) return lastCode == actionEnd;
    return bytes.back() == 0;
}

void TSWFActionByteCode::ReadActionBody(TBitsEngine& engine) {
    SetBytes(engine.ReadRest());
}

void TSWFActionByteCode::WriteActionBody(TBitsEngine& engine) {
    engine.WriteBytes(Bytes());
}

}  // namespace pellicor
