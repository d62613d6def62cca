#include "swf/movie_stream.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "util/numbers.h"

namespace pellicor {

namespace {

TSWFRect ScaledRect(const TRect& rect, int factor) {
    const auto scale = [factor](std::int32_t v) { return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * factor); };
    TSWFRect normal(rect);
    return TSWFRect(scale(normal.Xmin()), scale(normal.Xmax()), scale(normal.Ymin()), scale(normal.Ymax()));
}

}  // namespace

TBasedSWFStream::TBasedSWFStream(bool pixelCoordinates, const TRect& frameRect, double frameRate)
    : fileTarget_(false), stream_(std::make_unique<TMemoryStream>()), pixelCoordinates_(pixelCoordinates) {
    engine_ = std::make_unique<TBitsEngine>(*stream_);
    frameRect_ = ScaledRect(frameRect, TwipsFactor());
    SetFrameRate(frameRate);
}

TBasedSWFStream::TBasedSWFStream(const std::string& fileName, bool pixelCoordinates, const TRect& frameRect,
                                 double frameRate)
    : fileTarget_(true),
      stream_(std::make_unique<TFileStream>(fileName, TFileStream::Mode::Create)),
      pixelCoordinates_(pixelCoordinates) {
    engine_ = std::make_unique<TBitsEngine>(*stream_);
    frameRect_ = ScaledRect(frameRect, TwipsFactor());
    SetFrameRate(frameRate);
}

TBasedSWFStream::~TBasedSWFStream() = default;

void TBasedSWFStream::SetCompressed(bool compressed) {
    compressed_ = compressed;
    if (compressed_ && version_ < 6) version_ = 6;
}

void TBasedSWFStream::SetVersion(int version) {
    if (compressed_ && version < 6) version = 6;
    version_ = static_cast<std::uint8_t>(std::clamp(version, 0, 255));
}

int TBasedSWFStream::Width() const {
    return static_cast<int>(TruncDiv(static_cast<std::int64_t>(frameRect_.Xmax()) - frameRect_.Xmin(), TwipsFactor()));
}

int TBasedSWFStream::Height() const {
    return static_cast<int>(TruncDiv(static_cast<std::int64_t>(frameRect_.Ymax()) - frameRect_.Ymin(), TwipsFactor()));
}

void TBasedSWFStream::WriteHeaderBlock(std::uint32_t fileLength, std::uint16_t frameCount) {
    TBitsEngine& engine = *engine_;
    engine.FlushLastByte(true);
    engine.WriteBytes("FWS", 3);
    engine.WriteByte(version_);
    engine.WriteDWord(fileLength);
    engine.WriteRect(frameRect_);
    engine.WriteWord(frameRate_);
    engine.WriteWord(frameCount);
}

void TBasedSWFStream::WriteHeader() {
    stream_->SetSize(0);
    stream_->Seek(0);
    framesWritten_ = 0;
    frameCount_ = 0;
    fileLength_ = 0;
    WriteHeaderBlock(0, 0);
}

void TBasedSWFStream::PatchHeader(std::uint32_t fileLength, double frameRate, std::uint16_t frameCount) {
    const std::uint64_t position = stream_->Position();
    fileLength_ = fileLength;
    SetFrameRate(frameRate);
    frameCount_ = frameCount;
    stream_->Seek(0);
    WriteHeaderBlock(fileLength, frameCount);
    stream_->Seek(position);
}

void TBasedSWFStream::WriteObject(TBasedSWFObject& object) {
    object.WriteToStream(*engine_);
    SetVersion(std::max<int>(version_, object.MinVersion()));
    if (const auto* tag = dynamic_cast<const TSWFObject*>(&object); tag && tag->TagID() == tagShowFrame)
        ++framesWritten_;
}

void TBasedSWFStream::WriteEndTag(const TBasedSWFObject* lastObject) {
    const auto* tag = dynamic_cast<const TSWFObject*>(lastObject);
    if (tag && tag->TagID() == tagEnd) return;
    engine_->WriteWord(0);
}

// ---- compression ----

struct TCompressionStream::State {
    z_stream zlib{};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(1 << 16);
};

TCompressionStream::TCompressionStream(TStream& target) : target_(target), state_(std::make_unique<State>()) {
    if (deflateInit(&state_->zlib, Z_DEFAULT_COMPRESSION) != Z_OK) throw EStreamError("Cannot start zlib compression");
}

TCompressionStream::~TCompressionStream() {
    if (!finished_) {
        try {
            Finish();
        } catch (...) {
        }
    }
    deflateEnd(&state_->zlib);
}

void TCompressionStream::Seek(std::uint64_t position) {
    if (position != written_) throw EStreamError("A compression stream cannot seek");
}

std::size_t TCompressionStream::Read(void*, std::size_t) { throw EStreamError("A compression stream cannot be read"); }

void TCompressionStream::SetSize(std::uint64_t) { throw EStreamError("A compression stream cannot be resized"); }

