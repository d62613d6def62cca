#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <typeinfo>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/swf_error.h"
#include "swf/tag_codes.h"
#include "util/clone_ptr.h"

namespace pellicor {

// Root of every object that can sit in a movie's object list.
class TBasedSWFObject {
public:
    virtual ~TBasedSWFObject() = default;

    // Copies the contents of another object of the same class (ESWFError otherwise).
    virtual void Assign(const TBasedSWFObject& source);
    // 0 for SWF tag objects; movie-building objects return other values.
    virtual int LibraryLevel() const { return 0; }
    // The lowest SWF version the object needs.
    virtual int MinVersion() const { return 1; }
    // Writes the complete object through a byte-aligned engine.
    virtual void WriteToStream(TBitsEngine& engine) = 0;
};

// The source of an Assign as the caller's own class; ESWFError when it is another class.
template <class T>
const T& AssignSource(const TBasedSWFObject& source) {
    const T* typed = dynamic_cast<const T*>(&source);
    if (!typed) throw ESWFError("Cannot assign an SWF object from an object of another class");
    return *typed;
}

// A tag: WriteToStream frames the body that WriteTagBody produces.
class TSWFObject : public TBasedSWFObject {
public:
    explicit TSWFObject(std::uint16_t tagID) : tagID_(tagID) {}

    std::uint16_t TagID() const { return tagID_; }
    // Length of the body in bytes, set by WriteToStream and by reading.
    std::uint32_t BodySize() const { return bodySize_; }
    void SetBodySize(std::uint32_t size) { bodySize_ = size; }

    // The short or long tag header, then the body: written straight to the engine when
    // KnownBodySize gives its length, else built in a memory stream first.
    void WriteToStream(TBitsEngine& engine) override;
    // The body's length when it is known before the body is written (a tag that is mostly
    // one buffer, such as a video frame's JPEG); none by default.
    virtual std::optional<std::uint32_t> KnownBodySize() const { return std::nullopt; }
    // Parses the body. The engine holds exactly the body (reading past it throws
    // ESWFReadError); engine.Context tells the file version.
    virtual void ReadFromStream(TBitsEngine& engine);
    // Writes the body only.
    virtual void WriteTagBody(TBitsEngine& engine);
    // A new object of the same class with the same contents. TSWFValueTag gives it, with
    // Assign, to every tag class: a class that does not derive from it cannot be made.
    virtual std::unique_ptr<TSWFObject> Clone() const = 0;

private:
    std::uint16_t tagID_;
    std::uint32_t bodySize_ = 0;
};

// Tags copy as values. A tag class derives from TSWFValueTag<itself, its base class> and
// keeps the defaulted copy constructor and copy assignment (owned children are held through
// TClonePtr, so they copy with it); Assign and Clone are that copy, so a field added later
// is copied without anyone remembering to. Every class that can be instantiated uses it
// (Clone is pure in TSWFObject).
template <class Derived, class Base = TSWFObject>
class TSWFValueTag : public Base {
public:
    using Base::Base;

    // The source must be exactly Derived with this tag code (ESWFError otherwise).
    void Assign(const TBasedSWFObject& source) override {
        RequireSameTagClass(*this, typeid(Derived), source);
        static_cast<Derived&>(*this) = static_cast<const Derived&>(source);
    }
    std::unique_ptr<TSWFObject> Clone() const override {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
};

// ESWFError unless target and source are both exactly of class type and carry the same tag
// code (a raw tag stands for any code, and one code's bytes are no other code's body).
void RequireSameTagClass(const TSWFObject& target, const std::type_info& type, const TBasedSWFObject& source);

// An owned list of tags (DefineSprite's control tags, the reader's lists); copies of the
// list own copies of the tags.
using TSWFObjectList = TCloneList<TSWFObject>;

// True for the codes that always get the long header (20, 36, 60).
bool AlwaysLongTagHeader(std::uint16_t tagID);

// Tag framing of a body that is already in memory: the short header when the body is
// below 63 bytes (and the code does not demand the long form, nor forceLong), else the
// long one; then the body. Writes through a byte-aligned engine.
void WriteSWFTag(TBitsEngine& target, std::uint16_t tagID, std::span<const std::uint8_t> body,
                 bool forceLong = false);
// The same for a body in a memory stream; size 0 means the whole stream.
void WriteSWFTag(TBitsEngine& target, std::uint16_t tagID, const TMemoryStream& body, std::uint32_t size = 0);

// A tag header as read from a file.
struct TSWFTagHeader {
    std::uint16_t Code = 0;
    std::uint32_t Length = 0;
    bool LongHeader = false;
    std::uint32_t HeaderSize() const { return LongHeader ? 6 : 2; }
};
// Reads a tag header (ESWFReadError when the data ends); does not check the body length.
TSWFTagHeader ReadSWFTagHeader(TBitsEngine& engine);

// Parses a body held in memory through tag.ReadFromStream, confined to exactly these bytes;
// sets BodySize. Errors are ESWFError (ESWFReadError for truncated or lying data).
void ReadSWFTagBody(TSWFObject& tag, std::span<const std::uint8_t> body, const TSWFReadContext& context = {});

// A tag kept as its raw bytes: unknown codes, or tags the reader was told not to parse.
// Writes the same bytes back under the same code.
class TSWFRawTag : public TSWFValueTag<TSWFRawTag> {
public:
    explicit TSWFRawTag(std::uint16_t tagID) : TSWFValueTag(tagID) {}
    std::vector<std::uint8_t> Body;
    // The header form it was read with; writing keeps the long form when set.
    bool LongHeader = false;

    void WriteToStream(TBitsEngine& engine) override;
    void ReadFromStream(TBitsEngine& engine) override { Body = engine.ReadRest(); }
    void WriteTagBody(TBitsEngine& engine) override { engine.WriteBytes(Body); }
};

// Stands for a tag whose body could not be parsed: TagID 240 (no SWF tag has it), the
// code it was read with, the error text and its raw body. Written again, it writes the
// original tag (code and body bytes as read), so a file that is copied loses nothing.
class TSWFErrorTag : public TSWFValueTag<TSWFErrorTag> {
public:
    TSWFErrorTag() : TSWFValueTag(tagErrorTag) {}
    TSWFErrorTag(std::uint16_t readCode, std::string errorText, std::vector<std::uint8_t> body);

    std::uint16_t ReadCode = 0;
    std::string ErrorText;
    std::vector<std::uint8_t> Body;

    void WriteToStream(TBitsEngine& engine) override;
    void ReadFromStream(TBitsEngine& engine) override { Body = engine.ReadRest(); }
    void WriteTagBody(TBitsEngine& engine) override { engine.WriteBytes(Body); }
};

}  // namespace pellicor
