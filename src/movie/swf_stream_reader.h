#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/movie_stream.h"
#include "swf/swf_object.h"

namespace pellicor {

// How much a reader takes from one file. SWF files come from anywhere: a compressed file
// may claim 4 GiB or inflate a few kilobytes into gigabytes, and tiny tags multiply into
// millions of objects. Past a limit the reader throws ESWFReadError instead of growing.
struct TSWFReadLimits {
    // Bytes of tag data (after the header; after inflating for a compressed file).
    std::uint64_t MaxTagDataSize = 512ull << 20;
    // Entries of the top-level tag list (sprites' inner tags are bounded by their bytes).
    std::uint32_t MaxTags = 4u << 20;
};

// One tag of a file as the reader found it.
class TSWFTagInfo {
public:
    // Length of the body from the tag header.
    std::int32_t BodyLength = 0;
    // 1 for the tags of the first frame; the ShowFrame closing a frame carries its number.
    std::uint16_t FrameNumber = 1;
    bool LongHeader = false;
    // Offset of the tag header in the tag data (for sub-entries: in the sprite's body).
    std::uint32_t Position = 0;
    std::uint16_t TagCode = 0;
    // The parsed tag, or none when the tag stays raw.
    std::unique_ptr<TSWFObject> TagObject;
    // DefineSprite only: one entry per tag inside the sprite (without its End). The inner
    // tag objects belong to the sprite's tag object; the entries carry none.
    std::vector<TSWFTagInfo> SubEntries;

    // Header and body.
    std::uint32_t FullSize() const { return static_cast<std::uint32_t>(BodyLength) + (LongHeader ? 6u : 2u); }
};

// Reads an existing SWF file ("FWS" or "CWS", any version): the header, then the tag
// sequence split into entries, each optionally parsed into the tag object that can write
// it again. Width and height are in twips (TwipsFactor 1).
class TSWFStreamReader : public TBasedSWFStream {
public:
    TSWFStreamReader();
    // Loads the file when a name is given (LoadFromFile).
    explicit TSWFStreamReader(const std::string& fileName, const TSWFReadLimits& limits = {});

    TSWFReadLimits Limits;

    // Asked before a tag is parsed; clearing parse keeps the tag raw.
    std::function<void(const TSWFTagInfo& entry, bool& parse)> OnTagRead;
    // Asked for each parsed tag during renumbering; clearing include leaves the tag as it is.
    std::function<void(TSWFObject& tag, bool& include)> OnRenumber;
    // Progress while parsing tags: (reader, percent 0..100, phase 0).
    std::function<void(TSWFStreamReader& sender, int percent, int phase)> OnProgress;

    // Opens the file (EStreamError when it cannot be read) and loads it.
    void LoadFromFile(const std::string& fileName);
    // The whole stream from its start.
    void LoadFromStream(TStream& stream);
    // The file's bytes. Signature check, decompression, header and tag data: a file that
    // is not an SWF file (shorter than 4 bytes, another signature) leaves the reader invalid
    // and empty; a truncated header, a corrupt or short compressed body, or data past the
    // limits throw ESWFReadError.
    void LoadFromBuffer(std::span<const std::uint8_t> bytes);

    bool Valid() const { return valid_; }
    // The signature was "CWS".
    bool IsCompressedFile() const { return compressedFile_; }
    // The header as read (version byte, file length, rectangle, rate, count).
    const TSWFHeader& Header() const { return header_; }
    // The tag sequence, from the first tag header on.
    const std::vector<std::uint8_t>& TagData() const { return tagData_; }

    // Builds the tag list. parseObjects: through the tag factory (OnTagRead may veto each);
    // parseActions: action byte code becomes action records. A body that fails to parse
    // becomes a TSWFErrorTag; a tag whose body runs past the end of the data is kept as an
    // error tag holding what there is, and ends the list. The list ends after the End tag.
    void ParseTags(bool parseObjects, bool parseActions);
    std::size_t TagCount() const { return tags_.size(); }
    TSWFTagInfo& TagInfo(std::size_t index) { return tags_.at(index); }
    const TSWFTagInfo& TagInfo(std::size_t index) const { return tags_.at(index); }
    const std::vector<TSWFTagInfo>& Tags() const { return tags_; }

    // Gives the characters the file defines the ids startId, startId + 1, ... in file
    // order and updates every reference to them; references to ids the file never defines
    // stay. Returns the next free id.
    std::uint16_t RenumberCharacters(std::uint16_t startId);
    // The number of characters the file defines (each imported asset counts).
    std::uint32_t CountCharacters() const;

    // The bytes of one entry (header and body) as they lie in the tag data.
    std::span<const std::uint8_t> RawTagBytes(const TSWFTagInfo& entry) const;

    // Rebuilds the stream from the list: parsed tags written again, raw tags copied.
    void WriteMovie();

private:
    void ReadHeaderAndTags(std::span<const std::uint8_t> uncompressedBody);
    void ParseSpriteEntries(TSWFTagInfo& entry) const;

    bool valid_ = false;
    bool compressedFile_ = false;
    TSWFHeader header_;
    std::vector<std::uint8_t> tagData_;
    std::vector<TSWFTagInfo> tags_;
};

// One call for fuzzers and tests: loads the bytes, parses every tag with its actions and
// renumbers from 1. Returns the reader; throws only ESWFError (ESWFReadError included) for
// a damaged file.
std::unique_ptr<TSWFStreamReader> ReadSWFMovie(std::span<const std::uint8_t> bytes, const TSWFReadLimits& limits = {});

}  // namespace pellicor
