#include "movie/swf_stream_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "movie/swf_character_ids.h"
#include "swf/sprite_tags.h"
#include "swf/tag_factory.h"
#include "util/numbers.h"

namespace pellicor {

namespace {

std::uint32_t ReadLittle32(const std::uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Inflates exactly count bytes from the zlib stream. The output grows only as data comes
// out, so a header that claims more than the stream holds costs nothing; count above the
// limit is refused only once the data really gets there.
std::vector<std::uint8_t> InflateExactly(std::span<const std::uint8_t> input, std::uint64_t count,
                                         std::uint64_t limit) {
    z_stream zlib{};
    if (inflateInit(&zlib) != Z_OK) throw ESWFReadError("Cannot start zlib decompression");
    std::vector<std::uint8_t> output;
    std::uint8_t chunk[1 << 16];
    zlib.next_in = const_cast<Bytef*>(input.data());
    zlib.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), 0x7FFFFFFF));
    int result = Z_OK;
    const char* failure = nullptr;
    while (output.size() < count && result != Z_STREAM_END) {
        zlib.next_out = chunk;
        zlib.avail_out = static_cast<uInt>(std::min<std::uint64_t>(sizeof chunk, count - output.size()));
        const uInt room = zlib.avail_out;
        result = inflate(&zlib, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            failure = "Corrupt compressed SWF data";
            break;
        }
        const std::size_t produced = room - zlib.avail_out;
        if (output.size() + produced > limit) {
            failure = "Compressed SWF data larger than the reader's limit";
            break;
        }
        output.insert(output.end(), chunk, chunk + produced);
        if (produced == 0 && (result == Z_BUF_ERROR || zlib.avail_in == 0)) break;
    }
    inflateEnd(&zlib);
    if (failure) throw ESWFReadError(failure);
    if (output.size() < count) throw ESWFReadError("Compressed SWF data ends before the stated length");
    return output;
}

bool IsSignature(std::span<const std::uint8_t> bytes, const char* signature) {
    return std::memcmp(bytes.data(), signature, 3) == 0;
}

// The header of one tag at offset in data; false when the header itself is cut off.
bool ReadTagHeaderAt(std::span<const std::uint8_t> data, std::size_t offset, TSWFTagInfo& entry) {
    if (data.size() - offset < 2) return false;
    const std::uint16_t word = static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
    entry.TagCode = static_cast<std::uint16_t>(word >> 6);
    std::uint32_t length = word & 0x3F;
    entry.LongHeader = length == 0x3F;
    if (entry.LongHeader) {
        if (data.size() - offset < 6) return false;
        length = ReadLittle32(&data[offset + 2]);
    }
    // A length past the signed range can never fit in the data; it is cut down below.
    entry.BodyLength = static_cast<std::int32_t>(std::min<std::uint32_t>(length, 0x7FFFFFFF));
    entry.Position = static_cast<std::uint32_t>(offset);
    return true;
}

}  // namespace

TSWFStreamReader::TSWFStreamReader() : TBasedSWFStream(false, TRect{}, 0) {}

TSWFStreamReader::TSWFStreamReader(const std::string& fileName, const TSWFReadLimits& limits)
    : TSWFStreamReader() {
    Limits = limits;
    if (!fileName.empty()) LoadFromFile(fileName);
}

void TSWFStreamReader::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileStream::Mode::OpenRead);
    LoadFromStream(file);
}

void TSWFStreamReader::LoadFromStream(TStream& stream) {
    const std::uint64_t size = stream.Size();
    // An uncompressed file is all tag data; a compressed one cannot be larger than its
    // inflated form, so either way the limit bounds what is read.
    if (size > Limits.MaxTagDataSize + 64) throw ESWFReadError("SWF file larger than the reader's limit");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    stream.Seek(0);
    stream.ReadBuffer(bytes.data(), bytes.size());
    LoadFromBuffer(bytes);
}

