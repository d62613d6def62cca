#include "movie/id3_tags.h"

#include <cstring>

namespace pellicor {

namespace {

std::unique_ptr<TFileByteSource> OpenSoundFile(const std::string& fileName) {
    auto source = TFileByteSource::Open(fileName);
    if (!source) throw ESoundError("Cannot open the sound file \"" + fileName + "\"");
    return source;
}

// A fixed-size text field: up to the first zero byte, trailing spaces removed.
std::string TagText(const std::uint8_t* field, std::size_t size) {
    std::size_t length = 0;
    while (length < size && field[length] != 0) ++length;
    while (length > 0 && field[length - 1] == ' ') --length;
    return std::string(reinterpret_cast<const char*>(field), length);
}

}  // namespace

bool TID3v2::ReadFromFile(const std::string& fileName) { return ReadFromSource(*OpenSoundFile(fileName)); }

bool TID3v2::ReadFromSource(TByteSource& source) {
    Reset();
    std::uint8_t header[kHeaderSize];
    if (source.ReadAt(0, header, kHeaderSize) != kHeaderSize) return false;
    if (std::memcmp(header, "ID3", 3) != 0) return true;
    Exists = true;
    VersionID = header[3];
    Revision = header[4];
    Flags = header[5];
    const std::uint64_t size = (std::uint32_t{header[6] & 0x7Fu} << 21 | std::uint32_t{header[7] & 0x7Fu} << 14 |
                                std::uint32_t{header[8] & 0x7Fu} << 7 | (header[9] & 0x7Fu)) +
                               kHeaderSize;
    Size = size > source.Size() ? 0 : static_cast<std::uint32_t>(size);
    return true;
}

bool TID3v1::ReadFromFile(const std::string& fileName) { return ReadFromSource(*OpenSoundFile(fileName)); }

bool TID3v1::ReadFromSource(TByteSource& source) {
    Reset();
    std::uint8_t tag[kTagSize];
    if (source.Size() < kTagSize || source.ReadAt(source.Size() - kTagSize, tag, kTagSize) != kTagSize)
        throw ESoundError("The sound file is too short to read");
    if (std::memcmp(tag, "TAG", 3) != 0) return true;
    Exists = true;
    Title = TagText(tag + 3, 30);
    Artist = TagText(tag + 33, 30);
    Album = TagText(tag + 63, 30);
    Year = TagText(tag + 93, 4);
    // ID3v1.1 keeps the track in the comment's last byte, behind a zero byte.
    if (tag[125] == 0 && tag[126] != 0) {
        VersionID = 1;
        Comment = TagText(tag + 97, 28);
        Track = tag[126];
    } else {
        Comment = TagText(tag + 97, 30);
    }
    GenreID = tag[127];
    return true;
}

}  // namespace pellicor
