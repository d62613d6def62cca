#include <gtest/gtest.h>

#include <cstring>

#include "media/mcl.h"
#include "media_fixtures.h"

namespace pellicor {

using testing::Fixture;

namespace {

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

std::string Tag(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

TMclWriteHandle OpenWriter(const std::string& path, int rate) {
    TMclWriteHandle writer = MclCreate();
    MclAudioSetFileName(*writer, path);
    MclAudioSetFileFormat(*writer, kMclFileFormatWave);
    MclAudioSetCodec(*writer, kMclCodecPcm);
    MclAudioSetFormat(*writer, rate, 1, 8);
    return writer;
}

}  // namespace

// The tone in blocks of one 25 fps frame into a mono 8-bit wave file at the same rate:
// a 44-byte header describing it and the samples turned to 8 bits.
TEST(MediaWaveWriter, WritesAStandardWaveFile) {
    testing::TempFolder folder;
    const std::string path = folder.File("atemp.wav");
    TMclReadHandle reader = MclReadOpen(Fixture("tone.wav"));
    TMclSound whole;
    MclReadSound(*reader, 0, 22050, whole);

    TMclWriteHandle writer = OpenWriter(path, 22050);
    TMclSoundHandle block = MclSndCreate();
    for (int first = 0; first < 22050; first += 882) {
        MclReadSound(*reader, first, 882, *block);
        MclWriteSound(*writer, *block);
    }
    MclFree(writer);
    EXPECT_EQ(writer, nullptr);

    const std::vector<std::uint8_t> bytes = testing::ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 22050);
    EXPECT_EQ(Tag(bytes, 0), "RIFF");
    EXPECT_EQ(Little(bytes, 4, 4), bytes.size() - 8);
    EXPECT_EQ(Tag(bytes, 8), "WAVE");
    EXPECT_EQ(Tag(bytes, 12), "fmt ");
    EXPECT_EQ(Little(bytes, 16, 4), 16u);
    EXPECT_EQ(Little(bytes, 20, 2), 1u);      // PCM
    EXPECT_EQ(Little(bytes, 22, 2), 1u);      // mono
    EXPECT_EQ(Little(bytes, 24, 4), 22050u);  // rate
    EXPECT_EQ(Little(bytes, 28, 4), 22050u);  // bytes per second
    EXPECT_EQ(Little(bytes, 32, 2), 1u);      // block align
    EXPECT_EQ(Little(bytes, 34, 2), 8u);
    EXPECT_EQ(Tag(bytes, 36), "data");
    EXPECT_EQ(Little(bytes, 40, 4), 22050u);
    for (std::size_t i = 0; i < 22050; i += 37) {
        std::int16_t sample;
        std::memcpy(&sample, &whole.data[i * 2], 2);
        EXPECT_NEAR(bytes[44 + i], (sample >> 8) + 128, 1) << "sample " << i;
    }
}

// Another rate: the resampler runs as one stream across blocks, and FFmpeg reads the
// result back as the tone at the new rate.
TEST(MediaWaveWriter, ConvertsTheRateAcrossBlocks) {
    testing::TempFolder folder;
    const std::string path = folder.File("low.wav");
    TMclReadHandle reader = MclReadOpen(Fixture("clip.mp4"));
    TMclWriteHandle writer = OpenWriter(path, 11025);
    TMclSound block;
    for (int first = 0; first < 44100; first += 882) {
        MclReadSound(*reader, first, 882, block);
        MclWriteSound(*writer, block);
    }
    MclFree(writer);

    TMclFileInfo info;
    MclGetFileInfo(path, info);
    EXPECT_EQ(info.aFreq, 11025);
    EXPECT_EQ(info.aBitsChn, 8);
    EXPECT_NEAR(info.aLen, 22050, 4);
    TMclReadHandle back = MclReadOpen(path);
    TMclSound sound;
    MclReadSound(*back, 2756, 11025 / 2, sound);
    EXPECT_EQ(sound.bits, 8);
    EXPECT_NEAR(testing::ZeroCrossings(sound.data, 1, 8), 440, 6);
}

TEST(MediaWaveWriter, EdgeCases) {
    testing::TempFolder folder;
    // No block at all: a valid empty file.
    TMclWriteHandle empty = OpenWriter(folder.File("empty.wav"), 44100);
    MclFree(empty);
    const auto emptyBytes = testing::ReadFileBytes(folder.File("empty.wav"));
    ASSERT_EQ(emptyBytes.size(), 44u);
    EXPECT_EQ(Little(emptyBytes, 4, 4), 36u);
    EXPECT_EQ(Little(emptyBytes, 40, 4), 0u);

    // An odd data size gets a pad byte that the sizes leave out of the data chunk.
    TMclWriteHandle odd = OpenWriter(folder.File("odd.wav"), 8000);
    TMclSound sound;
    sound.rate = 8000;
    sound.channels = 1;
    sound.bits = 8;
    sound.data.assign(3, 0x80);
    MclWriteSound(*odd, sound);
    EXPECT_THROW(MclAudioSetFormat(*odd, 11025, 1, 8), EMediaError);  // writing has begun
    MclFree(odd);
    const auto oddBytes = testing::ReadFileBytes(folder.File("odd.wav"));
    ASSERT_EQ(oddBytes.size(), 48u);
    EXPECT_EQ(Little(oddBytes, 4, 4), 40u);
    EXPECT_EQ(Little(oddBytes, 40, 4), 3u);

    // Unknown formats and codecs, a folder that does not exist.
    TMclWriteHandle writer = MclCreate();
    EXPECT_THROW(MclAudioSetFileFormat(*writer, 13), EMediaError);
    EXPECT_THROW(MclAudioSetCodec(*writer, 2), EMediaError);
    EXPECT_THROW(MclAudioSetFormat(*writer, 22050, 1, 24), EMediaError);
    MclAudioSetFileName(*writer, folder.File("no/such/folder/x.wav"));
    EXPECT_THROW(MclWriteSound(*writer, sound), EMediaError);
    EXPECT_THROW(MclFree(writer), EMediaError);
    EXPECT_EQ(writer, nullptr);
}

}  // namespace pellicor