void TSWFStreamReader::LoadFromBuffer(std::span<const std::uint8_t> bytes) {
    valid_ = false;
    compressedFile_ = false;
    header_ = {};
    tagData_.clear();
    tags_.clear();
    if (bytes.size() < 4 || (!IsSignature(bytes, "FWS") && !IsSignature(bytes, "CWS"))) return;
    valid_ = true;
    compressedFile_ = IsSignature(bytes, "CWS");
    if (bytes.size() < 8) throw ESWFReadError("SWF file ends inside its header");
    header_.Compressed = compressedFile_;
    header_.Version = bytes[3];
    header_.FileLength = ReadLittle32(&bytes[4]);
    if (!compressedFile_) {
        ReadHeaderAndTags(bytes.subspan(8));
        return;
    }
    if (header_.FileLength < 8) throw ESWFReadError("Compressed SWF file with a length below 8");
    ReadHeaderAndTags(InflateExactly(bytes.subspan(8), header_.FileLength - 8u, Limits.MaxTagDataSize + 64));
}

void TSWFStreamReader::ReadHeaderAndTags(std::span<const std::uint8_t> body) {
    TMemoryStream stream(body.data(), body.size());
    TBitsEngine engine(stream);
    header_.FrameRect = engine.ReadRect();
    header_.FrameRate = engine.ReadWord();
    header_.FrameCount = engine.ReadWord();
    header_.HeaderSize = static_cast<std::uint32_t>(8 + engine.Position());
    const std::size_t start = static_cast<std::size_t>(engine.Position());
    if (body.size() - start > Limits.MaxTagDataSize) throw ESWFReadError("SWF tag data larger than the reader's limit");
    tagData_.assign(body.begin() + static_cast<std::ptrdiff_t>(start), body.end());
    SetVersion(header_.Version);
    SetFrameRect(header_.FrameRect);
    SetFrameCount(header_.FrameCount);
    SetFrameRate(Fixed8ToFloat(header_.FrameRate));
}

void TSWFStreamReader::ParseTags(bool parseObjects, bool parseActions) {
    tags_.clear();
    const std::span<const std::uint8_t> data(tagData_);
    TSWFReadContext context;
    context.Version = header_.Version;
    context.ParseActions = parseActions;
    std::uint16_t frame = 1;
    std::size_t offset = 0;
    while (offset < data.size()) {
        if (OnProgress)
            OnProgress(*this, static_cast<int>(RoundHalfEven(static_cast<double>(offset) / data.size() * 100)), 0);
        if (tags_.size() >= Limits.MaxTags) throw ESWFReadError("SWF file with more tags than the reader's limit");
        TSWFTagInfo entry;
        if (!ReadTagHeaderAt(data, offset, entry)) break;  // a few stray bytes after the last tag
        entry.FrameNumber = frame;
        const std::size_t headerSize = entry.LongHeader ? 6 : 2;
        const std::size_t available = data.size() - offset - headerSize;
        const bool truncated = static_cast<std::size_t>(entry.BodyLength) > available;
        if (truncated) entry.BodyLength = static_cast<std::int32_t>(available);
        const auto body = data.subspan(offset + headerSize, static_cast<std::size_t>(entry.BodyLength));

        bool parse = parseObjects;
        if (parse && OnTagRead) OnTagRead(entry, parse);
        if (truncated) {
            entry.TagObject = std::make_unique<TSWFErrorTag>(entry.TagCode, "Tag body runs past the end of the file",
                                                             std::vector<std::uint8_t>(body.begin(), body.end()));
        } else if (std::unique_ptr<TSWFObject> tag = parse ? CreateSWFTag(entry.TagCode) : nullptr;
                   tag && entry.BodyLength > 0) {
            try {
                ReadSWFTagBody(*tag, body, context);
                entry.TagObject = std::move(tag);
            } catch (const ESWFError& error) {
                entry.TagObject = std::make_unique<TSWFErrorTag>(entry.TagCode, error.what(),
                                                                 std::vector<std::uint8_t>(body.begin(), body.end()));
            }
        } else if (tag) {
            // A bodiless tag (ShowFrame, End) is complete as it is.
            entry.TagObject = std::move(tag);
        }
        if (entry.TagObject && entry.TagObject->TagID() == tagErrorTag) entry.TagCode = tagErrorTag;
        if (entry.TagObject && entry.TagObject->TagID() == tagDefineSprite) ParseSpriteEntries(entry);
        const std::uint16_t code = entry.TagCode;
        offset += headerSize + static_cast<std::size_t>(entry.BodyLength);
        tags_.push_back(std::move(entry));
        if (code == tagShowFrame) ++frame;
        if (code == tagEnd || truncated) break;
    }
}

