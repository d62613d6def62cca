#pragma once

// SWF files assembled tag by tag for the reader and merging tests: the header of any
// version, tags written by their classes or as raw bytes, and the compressed layout.

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/control_tags.h"
#include "swf/movie_stream.h"
#include "swf/swf_object.h"
#include "swf_test_support.h"

namespace pellicor::test {

class TSWFFileBuilder {
public:
    explicit TSWFFileBuilder(std::uint8_t version = 6, std::int32_t widthTwips = 4000, std::int32_t heightTwips = 1000)
        : version_(version), rect_(0, widthTwips, 0, heightTwips) {}

    TSWFFileBuilder& Add(TSWFObject& tag) {
        const Bytes bytes = TagBytes(tag);
        tags_.insert(tags_.end(), bytes.begin(), bytes.end());
        if (tag.TagID() == tagShowFrame) ++frames_;
        return *this;
    }
    TSWFFileBuilder& AddRaw(const Bytes& tagBytes) {
        tags_.insert(tags_.end(), tagBytes.begin(), tagBytes.end());
        return *this;
    }
    TSWFFileBuilder& ShowFrames(int count) {
        for (int i = 0; i < count; ++i) {
            TSWFShowFrame show;
            Add(show);
        }
        return *this;
    }

    // The uncompressed file with its End tag.
    Bytes Uncompressed() const {
        Bytes tags = tags_;
        tags.insert(tags.end(), {0, 0});
        TMemoryStream stream;
        TBitsEngine engine(stream);
        engine.WriteBytes("FWS", 3);
        engine.WriteByte(version_);
        engine.WriteDWord(0);
        engine.WriteRect(rect_);
        engine.WriteWord(12 << 8);
        engine.WriteWord(static_cast<std::uint16_t>(frames_));
        engine.WriteBytes(tags);
        Bytes file = stream.Bytes();
        const auto length = static_cast<std::uint32_t>(file.size());
        for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        return file;
    }
    // The same file in the compressed layout.
    Bytes Compressed() const {
        TMemoryStream plain(Uncompressed());
        TMemoryStream packed;
        CompressSWF(plain, packed);
        return packed.Bytes();
    }

private:
    std::uint8_t version_;
    TSWFRect rect_;
    Bytes tags_;
    int frames_ = 0;
};

}  // namespace pellicor::test
