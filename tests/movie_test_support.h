#pragma once

// Helpers for tests of the movie builder: the bytes a movie wrote, its tags parsed back
// through the tag factory, and a stand-in stream sound that marks its head and blocks.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "movie/flash_movie.h"
#include "movie/flash_stream_sound.h"
#include "swf/movie_stream.h"
#include "swf/sound_tags.h"
#include "swf/tag_factory.h"
#include "swf_test_support.h"

namespace pellicor::test {

using TagList = std::vector<std::unique_ptr<TSWFObject>>;

// The bytes in a memory movie's stream.
inline Bytes MovieBytes(TFlashMovie& movie) { return dynamic_cast<TMemoryStream&>(movie.Stream()).Bytes(); }

// The bytes after an uncompressed file header (the tag sequence).
inline Bytes AfterHeader(const Bytes& file) {
    TMemoryStream stream(file);
    TBitsEngine engine(stream);
    const TSWFHeader header = ReadSWFHeader(engine);
    return Bytes(file.begin() + header.HeaderSize, file.end());
}

// Every tag of a tag sequence starting at offset, parsed through the tag factory for the
// given file version. A tag that fails to parse, or a sequence that does not end exactly at
// the end of the data, is a test failure.
inline TagList ParseTags(const Bytes& bytes, std::size_t offset = 0, std::uint8_t version = 0) {
    TagList tags;
    TMemoryStream stream(bytes);
    stream.Seek(offset);
    TBitsEngine engine(stream);
    engine.Context.Version = version;
    while (engine.BytesLeft() > 0) {
        try {
            tags.push_back(ReadSWFTag(engine));
        } catch (const std::exception& error) {
            ADD_FAILURE() << "tag " << tags.size() << " does not parse: " << error.what();
            break;
        }
        if (const auto* error = dynamic_cast<const TSWFErrorTag*>(tags.back().get()))
            ADD_FAILURE() << SWFTagName(error->ReadCode) << " does not parse: " << error->ErrorText;
    }
    return tags;
}

inline std::vector<std::uint16_t> TagCodes(const TagList& tags) {
    std::vector<std::uint16_t> codes;
    for (const auto& tag : tags) codes.push_back(tag->TagID());
    return codes;
}

// Whatever one object writes through a fresh engine.
inline Bytes ObjectBytes(TBasedSWFObject& object) {
    return WrittenBytes([&](TBitsEngine& engine) { object.WriteToStream(engine); });
}

// A stream sound that writes a head announcing the frame rate (as its sample count) and
// SoundStreamBlock tags whose one-byte body counts the blocks.
class TMarkerStreamSound : public TFlashStreamSound {
public:
    explicit TMarkerStreamSound(std::uint16_t startFrame = 0, int minVersion = 1) : minVersion_(minVersion) {
        StartFrame = startFrame;
    }
    int BlocksWritten = 0;

    int MinVersion() const override { return minVersion_; }
    void WriteToStream(TBitsEngine&) override {}
    void FillStreamHead(TSWFSoundStreamHead2& head, double frameRate) override {
        head.StreamSoundSampleCount = static_cast<std::uint16_t>(frameRate);
        BlocksWritten = 0;
    }
    void WriteStreamBlock(TBitsEngine& writer) override {
        const std::uint8_t body = static_cast<std::uint8_t>(BlocksWritten++);
        WriteSWFTag(writer, tagSoundStreamBlock, std::span<const std::uint8_t>(&body, 1));
    }
    std::unique_ptr<TFlashStreamSound> CloneStreamSound() const override {
        return std::make_unique<TMarkerStreamSound>(*this);
    }

private:
    int minVersion_;
};

}  // namespace pellicor::test
