#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// Opaque bytes held by a tag: either an owned buffer or a borrowed one (the lender keeps
// it alive until the tag has been written). The size is a signed 32-bit count.
class TSWFPayload {
public:
    TSWFPayload() = default;
    TSWFPayload(const TSWFPayload&) = delete;
    TSWFPayload& operator=(const TSWFPayload&) = delete;

    const std::uint8_t* Data() const { return data_; }
    std::int32_t Size() const { return size_; }
    // The buffer is freed with the holder (only an owned buffer of positive size is).
    bool Owns() const { return !owned_.empty(); }
    std::span<const std::uint8_t> Bytes() const { return {data_, static_cast<std::size_t>(size_)}; }

    // Takes the bytes over (owned).
    void Set(std::vector<std::uint8_t> bytes);
    // Refers to the caller's bytes without copying (borrowed).
    void SetBorrowed(const void* data, std::size_t size);
    void Clear();
    // An owned copy of the source's bytes (nothing when it is empty).
    void Assign(const TSWFPayload& source);

private:
    std::vector<std::uint8_t> owned_;
    const std::uint8_t* data_ = nullptr;
    std::int32_t size_ = 0;
};

// Base of every tag that carries an opaque payload (bitmaps, video frames, sounds): the
// payload is a byte buffer or, when OnDataWrite is set, whatever the callback writes into
// the tag body.
class TSWFDataObject : public TSWFObject {
public:
    // Called as OnDataWrite(tag, bodyEngine); the callback captures its own context.
    using TDataWriteEvent = std::function<void(TSWFDataObject& tag, TBitsEngine& engine)>;

    TDataWriteEvent OnDataWrite;

    const std::uint8_t* Data() const { return data_.Data(); }
    std::int32_t DataSize() const { return data_.Size(); }
    bool OwnsData() const { return data_.Owns(); }
    std::span<const std::uint8_t> DataBytes() const { return data_.Bytes(); }
    // Owned bytes.
    void SetData(std::vector<std::uint8_t> bytes) { data_.Set(std::move(bytes)); }
    // Borrowed bytes: the caller keeps them alive while the tag is written.
    void SetData(const void* data, std::size_t size) { data_.SetBorrowed(data, size); }
    void ClearData() { data_.Clear(); }

protected:
    explicit TSWFDataObject(std::uint16_t tagID) : TSWFObject(tagID) {}
    // A copy takes the callback when the source has one (the buffer is then left empty),
    // otherwise an owned copy of the source's buffer (and no callback): a borrowed buffer
    // must not outlive its lender in a copy. Derived tags keep their defaulted copies.
    TSWFDataObject(const TSWFDataObject& other);
    TSWFDataObject& operator=(const TSWFDataObject& other);

    // The payload rule: the callback when set, else the buffer bytes when there are any.
    void WriteData(TBitsEngine& engine) { WritePayload(engine, OnDataWrite, data_); }
    void WritePayload(TBitsEngine& engine, const TDataWriteEvent& callback, const TSWFPayload& payload);
    // The copy rule: the source's callback when it has one (and no bytes), else an owned
    // copy of its bytes (and no callback).
    static void AssignPayload(TDataWriteEvent& callback, TSWFPayload& payload, const TDataWriteEvent& sourceCallback,
                              const TSWFPayload& sourcePayload);

private:
    TSWFPayload data_;
};

// zlib (deflate with the zlib wrapper, default level), as used for lossless bitmap data and
// JPEG alpha planes.
std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> bytes);
// Deflates straight into the engine's stream (after aligning it), without a buffer of the
// whole result.
void ZlibCompressTo(TBitsEngine& engine, std::span<const std::uint8_t> bytes);
// Inflates a zlib stream, producing at most maxSize bytes (the rest is not decoded). A
// stream that is damaged, or ends before its end marker while below maxSize, throws
// ESWFReadError.
std::vector<std::uint8_t> ZlibDecompress(std::span<const std::uint8_t> bytes, std::size_t maxSize);

}  // namespace pellicor
