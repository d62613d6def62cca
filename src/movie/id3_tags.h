#pragma once

#include <cstdint>
#include <string>

#include "movie/byte_source.h"
#include "movie/sound_error.h"

namespace pellicor {

// The ID3v2 tag at the start of an MP3 file. Only its header is read: the MPEG reader
// needs the tag's size to skip it.
class TID3v2 {
public:
    static constexpr std::size_t kHeaderSize = 10;

    // false when the file holds fewer than 10 bytes. A file without a tag reads fine (Exists
    // false, Size 0). ESoundError when the file cannot be opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);
    void Reset() { *this = TID3v2{}; }

    bool Exists = false;
    std::uint8_t VersionID = 0;  // 2, 3 or 4 for ID3v2.2 to ID3v2.4
    std::uint8_t Revision = 0;
    std::uint8_t Flags = 0;
    // The whole tag: the size field (four 7-bit bytes) plus the 10-byte header; 0 without a
    // tag or when the tag would end beyond the file.
    std::uint32_t Size = 0;
};

// The ID3v1 / ID3v1.1 tag in the last 128 bytes of an MP3 file.
class TID3v1 {
public:
    static constexpr std::size_t kTagSize = 128;

    // ESoundError when the file cannot be opened or is shorter than 128 bytes; true otherwise
    // (Exists tells whether the last 128 bytes are a tag).
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);
    void Reset() { *this = TID3v1{}; }

    bool Exists = false;
    std::uint8_t VersionID = 0;  // 0 for ID3v1.0, 1 for ID3v1.1 (with a track number)
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t Track = 0;
    std::uint8_t GenreID = 255;
};

}  // namespace pellicor