void TCompressionStream::Deflate(int flush) {
    z_stream& zlib = state_->zlib;
    for (;;) {
        zlib.next_out = state_->buffer.data();
        zlib.avail_out = static_cast<uInt>(state_->buffer.size());
        const int result = deflate(&zlib, flush);
        if (result == Z_STREAM_ERROR) throw EStreamError("zlib compression failed");
        const std::size_t produced = state_->buffer.size() - zlib.avail_out;
        target_.Write(state_->buffer.data(), produced);
        if (flush == Z_FINISH ? result == Z_STREAM_END : (zlib.avail_in == 0 && zlib.avail_out != 0)) return;
    }
}

void TCompressionStream::Write(const void* buffer, std::size_t count) {
    if (finished_) throw EStreamError("Write to a finished compression stream");
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t chunk = std::min<std::size_t>(count, 1u << 30);
        state_->zlib.next_in = const_cast<Bytef*>(bytes);
        state_->zlib.avail_in = static_cast<uInt>(chunk);
        Deflate(Z_NO_FLUSH);
        bytes += chunk;
        count -= chunk;
        written_ += chunk;
    }
}

void TCompressionStream::Finish() {
    if (finished_) return;
    finished_ = true;
    state_->zlib.next_in = nullptr;
    state_->zlib.avail_in = 0;
    Deflate(Z_FINISH);
}

void WriteCompressedSWFHeader(TStream& target, std::uint64_t size) {
    if (size < 8) throw ESWFError("An SWF file is at least 8 bytes long");
    if (size > 0xFFFFFFFFull) throw ESWFError("An SWF file larger than 4 GiB cannot be compressed");
    TBitsEngine engine(target);
    engine.WriteBytes("CWS", 3);
    engine.WriteByte(6);
    engine.WriteDWord(static_cast<std::uint32_t>(size));
}

void CompressSWF(TStream& uncompressed, TStream& target) {
    const std::uint64_t size = uncompressed.Size();
    WriteCompressedSWFHeader(target, size);
    uncompressed.Seek(8);
    TCompressionStream compression(target);
    compression.CopyFrom(uncompressed, size - 8);
    compression.Finish();
}

void DecompressSWF(TStream& source, TStream& target) {
    source.Seek(0);
    std::uint8_t prefix[8];
    if (source.Read(prefix, 8) != 8) throw ESWFReadError("Not an SWF file: too short");
    const bool compressed = std::memcmp(prefix, "CWS", 3) == 0;
    if (!compressed && std::memcmp(prefix, "FWS", 3) != 0) throw ESWFReadError("Not an SWF file: bad signature");
    if (!compressed) {
        target.CopyFrom(source, 0);
        return;
    }
    const std::uint32_t length = prefix[4] | (prefix[5] << 8) | (prefix[6] << 16) | (static_cast<std::uint32_t>(prefix[7]) << 24);
    if (length < 8) throw ESWFReadError("Compressed SWF file with a length below 8");
    std::memcpy(prefix, "FWS", 3);
    target.Write(prefix, 8);

    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK) throw ESWFReadError("Cannot start zlib decompression");
    std::vector<std::uint8_t> input(1 << 16), output(1 << 16);
    std::uint64_t remaining = length - 8u;
    int result = Z_OK;
    while (remaining > 0 && result != Z_STREAM_END) {
        if (zlib.avail_in == 0) {
            const std::size_t got = source.Read(input.data(), input.size());
            if (got == 0) break;
            zlib.next_in = input.data();
            zlib.avail_in = static_cast<uInt>(got);
        }
        zlib.next_out = output.data();
        zlib.avail_out = static_cast<uInt>(std::min<std::uint64_t>(output.size(), remaining));
        const uInt room = zlib.avail_out;
        result = inflate(&zlib, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            inflateEnd(&zlib);
            throw ESWFReadError("Corrupt compressed SWF data");
        }
        const std::size_t produced = room - zlib.avail_out;
        try {
            target.Write(output.data(), produced);
        } catch (...) {
            inflateEnd(&zlib);
            throw;
        }
        remaining -= produced;
        if (result == Z_BUF_ERROR && produced == 0 && zlib.avail_in != 0) break;
    }
    inflateEnd(&zlib);
    if (remaining > 0) throw ESWFReadError("Compressed SWF data ends before the stated length");
}

TSWFHeader ReadSWFHeader(TBitsEngine& engine) {
    engine.Stream().Seek(0);
    TSWFHeader header;
    const std::string signature = engine.ReadString(3);
    if (signature != "FWS" && signature != "CWS") throw ESWFReadError("Not an SWF file: bad signature");
    header.Compressed = signature == "CWS";
    header.Version = engine.ReadByte();
    header.FileLength = engine.ReadDWord();
    header.FrameRect = engine.ReadRect();
    header.FrameRate = engine.ReadWord();
    header.FrameCount = engine.ReadWord();
    header.HeaderSize = static_cast<std::uint32_t>(engine.Position());
    return header;
}

}  // namespace pellicor
