#include "swf/data_object.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

#include "swf/movie_stream.h"

namespace pellicor {

namespace {

std::int32_t CheckedPayloadSize(std::size_t size) {
    if (size > static_cast<std::size_t>(INT32_MAX)) throw ESWFError("Tag payload larger than 2 GiB");
    return static_cast<std::int32_t>(size);
}

constexpr std::size_t kZlibChunk = 64 * 1024;

}  // namespace

// ---- TSWFPayload ----

void TSWFPayload::Set(std::vector<std::uint8_t> bytes) {
    size_ = CheckedPayloadSize(bytes.size());
    owned_ = std::move(bytes);
    data_ = owned_.empty() ? nullptr : owned_.data();
}

void TSWFPayload::SetBorrowed(const void* data, std::size_t size) {
    const std::int32_t checked = CheckedPayloadSize(size);
    owned_.clear();
    owned_.shrink_to_fit();
    data_ = size > 0 ? static_cast<const std::uint8_t*>(data) : nullptr;
    size_ = data_ ? checked : 0;
}

void TSWFPayload::Clear() { Set({}); }

void TSWFPayload::Assign(const TSWFPayload& source) {
    if (&source == this) return;
    Set(std::vector<std::uint8_t>(source.Bytes().begin(), source.Bytes().end()));
}

// ---- TSWFDataObject ----

TSWFDataObject::TSWFDataObject(const TSWFDataObject& other) : TSWFObject(other) {
    AssignPayload(OnDataWrite, data_, other.OnDataWrite, other.data_);
}

TSWFDataObject& TSWFDataObject::operator=(const TSWFDataObject& other) {
    TSWFObject::operator=(other);
    AssignPayload(OnDataWrite, data_, other.OnDataWrite, other.data_);
    return *this;
}

void TSWFDataObject::AssignPayload(TDataWriteEvent& callback, TSWFPayload& payload,
                                   const TDataWriteEvent& sourceCallback, const TSWFPayload& sourcePayload) {
    if (&payload == &sourcePayload) return;
    if (sourceCallback) {
        callback = sourceCallback;
        payload.Clear();
    } else {
        callback = nullptr;
        payload.Assign(sourcePayload);
    }
}

void TSWFDataObject::WritePayload(TBitsEngine& engine, const TDataWriteEvent& callback, const TSWFPayload& payload) {
    if (callback) {
        callback(*this, engine);
    } else if (payload.Size() > 0) {
        engine.WriteBytes(payload.Bytes());
    }
}

// ---- zlib ----

std::vector<std::uint8_t> ZlibCompress(std::span<const std::uint8_t> bytes) {
    TMemoryStream packed;
    TCompressionStream zlib(packed);
    zlib.Write(bytes.data(), bytes.size());
    zlib.Finish();
    return packed.TakeBytes();
}

void ZlibCompressTo(TBitsEngine& engine, std::span<const std::uint8_t> bytes) {
    engine.FlushLastByte(true);
    TCompressionStream zlib(engine.Stream());
    zlib.Write(bytes.data(), bytes.size());
    zlib.Finish();
}

std::vector<std::uint8_t> ZlibDecompress(std::span<const std::uint8_t> bytes, std::size_t maxSize) {
    std::vector<std::uint8_t> result;
    if (maxSize == 0) return result;
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw ESWFError("zlib: cannot start decompression");
    std::uint8_t out[kZlibChunk];
    std::size_t offset = 0;
    int status = Z_OK;
    while (result.size() < maxSize) {
        if (z.avail_in == 0 && offset < bytes.size()) {
            const std::size_t part = std::min<std::size_t>(bytes.size() - offset, UINT_MAX);
            z.next_in = const_cast<Bytef*>(bytes.data() + offset);
            z.avail_in = static_cast<uInt>(part);
            offset += part;
        }
        z.next_out = out;
        z.avail_out = static_cast<uInt>(std::min<std::size_t>(sizeof out, maxSize - result.size()));
        status = inflate(&z, Z_NO_FLUSH);
        result.insert(result.end(), out, z.next_out);
        if (status == Z_STREAM_END) break;
        if (status == Z_BUF_ERROR && z.avail_in == 0 && offset < bytes.size()) continue;  // refill
        if (status != Z_OK) break;  // damaged, or the input ran out
    }
    inflateEnd(&z);
    if (status != Z_STREAM_END && result.size() < maxSize)
        throw ESWFReadError("Damaged or truncated zlib data");
    return result;
}

}  // namespace pellicor