void TSWFStreamReader::ParseSpriteEntries(TSWFTagInfo& entry) const {
    const auto& sprite = static_cast<const TSWFDefineSprite&>(*entry.TagObject);
    const auto body = RawTagBytes(entry).subspan(entry.LongHeader ? 6 : 2);
    std::size_t offset = 4;  // SpriteID, FrameCount
    std::uint16_t frame = 1;
    for (std::size_t i = 0; i < sprite.ControlTags.size() && offset < body.size(); ++i) {
        TSWFTagInfo inner;
        if (!ReadTagHeaderAt(body, offset, inner)) break;
        inner.FrameNumber = frame;
        if (inner.TagCode == tagShowFrame) ++frame;
        offset += inner.FullSize();
        entry.SubEntries.push_back(std::move(inner));
        if (offset > body.size()) break;
    }
}

std::span<const std::uint8_t> TSWFStreamReader::RawTagBytes(const TSWFTagInfo& entry) const {
    const std::size_t start = std::min<std::size_t>(entry.Position, tagData_.size());
    const std::size_t size = std::min<std::size_t>(entry.FullSize(), tagData_.size() - start);
    return std::span<const std::uint8_t>(tagData_).subspan(start, size);
}

std::uint16_t TSWFStreamReader::RenumberCharacters(std::uint16_t startId) {
    std::vector<std::uint16_t> oldIds;
    for (TSWFTagInfo& entry : tags_) {
        if (!entry.TagObject) continue;
        bool include = true;
        if (OnRenumber) OnRenumber(*entry.TagObject, include);
        if (!include) continue;
        std::vector<std::uint16_t> ids = DefinedCharacterIds(*entry.TagObject);
        if (ids.empty()) continue;
        for (std::uint16_t& id : ids) {
            oldIds.push_back(id);
            id = static_cast<std::uint16_t>(startId + oldIds.size() - 1);
        }
        SetDefinedCharacterIds(*entry.TagObject, ids);
    }
    const TCharacterIdMap map = [&oldIds, startId](std::uint16_t id) {
        const auto found = std::find(oldIds.begin(), oldIds.end(), id);
        return found == oldIds.end() ? id : static_cast<std::uint16_t>(startId + (found - oldIds.begin()));
    };
    for (TSWFTagInfo& entry : tags_)
        if (entry.TagObject) RemapCharacterReferences(*entry.TagObject, map);
    return static_cast<std::uint16_t>(startId + oldIds.size());
}

std::uint32_t TSWFStreamReader::CountCharacters() const {
    std::uint32_t count = 0;
    for (const TSWFTagInfo& entry : tags_)
        if (entry.TagObject) count += static_cast<std::uint32_t>(DefinedCharacterIds(*entry.TagObject).size());
    return count;
}

void TSWFStreamReader::WriteMovie() {
    Stream().SetSize(0);
    Stream().Seek(0);
    for (const TSWFTagInfo& entry : tags_) {
        if (entry.TagObject)
            entry.TagObject->WriteToStream(Engine());
        else
            Engine().WriteBytes(RawTagBytes(entry));
    }
}

std::unique_ptr<TSWFStreamReader> ReadSWFMovie(std::span<const std::uint8_t> bytes, const TSWFReadLimits& limits) {
    auto reader = std::make_unique<TSWFStreamReader>();
    reader->Limits = limits;
    reader->LoadFromBuffer(bytes);
    reader->ParseTags(true, true);
    reader->RenumberCharacters(1);
    return reader;
}

}  // namespace pellicor
