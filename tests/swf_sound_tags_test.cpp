#include <gtest/gtest.h>

#include "swf/sound_tags.h"
#include "swf_test_support.h"

namespace pellicor {
namespace {

using test::BodyBytes;
using test::Bytes;
using test::HexBytes;
using test::HexString;
using test::TagBytes;

Bytes Counting(std::size_t count) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return bytes;
}

TSWFSoundStreamHead2 Mp3Head44kStereo() {
    TSWFSoundStreamHead2 head;
    head.PlaybackSoundRate = sndRate44k;
    head.PlaybackSoundSize = 1;
    head.PlaybackSoundType = 1;
    head.StreamSoundCompression = sndMP3;
    head.StreamSoundRate = sndRate44k;
    head.StreamSoundSize = 1;
    head.StreamSoundType = 1;
    head.StreamSoundSampleCount = 1764;
    return head;
}

// An ADPCM head at 11 kHz.
TSWFSoundStreamHead AdpcmHead11k() {
    TSWFSoundStreamHead head;
    head.PlaybackSoundRate = sndRate11k;
    head.StreamSoundCompression = sndADPCM;
    head.StreamSoundRate = sndRate11k;
    head.StreamSoundSampleCount = 0x1234;
    return head;
}

TEST(SWFSoundStreamTags, HeadLayoutAndVersions) {
    // Without MP3 the latency field is absent; the reserved playback nibble stays 0.
    test::ExpectTagBodyCases({
        {"SoundStreamHead2, MP3", {}, [] { return Mp3Head44kStereo().Clone(); }, "0F 2F E4 06 00 00", "46 0B"},
        {"SoundStreamHead2, MP3 with latency", {}, [] {
             TSWFSoundStreamHead2 head = Mp3Head44kStereo();
             head.LatencySeek = -2;
             return head.Clone();
         }, "0F 2F E4 06 FE FF"},
        {"SoundStreamHead, ADPCM", {}, [] { return AdpcmHead11k().Clone(); }, "04 14 34 12", "84 04"},
    });
    EXPECT_EQ(Mp3Head44kStereo().MinVersion(), 4);
    TSWFSoundStreamHead old = AdpcmHead11k();
    EXPECT_EQ(old.MinVersion(), 1);
    old.StreamSoundCompression = sndMP3;
    EXPECT_EQ(old.MinVersion(), 4);

    TSWFSoundStreamHead2 other;
    EXPECT_EQ(other.MinVersion(), 3);
    other.StreamSoundCompression = sndNellymoser;
    EXPECT_EQ(other.MinVersion(), 6);

    // An MP3 head whose writer left out the latency field still reads.
    auto read = test::ReadBody(tagSoundStreamHead2, HexBytes("0F 2F E4 06"));
    auto& shortHead = dynamic_cast<TSWFSoundStreamHead2&>(*read);
    EXPECT_EQ(shortHead.StreamSoundSampleCount, 1764);
    EXPECT_EQ(shortHead.StreamSoundCompression, sndMP3);
    EXPECT_EQ(shortHead.LatencySeek, 0);
}

TEST(SWFSoundStreamTags, BlockLayouts) {
    TSWFSoundStreamBlock mp3;
    mp3.StreamSoundCompression = sndMP3;
    mp3.SampleCount = 1152;
    mp3.SetData(Counting(417));
    Bytes bytes = TagBytes(mp3);
    ASSERT_EQ(bytes.size(), 427u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 10), HexBytes("FF 04 A5 01 00 00 80 04 00 00"));
    EXPECT_EQ(Bytes(bytes.begin() + 10, bytes.end()), Counting(417));
    EXPECT_EQ(mp3.BodySize(), 421u);
    EXPECT_EQ(mp3.MinVersion(), 1);

    TSWFSoundStreamBlock pcm;
    pcm.SetData(Counting(40));
    bytes = TagBytes(pcm);
    ASSERT_EQ(bytes.size(), 42u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 2), HexBytes("E8 04"));

    // The headers the stream sound writes before copying block data itself.
    const auto header = [](std::uint32_t length, bool longForm) {
        return test::WrittenBytes([&](TBitsEngine& e) { WriteSoundStreamBlockHeader(e, length, longForm); });
    };
    EXPECT_EQ(header(421, true), HexBytes("FF 04 A5 01 00 00"));
    EXPECT_EQ(header(40, true), HexBytes("FF 04 28 00 00 00"));  // MP3 blocks: always long
    EXPECT_EQ(header(40, false), HexBytes("E8 04"));
    EXPECT_EQ(header(62, false), HexBytes("FE 04"));
    EXPECT_EQ(header(63, false), HexBytes("FF 04 3F 00 00 00"));
    EXPECT_EQ(header(4, false), HexBytes("C4 04"));  // an MP3 block without frames

    // A payload callback writes the data instead of the buffer, and survives copying.
    TSWFSoundStreamBlock streamed;
    streamed.StreamSoundCompression = sndMP3;
    streamed.SampleCount = 1152;
    streamed.SetData(HexBytes("EE"));
    const Bytes frames = Counting(417);
    streamed.OnDataWrite = [&frames](TSWFDataObject&, TBitsEngine& engine) { engine.WriteBytes(frames); };
    EXPECT_EQ(TagBytes(streamed), TagBytes(mp3));
    EXPECT_EQ(TagBytes(*streamed.Clone()), TagBytes(mp3));
}

