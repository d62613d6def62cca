// The sound object: loading wave and MP3 files, the stream head, the cutting of the data into
// one SoundStreamBlock per frame (uncompressed and MP3, with and without looping), the event
// sound, and the movie's stream sound slot.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "movie/flash_movie.h"
#include "movie/flash_sound.h"
#include "movie/flash_sprite.h"
#include "movie/mpeg_audio.h"
#include "movie_reader_test_support.h"
#include "movie_test_support.h"
#include "swf/sound_tags.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;
namespace ts = test_support;

// MPEG 1 Layer III mono, 128 kbit/s, no padding: 44100 Hz (417-byte frames) and 48000 Hz
// (384-byte frames); the same at 44100 Hz with the padding bit (418 bytes); MPEG 2 Layer III
// mono at 24000 Hz, 64 kbit/s (192-byte frames).
constexpr std::uint32_t kHeader44k = 0xFFFB90C0;
constexpr std::uint32_t kHeader48k = 0xFFFB94C0;
constexpr std::uint32_t kHeader24k = 0xFFF384C0;

// count frames whose fifth byte numbers them from 1, so blocks show which frames they carry.
Bytes NumberedFrames(std::uint32_t header, std::size_t length, int count) {
    Bytes frames = ts::Frames(header, length, count);
    for (int i = 0; i < count; ++i) frames[i * length + 4] = static_cast<std::uint8_t>(i + 1);
    return frames;
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The bytes an object writes.
Bytes WriteToBytes(TBasedSWFObject& object) {
    TMemoryStream stream;
    TBitsEngine engine(stream);
    object.WriteToStream(engine);
    return stream.Bytes();
}

// The bytes the next WriteStreamBlock produces.
Bytes NextBlock(TFlashSound& sound) {
    TMemoryStream stream;
    TBitsEngine engine(stream);
    sound.WriteStreamBlock(engine);
    return stream.Bytes();
}

Bytes HeadBody(TFlashSound& sound, double frameRate) {
    TSWFSoundStreamHead2 head;
    sound.FillStreamHead(head, frameRate);
    TMemoryStream stream;
    TBitsEngine engine(stream);
    head.WriteTagBody(engine);
    return stream.Bytes();
}

// The MP3 block header: long form, length = data + 4, SampleCount, SeekSamples.
Bytes MP3BlockHeader(std::uint32_t dataLength, std::uint16_t samples, std::int16_t seek) {
    Bytes header = {0xFF, 0x04};
    ts::Put32(header, dataLength + 4);
    ts::Put16(header, samples);
    ts::Put16(header, static_cast<std::uint16_t>(seek));
    return header;
}

TEST(FlashSound, UncompressedBlocksHaveOneFrameOfSamples) {
    // 44.1 kHz 16-bit stereo at 25 fps: S = 1764, blocks of 7052 bytes (one sample frame
    // fewer than S) in the long form.
    const Bytes data = Pattern(3 * 7052 + 100);
    TFlashSound stereo(nullptr, ts::WriteTempFile("stereo16.wav", ts::Wave(1, 2, 44100, 16, data)));
    ASSERT_TRUE(stereo.IsLoaded());
    EXPECT_EQ(stereo.Format, sndUncompressed);
    EXPECT_EQ(stereo.WrittenFormat(), sndUncompressedLE);
    EXPECT_EQ(stereo.MinVersion(), 4);
    EXPECT_EQ(stereo.SampleCount, data.size() / 4);
    EXPECT_EQ(HeadBody(stereo, 25), HexBytes("0F 3F E4 06"));
    EXPECT_EQ(stereo.BytesPerBlock(), 7052u);
    EXPECT_EQ(NextBlock(stereo), Concat({HexBytes("FF 04 8C 1B 00 00"), Slice(data, 0, 7052)}));
    EXPECT_EQ(NextBlock(stereo), Concat({HexBytes("FF 04 8C 1B 00 00"), Slice(data, 7052, 7052)}));

    // 11025 Hz 8-bit mono at 30 fps: S = 367 bytes; 2000 Hz at 50 fps: 40 bytes, short form.
    TFlashSound mono(nullptr, ts::WriteTempFile("mono8.wav", ts::Wave(1, 1, 11025, 8, Pattern(1000))));
    EXPECT_EQ(HeadBody(mono, 30), HexBytes("04 34 6F 01"));
    EXPECT_EQ(mono.BytesPerBlock(), 367u);
    TFlashSound small(nullptr, ts::WriteTempFile("small8.wav", ts::Wave(1, 1, 2000, 8, Pattern(100))));
    HeadBody(small, 50);
    EXPECT_EQ(NextBlock(small), Concat({HexBytes("E8 04"), Slice(Pattern(100), 0, 40)}));
}

TEST(FlashSound, UncompressedDataLoopsOrEnds) {
    const Bytes data = Pattern(1000);
    const std::string file = ts::WriteTempFile("loop8.wav", ts::Wave(1, 1, 11025, 8, data));
    const Bytes header = {0xFF, 0x04, 0x6F, 0x01, 0x00, 0x00};  // 367 bytes

    TFlashSound looping(nullptr, file);
    looping.Loop = true;
    HeadBody(looping, 30);
    NextBlock(looping);
    NextBlock(looping);
    // The third block runs out after 266 bytes and goes on from the start of the data.
    EXPECT_EQ(NextBlock(looping), Concat({header, Slice(data, 734, 266), Slice(data, 0, 101)}));
    EXPECT_EQ(NextBlock(looping), Concat({header, Slice(data, 101, 367)}));

    TFlashSound once(nullptr, file);
    HeadBody(once, 30);
    NextBlock(once);
    NextBlock(once);
    EXPECT_EQ(NextBlock(once), Concat({header, Slice(data, 734, 266), Bytes(101, 0)}));
    EXPECT_TRUE(NextBlock(once).empty());

    // A new head starts the stream again.
    HeadBody(once, 30);
    EXPECT_EQ(NextBlock(once), Concat({header, Slice(data, 0, 367)}));
}

TEST(FlashSound, MP3BlocksFollowTheFrameRate) {
    // 44.1 kHz at 12 fps: S = 3675, F = 1152.
    const Bytes frames = NumberedFrames(kHeader44k, 417, 40);
    TFlashSound sound(nullptr, ts::WriteTempFile("cbr44.mp3", frames));
    ASSERT_EQ(sound.Format, sndMP3);
    EXPECT_EQ(sound.RateCode, sndRate44k);
    EXPECT_EQ(sound.SampleRate, 44100u);
    EXPECT_EQ(sound.SamplesPerMP3Frame, 1152);
    EXPECT_EQ(sound.BytesPerMP3Frame, 417);
    EXPECT_EQ(sound.MP3FrameCount, 40u);
    EXPECT_EQ(sound.MinVersion(), 4);
    EXPECT_EQ(HeadBody(sound, 12), HexBytes("0E 2E 5B 0E 00 00"));

    // Block 0: seek 0, (0 + 3675) div 1152 = 3 frames; block 1: seek 3675 - 3456 = 219,
    // (219 + 3675) div 1152 = 3 frames.
    EXPECT_EQ(NextBlock(sound), Concat({MP3BlockHeader(3 * 417, 3456, 0), Slice(frames, 0, 3 * 417)}));
    EXPECT_EQ(NextBlock(sound), Concat({MP3BlockHeader(3 * 417, 3456, 219), Slice(frames, 3 * 417, 3 * 417)}));
    NextBlock(sound);  // seek 438
    NextBlock(sound);  // seek 657
    NextBlock(sound);  // seek 876
    // Block 5: seek 5 x 3675 - 5 x 3456 = 1095, (1095 + 3675) div 1152 = 4 frames.
    EXPECT_EQ(NextBlock(sound), Concat({MP3BlockHeader(4 * 417, 4608, 1095), Slice(frames, 15 * 417, 4 * 417)}));

    // 48 kHz at 12 fps: S = 4000; MPEG 2 at 24 kHz: F = 576, rate code 22 kHz.
    TFlashSound high(nullptr, ts::WriteTempFile("cbr48.mp3", ts::Frames(kHeader48k, 384, 20)));
    EXPECT_EQ(high.SamplesPerMP3Frame, 1152);
    EXPECT_EQ(high.RateCode, sndRate5k);  // SWF has no 48 kHz
    TSWFSoundStreamHead2 head;
    high.FillStreamHead(head, 12);
    EXPECT_EQ(head.StreamSoundSampleCount, 4000);
    TFlashSound low(nullptr, ts::WriteTempFile("cbr24.mp3", ts::Frames(kHeader24k, 192, 20)));
    EXPECT_EQ(low.SamplesPerMP3Frame, 576);
    EXPECT_EQ(low.RateCode, sndRate22k);

    // Fewer samples per movie frame than per MP3 frame: empty blocks (SampleCount 0) in
    // between, short form.
    HeadBody(low, 60);  // S = 400
    EXPECT_EQ(NextBlock(low), HexBytes("C4 04 00 00 00 00"));
    EXPECT_EQ(NextBlock(low), Concat({MP3BlockHeader(192, 576, 400), ts::Frames(kHeader24k, 192, 1)}));
}

TEST(FlashSound, MP3DataLoopsAtTheLastFrame) {
    // Seven frames, three per block: the third block passes the last frame.
    const Bytes frames = NumberedFrames(kHeader44k, 417, 7);
    const std::string file = ts::WriteTempFile("seven.mp3", frames);
    TFlashSound looping(nullptr, file);
    looping.Loop = true;
    HeadBody(looping, 12);
    NextBlock(looping);
    NextBlock(looping);
    EXPECT_EQ(NextBlock(looping),
              Concat({MP3BlockHeader(3 * 417, 3456, 438), Slice(frames, 6 * 417, 417), Slice(frames, 0, 2 * 417)}));
    EXPECT_EQ(NextBlock(looping), Concat({MP3BlockHeader(3 * 417, 3456, 657), Slice(frames, 2 * 417, 3 * 417)}));

    // Without looping the missing frames are zeros, and the data's end ends the blocks.
    TFlashSound once(nullptr, file);
    HeadBody(once, 12);
    NextBlock(once);
    NextBlock(once);
    EXPECT_EQ(NextBlock(once), Concat({MP3BlockHeader(3 * 417, 3456, 438), Slice(frames, 6 * 417, 417), Bytes(834, 0)}));
    EXPECT_TRUE(NextBlock(once).empty());
}

TEST(FlashSound, MP3DataStartsAfterTheID3v2TagAndKeepsWholeFrames) {
    // A 4096-byte ID3v2 tag: the data and the first block start with the first frame.
    const Bytes frames = NumberedFrames(kHeader48k, 384, 12);
    TFlashSound tagged(nullptr, ts::WriteTempFile("tagged.mp3", Concat({ts::ID3v2Tag(4096, 4086), frames})));
    EXPECT_EQ(tagged.DataOffset, 4096u);
    EXPECT_EQ(tagged.DataSize, frames.size());
    HeadBody(tagged, 12);
    EXPECT_EQ(NextBlock(tagged), Concat({MP3BlockHeader(3 * 384, 3456, 0), Slice(frames, 0, 3 * 384)}));

    // Frames of 417 and 418 bytes (padding), a damaged stretch and an ID3v1 tag at the end:
    // every block holds whole frames, junk between frames is skipped, the tag never
    // streams, and the blocks together hold every frame in order.
    Bytes mixed;
    std::vector<Bytes> expected;
    for (int i = 0; i < 30; ++i) {
        const bool padded = i % 3 == 1;
        Bytes frame = NumberedFrames(padded ? kHeader44k | 0x200 : kHeader44k, padded ? 418 : 417, 1);
        frame[4] = static_cast<std::uint8_t>(i + 1);
        if (i == 17) mixed.insert(mixed.end(), 50, 0x55);  // junk before frame 17
        mixed.insert(mixed.end(), frame.begin(), frame.end());
        expected.push_back(frame);
    }
    Bytes id3v1(128, 0);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    mixed.insert(mixed.end(), id3v1.begin(), id3v1.end());
    TFlashSound sound(nullptr, ts::WriteTempFile("mixed.mp3", mixed));
    sound.Loop = true;
    HeadBody(sound, 12);
    // Past the last frame the stream starts again with the first one.
    int streamed = 0;
    while (streamed < 36) {
        const Bytes block = NextBlock(sound);
        ASSERT_GE(block.size(), 10u);
        const int samples = block[6] | block[7] << 8;
        ASSERT_EQ(samples % 1152, 0);
        std::size_t at = 10;
        for (int k = 0; k < samples / 1152; ++k, ++streamed) {
            const Bytes& frame = expected[streamed % 30];
            ASSERT_EQ(Slice(block, at, frame.size()), frame) << "frame " << streamed;
            at += frame.size();
        }
        EXPECT_EQ(at, block.size());
    }
}

TEST(FlashSound, EventSoundHoldsTheWholeData) {
    const Bytes data = Pattern(10);
    TFlashSound wave(nullptr, ts::WriteTempFile("event.wav", ts::Wave(1, 1, 11025, 8, data)));
    wave.SetCharacterId(7);
    EXPECT_EQ(WriteToBytes(wave), Concat({HexBytes("91 03 07 00 34 0A 00 00 00"), data}));

    const Bytes frames = ts::Frames(kHeader48k, 384, 2);
    TFlashSound mp3(nullptr, ts::WriteTempFile("event.mp3", Concat({ts::ID3v2Tag(100, 90), frames})));
    mp3.SetCharacterId(1);
    mp3.InitialSeek = -2;
    const Bytes tag = WriteToBytes(mp3);
    // Long header, id 1, MP3 48 kHz (rate code 0) 16-bit mono, 2304 samples, seek -2.
    EXPECT_EQ(Slice(tag, 0, 15), HexBytes("BF 03 09 03 00 00 01 00 22 00 09 00 00 FE FF"));
    EXPECT_EQ(Slice(tag, 15, tag.size() - 15), frames);
}

TEST(FlashSound, FilesWithoutUsableSoundGiveNoBlocks) {
    EXPECT_THROW(TFlashSound().LoadFromFile(test_support::TestTempDir() + "missing.wav"), ESoundError);
    TFlashSound missing(nullptr, test_support::TestTempDir() + "missing.wav");
    EXPECT_FALSE(missing.IsLoaded());
    HeadBody(missing, 12);
    EXPECT_TRUE(NextBlock(missing).empty());

    // Another extension, and a wave without a "data" chunk: no values, no blocks.
    for (const std::string& name : {ts::WriteTempFile("sound.ogg", Pattern(500)),
                                    ts::WriteTempFile("nodata.wav", ts::Wave(1, 1, 11025, 8, {}, {}, false))}) {
        TFlashSound sound(nullptr, name);
        sound.Loop = true;
        EXPECT_TRUE(sound.IsLoaded());
        EXPECT_EQ(sound.SampleRate, 0u);
        HeadBody(sound, 12);
        EXPECT_EQ(sound.SamplesPerBlock(), 0);
        EXPECT_TRUE(NextBlock(sound).empty());
    }

    // A "data" chunk that claims more than the file holds is read as far as the file goes.
    Bytes lying = ts::Wave(1, 1, 11025, 8, Pattern(300));
    lying[40] = 0xFF, lying[41] = 0xFF;
    TFlashSound cut(nullptr, ts::WriteTempFile("lying.wav", lying));
    cut.Loop = true;
    HeadBody(cut, 30);
    EXPECT_EQ(NextBlock(cut), Concat({HexBytes("FF 04 6F 01 00 00"), Pattern(300), Slice(Pattern(300), 0, 67)}));
}

TEST(FlashSound, DamagedFilesNeverReadOutsideTheFile) {
    const std::vector<Bytes> seeds = {ts::Wave(1, 2, 44100, 16, Pattern(3000)),
                                      NumberedFrames(kHeader44k, 417, 12),
                                      Concat({ts::ID3v2Tag(64, 54), NumberedFrames(kHeader24k, 192, 9)})};
    std::mt19937 random(11);
    for (int round = 0; round < 150; ++round) {
        Bytes file = seeds[round % seeds.size()];
        const int changes = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < changes; ++i) file[random() % file.size()] = static_cast<std::uint8_t>(random());
        if (round % 5 == 0) file.resize(random() % file.size());
        const std::string name = ts::WriteTempFile(round % seeds.size() == 0 ? "fuzz.wav" : "fuzz.mp3", file);
        try {
            TFlashSound sound(nullptr, name);
            sound.Loop = round % 2 == 0;
            for (double rate : {12.0, 30.0, 1.0}) {
                HeadBody(sound, rate);
                for (int block = 0; block < 20; ++block) NextBlock(sound);
            }
            WriteToBytes(sound);
        } catch (const ESoundError&) {
            // Too short for the MPEG reader: a clean error.
        }
    }
}

