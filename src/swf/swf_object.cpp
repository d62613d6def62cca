#include "swf/swf_object.h"

#include <typeinfo>

#include "swf/tag_factory.h"
#include "swf/tag_header.h"

namespace pellicor {

void TBasedSWFObject::Assign(const TBasedSWFObject&) {}

void TSWFObject::ReadFromStream(TBitsEngine&) {}

void TSWFObject::WriteTagBody(TBitsEngine&) {}

void TSWFObject::WriteToStream(TBitsEngine& engine) {
    if (const std::optional<std::uint32_t> size = KnownBodySize()) {
        bodySize_ = *size;
        WriteSWFTagHeader(engine, tagID_, *size, AlwaysLongTagHeader(tagID_));
        WriteTagBody(engine);
        engine.FlushLastByte(true);
        return;
    }
    TMemoryStream body;
    {
        TBitsEngine bodyEngine(body);
        WriteTagBody(bodyEngine);
        bodyEngine.FlushLastByte(true);
    }
    if (body.Size() > 0xFFFFFFFFull) throw ESWFError("Tag body larger than 4 GiB cannot be framed");
    bodySize_ = static_cast<std::uint32_t>(body.Size());
    WriteSWFTag(engine, tagID_, body.Bytes());
}

void RequireSameTagClass(const TSWFObject& target, const std::type_info& type, const TBasedSWFObject& source) {
    const auto& tag = AssignSource<TSWFObject>(source);
    if (typeid(tag) != type || typeid(target) != type || tag.TagID() != target.TagID())
        throw ESWFError(std::string("Cannot assign ") + SWFTagName(tag.TagID()) + " to " + SWFTagName(target.TagID()));
}

bool AlwaysLongTagHeader(std::uint16_t tagID) {
    return tagID == tagDefineBitsLossless || tagID == tagDefineBitsLossless2 || tagID == tagDefineVideoStream;
}

void WriteSWFTag(TBitsEngine& target, std::uint16_t tagID, std::span<const std::uint8_t> body, bool forceLong) {
    if (body.size() > 0xFFFFFFFFull) throw ESWFError("Tag body larger than 4 GiB cannot be framed");
    const auto size = static_cast<std::uint32_t>(body.size());
    WriteSWFTagHeader(target, tagID, size, forceLong || AlwaysLongTagHeader(tagID));
    target.WriteBytes(body);
}

void WriteSWFTagHeader(TBitsEngine& target, std::uint16_t tagID, std::uint32_t bodyLength, bool longForm) {
    if (longForm || bodyLength >= 63) {
        target.WriteWord(static_cast<std::uint16_t>(tagID * 64 + 63));
        target.WriteDWord(bodyLength);
    } else {
        target.WriteWord(static_cast<std::uint16_t>(tagID * 64 + bodyLength));
    }
}

void WriteSWFTag(TBitsEngine& target, std::uint16_t tagID, const TMemoryStream& body, std::uint32_t size) {
    const auto& bytes = body.Bytes();
    if (size == 0 || size > bytes.size()) size = static_cast<std::uint32_t>(bytes.size());
    WriteSWFTag(target, tagID, std::span<const std::uint8_t>(bytes.data(), size));
}

TSWFTagHeader ReadSWFTagHeader(TBitsEngine& engine) {
    TSWFTagHeader header;
    const std::uint16_t word = engine.ReadWord();
    header.Code = static_cast<std::uint16_t>(word >> 6);
    header.Length = word & 0x3F;
    if (header.Length == 0x3F) {
        header.Length = engine.ReadDWord();
        header.LongHeader = true;
    }
    return header;
}

void ReadSWFTagBody(TSWFObject& tag, std::span<const std::uint8_t> body, const TSWFReadContext& context) {
    TMemoryStream stream(body.data(), body.size());
    TBitsEngine engine(stream);
    engine.Context = context;
    tag.SetBodySize(static_cast<std::uint32_t>(body.size()));
    tag.ReadFromStream(engine);
}

void TSWFRawTag::WriteToStream(TBitsEngine& engine) {
    SetBodySize(static_cast<std::uint32_t>(Body.size()));
    WriteSWFTag(engine, TagID(), Body, LongHeader);
}

TSWFErrorTag::TSWFErrorTag(std::uint16_t readCode, std::string errorText, std::vector<std::uint8_t> body)
    : TSWFValueTag(tagErrorTag), ReadCode(readCode), ErrorText(std::move(errorText)), Body(std::move(body)) {
    SetBodySize(static_cast<std::uint32_t>(Body.size()));
}

void TSWFErrorTag::WriteToStream(TBitsEngine& engine) {
    SetBodySize(static_cast<std::uint32_t>(Body.size()));
    WriteSWFTag(engine, ReadCode, Body);
}

}  // namespace pellicor
