#include <gtest/gtest.h>

#include <cstdio>

#include "movie/sound_reader.h"
#include "movie_reader_test_support.h"

namespace pellicor {
namespace {

using namespace test_support;

TMPEGaudio Measure(const Bytes& bytes) {
    TMPEGaudio mpeg;
    TMemoryByteSource source(bytes);
    mpeg.ReadFromSource(source);
    return mpeg;
}

TWaveReader ReadMP3(const Bytes& bytes) {
    TWaveReader reader;
    TMemoryByteSource source(bytes);
    reader.ReadMP3(source);
    return reader;
}

TWaveReader ReadWave(const Bytes& bytes) {
    TWaveReader reader;
    TMemoryByteSource source(bytes);
    reader.ReadWave(source);
    return reader;
}

TEST(MPEGAudio, LameFilesAtTheUsualRates) {
    struct Case {
        int rate, channels, bitrate, version, samplesPerFrame;
    };
    for (const Case c : {Case{44100, 2, 128, 3, 1152}, Case{48000, 2, 128, 3, 1152}, Case{24000, 1, 64, 2, 576}}) {
        SCOPED_TRACE(c.rate);
        const Mp3 mp3 = EncodeMp3(c.rate, c.channels, c.bitrate);
        const TMPEGaudio mpeg = Measure(mp3.bytes);
        ASSERT_TRUE(mpeg.Found);
        EXPECT_EQ(mpeg.Frame.Version, c.version);
        EXPECT_EQ(mpeg.Frame.Layer, TMPEGFrameHeader::kLayerIII);
        EXPECT_EQ(mpeg.SampleRate(), c.rate);
        EXPECT_EQ(mpeg.SamplesPerFrame(), c.samplesPerFrame);
        EXPECT_EQ(mpeg.Channels(), c.channels);
        EXPECT_EQ(mpeg.Bitrate(), c.bitrate);
        EXPECT_EQ(mpeg.FrameOffset, 0u);
        EXPECT_FALSE(mpeg.VBR.Found());
        const double size = static_cast<double>(mp3.bytes.size());
        EXPECT_EQ(mpeg.FrameCount(), mp3.bytes.size() / mpeg.FrameLength());
        EXPECT_DOUBLE_EQ(mpeg.Duration(), size * 8 / c.bitrate / 1000);

        const TWaveReader reader = ReadMP3(mp3.bytes);
        EXPECT_EQ(reader.FormatTag, 336);
        EXPECT_EQ(reader.DataOffset, 0u);
        EXPECT_EQ(reader.DataSize, mp3.bytes.size());
        EXPECT_EQ(reader.BitsPerSample, 16);
        EXPECT_EQ(reader.SamplesPerFrame, static_cast<std::uint32_t>(c.samplesPerFrame));
        EXPECT_EQ(reader.BytesPerFrame, static_cast<std::uint32_t>(mpeg.FrameLength()));
        EXPECT_EQ(reader.FrameCount, mpeg.FrameCount());
        EXPECT_NEAR(reader.SampleCount, static_cast<double>(mp3.frames) * c.samplesPerFrame, c.samplesPerFrame);
        if (c.rate != 44100) {
            // No padding at these rates: 384 and 192 bytes a frame, the counts are exact.
            EXPECT_EQ(mpeg.FrameLength(), c.rate == 48000 ? 384 : 192);
            EXPECT_EQ(mpeg.FrameCount(), static_cast<std::uint32_t>(mp3.frames));
            EXPECT_EQ(reader.SampleCount, static_cast<std::uint32_t>(mp3.frames * c.samplesPerFrame));
        } else {
            EXPECT_TRUE(mpeg.FrameLength() == 417 || mpeg.FrameLength() == 418);
        }
    }
}

TEST(MPEGAudio, XingHeaderGivesFramesDurationAndAverageBitrate) {
    const Mp3 vbr = EncodeMp3(44100, 2, 128, true, true);
    const TMPEGaudio mpeg = Measure(vbr.bytes);
    ASSERT_TRUE(mpeg.Found);
    ASSERT_EQ(mpeg.VBR.Type, TVBRHeader::Kind::Xing);
    EXPECT_EQ(mpeg.VBR.Bytes, vbr.bytes.size());
    EXPECT_EQ(mpeg.FrameCount(), static_cast<std::uint32_t>(vbr.frames));
    EXPECT_DOUBLE_EQ(mpeg.Duration(), vbr.frames * 1152.0 / 44100);
    EXPECT_NEAR(mpeg.Bitrate(), vbr.bytes.size() * 8.0 / mpeg.Duration() / 1000, 1.5);
    const TWaveReader reader = ReadMP3(vbr.bytes);
    EXPECT_EQ(reader.SampleCount, static_cast<std::uint32_t>(vbr.frames * 1152));
    EXPECT_EQ(reader.Bitrate, static_cast<std::uint32_t>(mpeg.Bitrate()));

    // LAME's "Info" header of a CBR file is no Xing header: the whole file is counted.
    const Mp3 cbr = EncodeMp3(48000, 2, 128, false, true);
    const TMPEGaudio info = Measure(cbr.bytes);
    EXPECT_FALSE(info.VBR.Found());
    EXPECT_EQ(info.FrameCount(), static_cast<std::uint32_t>(cbr.frames + 1));

    // The average is rounded half to even: 800 bytes in 10 frames at 44.1 kHz is 24.5 kbit/s.
    Bytes xing = Frames(0xFFFB9000, 417, 3);  // MPEG 1 Layer III, 128 kbit/s, joint stereo
    std::memcpy(&xing[36], "Xing\0\0\0\x0f\0\0\0\x0a\0\0\x03\x20", 16);
    const TMPEGaudio rounded = Measure(xing);
    EXPECT_EQ(rounded.VBR.Frames, 10u);
    EXPECT_EQ(rounded.Bitrate(), 24);
    // A VBRI header sits 36 bytes into the frame even in a mono MPEG 1 frame, where a
    // Xing header would sit at 21.
    Bytes vbri = Frames(0xFFFB90C0, 417, 3);
    std::memcpy(&vbri[36], "VBRI\0\x01\0\0\0\0\0\0\x10\0\0\0\0\x20", 18);
    const TMPEGaudio fraunhofer = Measure(vbri);
    EXPECT_EQ(fraunhofer.VBR.Type, TVBRHeader::Kind::VBRI);
    EXPECT_EQ(fraunhofer.FrameCount(), 32u);
    EXPECT_EQ(fraunhofer.VBR.Bytes, 4096u);
    std::memcpy(&vbri[21], "Xing\0\0\0\x0f\0\0\0\x05\0\0\x03\x20", 16);
    EXPECT_EQ(Measure(vbri).VBR.Type, TVBRHeader::Kind::Xing);
}

TEST(MPEGAudio, ID3TagsAreSkippedButStayInTheSoundData) {
    const Mp3 mp3 = EncodeMp3(48000, 2, 128);
    Bytes tagged = ID3v2Tag(4096, 4086);
    tagged.insert(tagged.end(), mp3.bytes.begin(), mp3.bytes.end());
    Bytes v1 = {'T', 'A', 'G'};
    v1.resize(128, 0);
    std::memcpy(&v1[3], "Title", 5);
    std::memcpy(&v1[93], "1999", 4);
    v1[126] = 7;
    v1[127] = 12;
    tagged.insert(tagged.end(), v1.begin(), v1.end());

    const TMPEGaudio mpeg = Measure(tagged);
    ASSERT_TRUE(mpeg.Found);
    EXPECT_EQ(mpeg.ID3v2.Size, 4096u);
    EXPECT_EQ(mpeg.FrameOffset, 0u);
    EXPECT_EQ(mpeg.FramePosition, 4096u);
    EXPECT_EQ(mpeg.FrameCount(), (tagged.size() - 4096) / 384);
    EXPECT_TRUE(mpeg.ID3v1.Exists);
    EXPECT_EQ(mpeg.ID3v1.Title, "Title");
    EXPECT_EQ(mpeg.ID3v1.Year, "1999");
    EXPECT_EQ(mpeg.ID3v1.Track, 7);
    EXPECT_EQ(mpeg.ID3v1.GenreID, 12);
    const TWaveReader reader = ReadMP3(tagged);
    EXPECT_EQ(reader.DataOffset, 0u);
    EXPECT_EQ(reader.DataSize, tagged.size());

    // A tag size beyond the file counts as 0: the scan starts at byte 0 and meets the first
    // frame behind the 10 header bytes.
    Bytes lying = ID3v2Tag(10, 1 << 20);
    lying.insert(lying.end(), mp3.bytes.begin(), mp3.bytes.end());
    const TMPEGaudio fromStart = Measure(lying);
    EXPECT_EQ(fromStart.ID3v2.Size, 0u);
    EXPECT_EQ(fromStart.FrameOffset, 10u);
}

TEST(MPEGAudio, HeaderRulesAndFrameLengths) {
    const auto valid = [](std::uint32_t h) {
        const std::uint8_t b[4] = {std::uint8_t(h >> 24), std::uint8_t(h >> 16), std::uint8_t(h >> 8), std::uint8_t(h)};
        return TMPEGFrameHeader::IsValid(b);
    };
    EXPECT_TRUE(valid(0xFFFB9000));
    EXPECT_FALSE(valid(0xFFFB9002));  // emphasis 2
    EXPECT_FALSE(valid(0xFFFBF000));  // bitrate index 15
    EXPECT_FALSE(valid(0xFFFB0000));  // free format
    EXPECT_FALSE(valid(0xFFFB9C00));  // sample rate index 3
    EXPECT_FALSE(valid(0xFFEB9000));  // reserved version
    EXPECT_FALSE(valid(0xFFF99000));  // no layer
    EXPECT_FALSE(valid(0xFFDB9000));  // short sync

    struct Case {
        std::uint32_t header;
        int length, samplesPerFrame, sampleRate, bitrate;
    };
    for (const Case c : {Case{0xFFFB9200, 418, 1152, 44100, 128},  // padding
                         Case{0xFFFD4400, 192, 1152, 48000, 64},   // MPEG 1 Layer II
                         Case{0xFFFF1000, 32, 384, 44100, 32},     // Layer I: 8 slots of 4 bytes
                         Case{0xFFFF1200, 36, 384, 44100, 32},     // Layer I with its 4-byte padding
                         Case{0xFFE31800, 72, 576, 8000, 8},       // MPEG 2.5 Layer III
                         Case{0xFFF3E400, 480, 576, 24000, 160}}) {  // MPEG 2 Layer III
        SCOPED_TRACE(c.header);
        Bytes pair = Frames(c.header, c.length, 2);
        pair.resize(std::max<std::size_t>(pair.size(), 128), 0);  // room for an ID3v1 tag
        const TMPEGaudio mpeg = Measure(pair);
        ASSERT_TRUE(mpeg.Found);
        EXPECT_EQ(mpeg.FrameLength(), c.length);
        EXPECT_EQ(mpeg.SamplesPerFrame(), c.samplesPerFrame);
        EXPECT_EQ(mpeg.SampleRate(), c.sampleRate);
        EXPECT_EQ(mpeg.Bitrate(), c.bitrate);
    }

    // One frame without a valid successor is no frame; a bad one before a good pair is skipped.
    Bytes single = Frames(0xFFFB9000, 417, 1);
    single.resize(1000, 0);
    const TMPEGaudio none = Measure(single);
    EXPECT_FALSE(none.Found);
    EXPECT_EQ(none.SampleRate(), 0);
    EXPECT_EQ(ReadMP3(single).SampleRate, 0u);
    Bytes skipped = Frames(0xFFFB9000, 100, 1);
    const Bytes good = Frames(0xFFFB9000, 417, 2);
    skipped.insert(skipped.end(), good.begin(), good.end());
    skipped.resize(1000, 0);
    EXPECT_EQ(Measure(skipped).FrameOffset, 100u);
}

TEST(MPEGAudio, SecondScanAtTheMiddleOfTheFile) {
    // 4000 bytes of noise, then 40 frames of 384 bytes: the first block holds no frame
    // pair, the block read at 19360 / 2 = 9680 meets a frame 80 bytes in.
    Bytes file(4000, 0x55);
    const Bytes frames = Frames(0xFFFB9400, 384, 40);  // 48 kHz, 128 kbit/s
    file.insert(file.end(), frames.begin(), frames.end());
    const TMPEGaudio mpeg = Measure(file);
    ASSERT_TRUE(mpeg.Found);
    EXPECT_EQ(mpeg.FrameOffset, 80u);
    EXPECT_EQ(mpeg.FramePosition, 9760u);
    EXPECT_EQ(mpeg.FrameCount(), (19360u - 80) / 384);

    // A first block that is not full gets no second look.
    Bytes shortFile(1800, 0x55);
    const Bytes few = Frames(0xFFFB9400, 384, 3);
    shortFile.insert(shortFile.end(), few.begin(), few.end());
    EXPECT_FALSE(Measure(shortFile).Found);
}

TEST(WaveReader, PcmWaveFiles) {
    const TWaveReader stereo = ReadWave(Wave(1, 2, 44100, 16, Bytes(4000, 1)));
    EXPECT_EQ(stereo.FormatTag, 1);
    EXPECT_EQ(stereo.Channels, 2);
    EXPECT_EQ(stereo.SampleRate, 44100u);
    EXPECT_EQ(stereo.BitsPerSample, 16);
    EXPECT_EQ(stereo.SampleCount, 1000u);
    EXPECT_EQ(stereo.DataOffset, 44u);
    EXPECT_EQ(stereo.DataSize, 4000u);
    EXPECT_DOUBLE_EQ(stereo.Duration, 1000.0 / 44100);

    // An odd-sized chunk before the data is padded to an even size.
    const Bytes monoFile = Wave(1, 1, 11025, 8, Bytes(1103, 128), {{"LIST", Bytes(5, 'x')}});
    const TWaveReader mono = ReadWave(monoFile);
    EXPECT_EQ(mono.DataOffset, 58u);
    EXPECT_EQ(mono.DataSize, 1103u);
    EXPECT_EQ(mono.SampleCount, 1103u);

    // A data chunk longer than the file is cut at the file's end; a RIFF size of 0 (a writer
    // that never finished) still lets the chunks be read.
    Bytes cut = Wave(1, 2, 22050, 16, Bytes(4000, 1));
    cut.resize(cut.size() - 1000);
    EXPECT_EQ(ReadWave(cut).DataSize, 3000u);
    EXPECT_EQ(ReadWave(cut).SampleCount, 750u);
    Bytes unfinished = Wave(1, 1, 8000, 16, Bytes(800, 0));
    std::fill_n(unfinished.begin() + 4, 4, 0);
    EXPECT_EQ(ReadWave(unfinished).SampleCount, 400u);

    // Without "data", "fmt " or "WAVE" the reader stays empty.
    const auto empty = [](const TWaveReader& r) {
        return r.FormatTag == 0 && r.SampleRate == 0 && r.SampleCount == 0 && r.DataOffset == 0 && r.DataSize == 0;
    };
    EXPECT_TRUE(empty(ReadWave(Wave(1, 2, 44100, 16, {}, {{"LIST", Bytes(4, 0)}}, false))));
    Bytes noFormat = Wave(1, 2, 44100, 16, Bytes(400, 0));
    std::memcpy(&noFormat[12], "junk", 4);
    EXPECT_TRUE(empty(ReadWave(noFormat)));
    Bytes noWave = Wave(1, 2, 44100, 16, Bytes(400, 0));
    noWave[8] = 'w';
    EXPECT_TRUE(empty(ReadWave(noWave)));
    Bytes truncated = Wave(1, 2, 44100, 16, Bytes(400, 0));
    truncated.resize(30);
    EXPECT_TRUE(empty(ReadWave(truncated)));
}

TEST(WaveReader, MpegDataInAWaveFile) {
    const Mp3 mp3 = EncodeMp3(48000, 1, 64);
    const Bytes file = Wave(0x55, 1, 48000, 0, mp3.bytes);
    const TWaveReader reader = ReadWave(file);
    EXPECT_EQ(reader.FormatTag, 0x55);
    EXPECT_EQ(reader.DataOffset, 44u);
    EXPECT_EQ(reader.DataSize, mp3.bytes.size());
    EXPECT_EQ(reader.SampleRate, 48000u);
    EXPECT_EQ(reader.Channels, 1);
    EXPECT_EQ(reader.SamplesPerFrame, 1152u);
    EXPECT_EQ(reader.BytesPerFrame, 192u);
    EXPECT_EQ(reader.FrameCount, static_cast<std::uint32_t>(mp3.frames));  // bounded by the data chunk
    const TMPEGaudio mpeg = Measure(file);
    EXPECT_TRUE(mpeg.IsWave);
    EXPECT_EQ(mpeg.FrameOffset, 44u);
}

TEST(WaveReader, ExtensionPicksTheParser) {
    const Bytes wave = Wave(1, 1, 22050, 16, Bytes(441, 0));
    const Bytes mp3 = EncodeMp3(44100, 2, 128).bytes;
    const std::string wavePath = WriteTempFile("pellicor_sound_reader_test.Wav", wave);
    const std::string mp3Path = WriteTempFile("pellicor_sound_reader_test.MP3", mp3);
    const std::string otherPath = WriteTempFile("pellicor_sound_reader_test.ogg", wave);
    const std::string tinyPath = WriteTempFile("pellicor_sound_reader_test_tiny.mp3", Frames(0xFFE31800, 48, 2));
    EXPECT_EQ(TWaveReader(wavePath).SampleCount, 220u);
    EXPECT_EQ(TWaveReader(mp3Path).SampleRate, 44100u);
    EXPECT_EQ(TWaveReader(otherPath).FormatTag, 0);
    EXPECT_THROW(TWaveReader{tinyPath}, ESoundError);  // shorter than an ID3v1 tag
    EXPECT_THROW(TWaveReader{"/nonexistent/sound.wav"}, ESoundError);
    EXPECT_EQ(TWaveReader("/nonexistent/sound.aiff").FormatTag, 0);
    TMPEGaudio mpeg;
    EXPECT_TRUE(mpeg.ReadFromFile(mp3Path));
    for (const std::string& path : {wavePath, mp3Path, otherPath, tinyPath}) std::remove(path.c_str());
}

}  // namespace
}  // namespace pellicor