TEST(FlashSound, MovieStreamSoundWritesHeadAndBlocks) {
    TFlashMovie movie(0, 0, 100, 100, 30, true);
    EXPECT_FALSE(movie.HasStreamSound());
    TFlashSound& sound = movie.StreamSound();
    EXPECT_TRUE(movie.HasStreamSound());
    EXPECT_TRUE(sound.Loop);
    EXPECT_EQ(&movie.StreamSound(), &sound);
    EXPECT_EQ(sound.Owner(), &movie);
    const Bytes data = Pattern(400);
    sound.LoadFromFile(ts::WriteTempFile("movie8.wav", ts::Wave(1, 1, 11025, 8, data)));
    movie.ShowFrame(2);
    movie.WriteMovie();

    const test::TagList tags = test::ParseTags(test::MovieBytes(movie));
    ASSERT_EQ(test::TagCodes(tags), (std::vector<std::uint16_t>{tagSoundStreamHead2, tagSoundStreamBlock, tagShowFrame,
                                                                 tagSoundStreamBlock, tagShowFrame, tagEnd}));
    EXPECT_EQ(dynamic_cast<const TSWFSoundStreamHead2&>(*tags[0]).StreamSoundSampleCount, 367);
    const auto& second = dynamic_cast<const TSWFSoundStreamBlock&>(*tags[3]);
    EXPECT_EQ(Bytes(second.DataBytes().begin(), second.DataBytes().end()),
              Concat({Slice(data, 367, 33), Slice(data, 0, 334)}));

    // A sprite's stream sound, and a copy of a sound, stream the same blocks.
    TFlashSprite sprite(&movie);
    TFlashSound& spriteSound = sprite.StreamSound();
    EXPECT_TRUE(sprite.HasStreamSound());
    spriteSound.LoadFromFile(sound.FileName());
    const auto copy = spriteSound.CloneStreamSound();
    auto& copied = dynamic_cast<TFlashSound&>(*copy);
    HeadBody(spriteSound, 30);
    HeadBody(copied, 30);
    NextBlock(spriteSound);
    NextBlock(copied);
    EXPECT_EQ(NextBlock(copied), NextBlock(spriteSound));
}

}  // namespace
}  // namespace pellicor