TEST(SWFSoundStreamTags, BlockReadsTheMp3FieldsWhenTheHeadSaysMp3) {
    const Bytes body = HexBytes("80 04 F0 FF 01 02 03");
    TSWFSoundStreamBlock block;
    block.StreamSoundCompression = sndMP3;
    ReadSWFTagBody(block, body);
    EXPECT_EQ(block.SampleCount, 1152);
    EXPECT_EQ(block.SeekSamples, -16);
    EXPECT_EQ(Bytes(block.DataBytes().begin(), block.DataBytes().end()), HexBytes("01 02 03"));
    EXPECT_EQ(BodyBytes(block), body);

    // A fresh block from the factory does not know the stream format: the prefix stays data.
    auto plain = test::ReadBody(tagSoundStreamBlock, body);
    EXPECT_EQ(dynamic_cast<TSWFSoundStreamBlock&>(*plain).DataSize(), 7);
    EXPECT_EQ(BodyBytes(*plain), body);

    TSWFSoundStreamBlock tooShort;
    tooShort.StreamSoundCompression = sndMP3;
    EXPECT_THROW(ReadSWFTagBody(tooShort, HexBytes("80 04 F0")), ESWFReadError);
}

// Sound 7: one second of 44 kHz 16-bit MP3, its first 576 samples skipped.
std::unique_ptr<TSWFDefineSound> Mp3Sound() {
    auto sound = std::make_unique<TSWFDefineSound>();
    sound->SoundId = 7;
    sound->SoundFormat = sndMP3;
    sound->SoundRate = sndRate44k;
    sound->SoundSize = 1;
    sound->SoundSampleCount = 44100;
    sound->SeekSamples = -576;
    sound->SetData(HexBytes("FF FB 90 64"));
    return sound;
}

// The same data declared as uncompressed 5 kHz stereo: no seek field.
std::unique_ptr<TSWFDefineSound> UncompressedSound() {
    auto sound = Mp3Sound();
    sound->SoundFormat = sndUncompressed;
    sound->SoundRate = sndRate5k;
    sound->SoundType = 1;
    return sound;
}

TEST(SWFDefineSound, LayoutAndVersions) {
    test::ExpectTagBodyCases({
        {"MP3", {}, [] { return Mp3Sound(); }, "07 00 2E 44 AC 00 00 C0 FD FF FB 90 64", "8D 03"},
        {"uncompressed", {}, [] { return UncompressedSound(); }, "07 00 03 44 AC 00 00 FF FB 90 64"},
    });
    EXPECT_EQ(Mp3Sound()->MinVersion(), 4);

    const auto uncompressed = UncompressedSound();
    TSWFDefineSound& sound = *uncompressed;
    EXPECT_EQ(sound.MinVersion(), 1);
    sound.SoundFormat = sndUncompressedLE;
    EXPECT_EQ(sound.MinVersion(), 4);
    sound.SoundFormat = sndNellymoser;
    EXPECT_EQ(sound.MinVersion(), 6);
    sound.SoundFormat = sndADPCM;
    EXPECT_EQ(sound.MinVersion(), 1);
}

// StartSound of sound 5.
std::unique_ptr<TSWFStartSound> Start() {
    auto start = std::make_unique<TSWFStartSound>();
    start->SoundId = 5;
    return start;
}

// Every field of the sound information set.
std::unique_ptr<TSWFStartSound> FullStart() {
    auto full = std::make_unique<TSWFStartSound>();
    full->SoundId = 0x0102;
    full->SyncStop = true;
    full->SetInPoint(100);
    full->SetOutPoint(200);
    full->SetLoopCount(2);
    full->Envelope.push_back({10, 32768, 0});
    return full;
}

TEST(SWFStartSound, SoundInfoLayouts) {
    test::ExpectTagBodyCases({
        {"plain", {}, [] { return Start(); }, "05 00 00", "C3 03"},
        {"three loops", {}, [] {
             auto start = Start();
             start->SetLoopCount(3);
             return start;
         }, "05 00 04 03 00"},
        // The envelope flag follows the list.
        {"envelope flag without points", {}, [] {
             auto start = Start();
             start->HasEnvelope = true;
             return start;
         }, "05 00 00"},
        {"every field", {}, [] { return FullStart(); },
         "02 01 2F 64 00 00 00 C8 00 00 00 02 00 01 0A 00 00 00 00 80 00 00"},
        {"no multiple, in point cleared", {}, [] {
             auto noMultiple = std::make_unique<TSWFStartSound>();
             noMultiple->SyncNoMultiple = true;
             noMultiple->SetInPoint(1);
             noMultiple->SetInPoint(0);
             return noMultiple;
         }, "00 00 10"},
    });

    TSWFStartSound start;
    start.SoundId = 5;
    start.SetLoopCount(3);
    EXPECT_TRUE(start.HasLoops);
    start.SetLoopCount(0);
    EXPECT_FALSE(start.HasLoops);

    // Writing clears an envelope flag without points, and sets it for a list.
    start.HasEnvelope = true;
    BodyBytes(start);
    EXPECT_FALSE(start.HasEnvelope);
    const auto full = FullStart();
    BodyBytes(*full);
    EXPECT_TRUE(full->HasEnvelope);

    // An envelope point count that runs past the body is a read error.
    EXPECT_THROW(test::ReadBody(tagStartSound, HexBytes("05 00 08 02 0A 00 00 00 00 80 00 00")), ESWFReadError);
}

TEST(SWFSoundTags, RoundTrips) {
    TSWFSoundStreamHead2 head2 = Mp3Head44kStereo();
    head2.LatencySeek = 1105;
    auto readHead2 = test::ExpectRoundTrip(head2);
    ASSERT_TRUE(readHead2);
    EXPECT_EQ(readHead2->StreamSoundSampleCount, 1764);
    EXPECT_EQ(readHead2->LatencySeek, 1105);
    EXPECT_EQ(readHead2->PlaybackSoundType, 1);

    TSWFSoundStreamHead head;
    head.PlaybackSoundRate = sndRate22k;
    head.StreamSoundCompression = sndUncompressedLE;
    head.StreamSoundRate = sndRate22k;
    head.StreamSoundType = 1;
    head.StreamSoundSampleCount = 882;
    auto readHead = test::ExpectRoundTrip(head);
    ASSERT_TRUE(readHead);
    EXPECT_EQ(readHead->StreamSoundCompression, sndUncompressedLE);
    EXPECT_EQ(readHead->StreamSoundRate, sndRate22k);

    TSWFSoundStreamBlock block;
    block.SetData(Counting(100));
    auto readBlock = test::ExpectRoundTrip(block);
    ASSERT_TRUE(readBlock);
    EXPECT_EQ(Bytes(readBlock->DataBytes().begin(), readBlock->DataBytes().end()), Counting(100));

    TSWFDefineSound sound;
    sound.SoundId = 300;
    sound.SoundFormat = sndMP3;
    sound.SoundRate = sndRate22k;
    sound.SoundSize = 1;
    sound.SoundType = 1;
    sound.SoundSampleCount = 123456;
    sound.SeekSamples = -1105;
    sound.SetData(Counting(70));
    auto readSound = test::ExpectRoundTrip(sound);
    ASSERT_TRUE(readSound);
    EXPECT_EQ(readSound->SoundSampleCount, 123456u);
    EXPECT_EQ(readSound->SeekSamples, -1105);
    EXPECT_EQ(Bytes(readSound->DataBytes().begin(), readSound->DataBytes().end()), Counting(70));

    TSWFStartSound start;
    start.SoundId = 9;
    start.SyncNoMultiple = true;
    start.SetOutPoint(44100);
    start.SetLoopCount(65535);
    start.Envelope = {{0, 0, 32768}, {22050, 16384, 16384}, {44100, 32768, 0}};
    auto readStart = test::ExpectRoundTrip(start);
    ASSERT_TRUE(readStart);
    EXPECT_EQ(readStart->Envelope, start.Envelope);
    EXPECT_EQ(readStart->OutPoint(), 44100u);
    EXPECT_FALSE(readStart->HasInPoint);
    EXPECT_EQ(readStart->LoopCount(), 65535);
}

TEST(SWFSoundTags, DamagedBodiesNeverCrashTheReaders) {
    test::FuzzTagReader(tagSoundStreamHead, HexBytes("0F 2F E4 06 00 00"));
    test::FuzzTagReader(tagSoundStreamHead2, HexBytes("0F 2F E4 06 00 00"));
    test::FuzzTagReader(tagSoundStreamBlock, HexBytes("80 04 00 00 FF FB 90 64 00 00"));
    test::FuzzTagReader(tagDefineSound, HexBytes("07 00 2E 44 AC 00 00 C0 FD FF FB 90 64"));
    test::FuzzTagReader(tagStartSound,
                        HexBytes("02 01 2F 64 00 00 00 C8 00 00 00 02 00 02 0A 00 00 00 00 80 00 00 "
                                 "0B 00 00 00 00 80 00 00"));
}

}  // namespace
}  // namespace pellicor
