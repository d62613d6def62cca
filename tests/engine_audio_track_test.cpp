// The audio track of a conversion: extraction of the source's audio range into the
// temporary wave or MP3 file, in step with the decimated video; replacement files; the copy
// beside the movie; and movies with sound checked with libavformat and libavcodec (decoded
// duration against the video's, the 440 Hz tone of the fixtures).

#include <gtest/gtest.h>

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "engine/audio_track.h"
#include "media/mcl.h"
#include "engine_test_support.h"
#include "engine_sound_test_support.h"
#include "media_fixtures.h"
#include "movie/flash_movie.h"
#include "movie/flash_sound.h"
#include "movie/sound_reader.h"
#include "movie_reader_test_support.h"
#include "swf/movie_stream.h"
#include "swf/sound_tags.h"
#include "swf/tag_codes.h"
#include "util/numbers.h"

namespace pellicor {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Fixture;
using testing::ReadFileBytes;
using testing::TempFolder;
using testing::WriteFileBytes;
namespace ts = test_support;
using namespace sound_test;
namespace fs = std::filesystem;

// Sets the run flag for the test and clears it afterwards.
class AudioTrack : public ::testing::Test {
protected:
    void SetUp() override { Converting = true; }
    void TearDown() override { Converting = false; }
};

// The context of a new task for the source (every frame at the source's rate), with its
// audio included at the given format: wave at 22050 Hz, MP3 at 128 kbit/s and 44100 Hz. The
// movie and the temporary file go into the test's folder.
void FillTask(TPassSettings& context, const std::string& source, const TempFolder& folder, int format) {
    ASSERT_TRUE(engine_test::FillContext(source, folder.File("movie.swf"), context));
    TMclFileInfo info;
    MclGetFileInfo(source, info);
    context.isAudio = info.aExists && info.aSupported;
    context.audioSampleRate = info.aTimeLen > 0 ? info.aLen / info.aTimeLen : 0;
    context.destAudioFormat = format;
    context.destAudioFrequency = 1;
    context.destAudioBitrate = 4;
    context.tempAudioFile = folder.File(format == 0 ? "temp/atemp.wav" : "temp/atemp.mp3");
}

// The clip's task (wave sound) as the sound stage finds it: the source open, a movie made.
void FillSoundStage(TPassSettings& context, const TempFolder& folder) {
    FillTask(context, Fixture("clip.mp4"), folder, 0);
    context.readHandle = MclReadOpen(context.srcPath);
    context.movie = std::make_unique<TFlashMovie>(0, 0, 100, 100, 25, true);
}

// Converts the task; returns the number of video frames of the movie (its bitmaps but the
// first-frame picture; a source without pictures has neither).
int ConvertTaskWithSound(TPassSettings& context, TProgress* progress = nullptr) {
    EXPECT_TRUE(engine_test::Convert(context, progress));
    const engine_test::TSwfFile file = engine_test::ReadSwf(context.destPath);
    engine_test::ExpectWellFormed(file);
    return std::max(0, file.Count(tagDefineBitsJPEG2) - 1);
}

// The movie has the fixtures' 440 Hz tone, as long as its frames within one frame. An MP3
// stream carries whole MP3 frames and may end up to one of them short (576 samples, more
// than a frame at 11025 Hz above 19 frames per second).
void ExpectToneForFrames(const TDecoded& sound, int frames, double frameRate, const std::string& what) {
    ASSERT_TRUE(sound.HasAudio) << what;
    const double video = frames / frameRate;
    const double mp3Frame = sound.Codec == AV_CODEC_ID_MP3 ? (sound.SampleRate < 32000 ? 576.0 : 1152.0) / sound.SampleRate : 0;
    EXPECT_NEAR(sound.Seconds(), video, std::max(1 / frameRate, mp3Frame)) << what;
    const TTone tone = MeasureTone(sound);
    EXPECT_NEAR(tone.Frequency, 440, 4) << what;
    EXPECT_GT(tone.Level, 0.03) << what;
}

// The payloads of the movie's SoundStreamBlock tags (without SampleCount and SeekSamples
// for MP3) and its head.
struct TStreamTags {
    std::unique_ptr<TSWFSoundStreamHead2> Head;
    std::vector<Bytes> Blocks;
};

TStreamTags ReadStreamTags(const std::string& path) {
    TStreamTags result;
    TMemoryStream stream(ReadFileBytes(path));
    TBitsEngine engine(stream);
    ReadSWFHeader(engine);
    while (engine.BytesLeft() > 0) {
        const TSWFTagHeader tag = ReadSWFTagHeader(engine);
        const Bytes body = engine.ReadBytes(tag.Length);
        if (tag.Code == tagSoundStreamHead2) {
            result.Head = std::make_unique<TSWFSoundStreamHead2>();
            ReadSWFTagBody(*result.Head, body);
        } else if (tag.Code == tagSoundStreamBlock) {
            const std::size_t skip = result.Head && result.Head->StreamSoundCompression == sndMP3 ? 4 : 0;
            result.Blocks.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(std::min(skip, body.size())), body.end());
        }
    }
    return result;
}

TEST_F(AudioTrack, ExtractionTakesOneBlockPerOutputFrameFromTheRangeStart) {
    // Source samples that tell their own index: sample i of the 11025 Hz source becomes the
    // 8-bit value (i / 7) % 200 + 28 in a wave file at the same rate.
    TempFolder folder;
    Bytes data;
    for (int i = 0; i < 27562; ++i) ts::Put16(data, static_cast<std::uint16_t>(((i / 7) % 200 - 100) * 256));
    const std::string source = folder.File("ramp.wav");
    WriteFileBytes(source, ts::Wave(1, 1, 11025, 16, data));

    TPassSettings context;
    context.srcPath = source;
    context.readHandle = MclReadOpen(source);
    context.srcFrameRate = 25;
    context.destFrameRate = 12;
    context.startIndex = 10;
    context.endIndex = 49;
    context.audioSampleRate = 11025;
    context.destAudioFormat = 0;
    context.destAudioFrequency = 0;
    context.tempAudioFile = folder.File("atemp.wav");
    engine_test::TRecordingProgress progress;
    EXPECT_TRUE(ExtractAudio(context, &progress));
    EXPECT_EQ(progress.stages, std::vector<std::string>{"ExtractingAudio"});
    EXPECT_EQ(progress.Log().at(1), "Extracting audio from \"ramp.wav@" + folder.File("") + "\"");
    EXPECT_EQ(progress.Maximum(), 39);
    EXPECT_EQ(progress.Position(), 40);

    // Step round(25) / 12 = 2.0833: output frames from source frames 10, 13, 15, ..., 48: 19 frames of round(11025 / 12) = 919 samples, from sample
    // round(10 x 11025 / 25) = 4410 on, one after the other.
    TWaveReader wave(context.tempAudioFile);
    ASSERT_EQ(wave.SampleRate, 11025u);
    ASSERT_EQ(wave.BitsPerSample, 8);
    ASSERT_EQ(wave.Channels, 1);
    const Bytes written = ReadFileBytes(context.tempAudioFile);
    ASSERT_EQ(wave.DataSize, 19u * 919);
    for (std::uint32_t k = 0; k < wave.DataSize; ++k)
        ASSERT_EQ(written[wave.DataOffset + k], (4410 + k) / 7 % 200 + 28) << "sample " << k;

    // 48 kHz audio at 12 frames per second: blocks of 4000 samples, 24 of them for 24 frames;
    // the wave file at 44100 Hz holds their 96000 samples resampled.
    const std::string high = folder.File("high.wav");
    WriteFileBytes(high, ToneWave(48000, 2, 2.5));
    context.readHandle = MclReadOpen(high);
    context.srcFrameRate = context.destFrameRate = 12;
    context.startIndex = 0;
    context.endIndex = 23;
    context.audioSampleRate = 48000;
    context.destAudioFrequency = 2;
    EXPECT_TRUE(ExtractAudio(context, nullptr));
    EXPECT_NEAR(TWaveReader(context.tempAudioFile).SampleCount, 88200, 64);
}

TEST_F(AudioTrack, MoviesCarryTheSourceSoundInEveryContainer) {
    for (const std::string name : {"clip.avi", "clip.mpg", "clip.wmv", "clip.asf", "clip.rm", "clip.rmvb", "clip.qt",
                                   "clip.mov", "clip.mp4", "clip.3gp"}) {
        for (int format : {0, 1}) {
            TempFolder folder;
            TPassSettings context;
            FillTask(context, Fixture(name), folder, format);
            engine_test::TRecordingProgress progress;
            const int frames = ConvertTaskWithSound(context, &progress);
            const std::string what = name + (format ? " as MP3" : " as wave");
            EXPECT_EQ(frames, context.endIndex + 1) << what;
            EXPECT_EQ(progress.stages,
                      (std::vector<std::string>{"OpeningSource", "ExtractingAudio", "MakingFlash", "Finishing"}))
                << what;
            const TDecoded sound = DecodeMovieSound(context.destPath);
            EXPECT_EQ(sound.Codec, format ? AV_CODEC_ID_MP3 : AV_CODEC_ID_PCM_U8) << what;
            ExpectToneForFrames(sound, frames, RoundHalfEven(context.destFrameRate), what);
            EXPECT_FALSE(fs::exists(context.tempAudioFile)) << what << ": the temporary file is left";
        }
    }
}

TEST_F(AudioTrack, DecimatedFramesAndRangesStartingMidFileKeepTheSoundInStep) {
    struct TCase {
        const char* name;
        double rate;
        int start;
        int frames;  // source frames start, start + 25 / rate, ... up to the last
    };
    for (const TCase& c : {TCase{"clip.mp4", 12, 0, 24}, TCase{"clip.mp4", 25, 20, 30}, TCase{"clip.mp4", 10, 17, 13},
                           TCase{"clip.avi", 12, 0, 25}, TCase{"clip.avi", 25, 20, 32}, TCase{"clip.avi", 10, 17, 14}}) {
        for (int format : {0, 1}) {
            TempFolder folder;
            TPassSettings context;
            FillTask(context, Fixture(c.name), folder, format);
            context.destFrameRate = c.rate;
            context.startIndex = c.start;
            context.destAudioBitrate = 0;  // MP3 at 11025 Hz, 32 kbit/s, mono
            const std::string what = std::string(c.name) + " at " + std::to_string(c.rate) + " fps from frame " +
                                     std::to_string(c.start) + (format ? " as MP3" : " as wave");
            EXPECT_EQ(ConvertTaskWithSound(context), c.frames) << what;
            const TDecoded sound = DecodeMovieSound(context.destPath);
            EXPECT_EQ(sound.SampleRate, format ? 11025 : 22050) << what;
            ExpectToneForFrames(sound, c.frames, c.rate, what);
        }
    }
}

TEST_F(AudioTrack, ReplacementFiles) {
    // An MP3 at 44.1 kHz streams as it is: its bytes from the first frame on, block after
    // block (looping: the file is shorter than the movie). No extraction, no copy.
    {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, 0);
        context.destIsAudioReplaced = true;
        context.destIsAudioExtracted = true;
        context.destAudioReplacedFile = Fixture("tone.mp3");
        engine_test::TRecordingProgress progress;
        const int frames = ConvertTaskWithSound(context, &progress);
        EXPECT_EQ(progress.stages, (std::vector<std::string>{"OpeningSource", "MakingFlash", "Finishing"}));
        EXPECT_EQ(context.audioFile, Fixture("tone.mp3"));
        EXPECT_FALSE(fs::exists(folder.File("movie.mp3")));
        EXPECT_FALSE(fs::exists(folder.File("movie.wav")));
        EXPECT_TRUE(fs::exists(Fixture("tone.mp3")));

        const TStreamTags tags = ReadStreamTags(context.destPath);
        ASSERT_TRUE(tags.Head);
        EXPECT_EQ(tags.Head->StreamSoundCompression, sndMP3);
        EXPECT_EQ(tags.Head->StreamSoundRate, sndRate44k);
        EXPECT_EQ(tags.Blocks.size(), static_cast<std::size_t>(frames));
        Bytes streamed;
        for (const Bytes& block : tags.Blocks) streamed.insert(streamed.end(), block.begin(), block.end());
        TFlashSound probe(nullptr, Fixture("tone.mp3"));
        const Bytes file = ReadFileBytes(Fixture("tone.mp3"));
        const Bytes data(file.begin() + probe.DataOffset, file.end());
        ASSERT_GT(streamed.size(), data.size());
        EXPECT_TRUE(std::equal(data.begin(), data.end(), streamed.begin()));
        const TDecoded sound = DecodeMovieSound(context.destPath);
        EXPECT_NEAR(MeasureTone(sound).Frequency, 440, 4);
    }
    // SWF cannot carry 48 kHz: MP3 and wave replacements at 48 kHz are decoded and encoded
    // at the task's settings, and play at the right speed.
    for (int format : {0, 1}) {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, format);
        context.destIsAudioReplaced = true;
        context.destAudioReplacedFile = folder.File(format ? "tone48.mp3" : "tone48.wav");
        WriteFileBytes(context.destAudioReplacedFile, format ? ToneMp3(48000, 3) : ToneWave(48000, 1, 3));
        engine_test::TRecordingProgress progress;
        const int frames = ConvertTaskWithSound(context, &progress);
        EXPECT_EQ(progress.stages,
                  (std::vector<std::string>{"OpeningSource", "ExtractingAudio", "MakingFlash", "Finishing"}));
        const TStreamTags tags = ReadStreamTags(context.destPath);
        ASSERT_TRUE(tags.Head);
        EXPECT_EQ(tags.Head->StreamSoundRate, format ? sndRate44k : sndRate22k);
        const TDecoded sound = DecodeMovieSound(context.destPath);
        EXPECT_EQ(sound.SampleRate, format ? 44100 : 22050);
        ExpectToneForFrames(sound, frames, 25, format ? "48 kHz MP3" : "48 kHz wave");
        EXPECT_FALSE(fs::exists(context.tempAudioFile));
        EXPECT_TRUE(fs::exists(context.destAudioReplacedFile));
    }
    // A missing replacement file, or one without sound: a movie without sound, and the task
    // fails (it did not get the sound it asked for).
    for (const std::string& replacement : {std::string("/nonexistent/tone.mp3"), Fixture("notes.txt")}) {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, 1);
        context.destIsAudioReplaced = true;
        context.destAudioReplacedFile = replacement;
        EXPECT_FALSE(engine_test::Convert(context)) << replacement;
        EXPECT_NE(context.failure.find("cannot be used"), std::string::npos) << context.failure;
        const engine_test::TSwfFile file = engine_test::ReadSwf(context.destPath);
        engine_test::ExpectWellFormed(file);
        EXPECT_EQ(file.Count(tagDefineBitsJPEG2) - 1, 50);
        EXPECT_FALSE(DecodeMovieSound(context.destPath).HasAudio) << replacement;
        const TStreamTags tags = ReadStreamTags(context.destPath);
        EXPECT_FALSE(tags.Head);
        EXPECT_TRUE(tags.Blocks.empty());
    }
}

// The range of a sound file covering its sound is the batch driver's work (tested with the
// sound files' movies); here one frame of it gets its extracted sound.
TEST_F(AudioTrack, AudioOnlySourcesGetTheirSound) {
    for (const std::string name : {"tone.wav", "tone.mp3"}) {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture(name), folder, 1);
        context.destFrameRate = 12;
        ASSERT_TRUE(context.isAudio);
        engine_test::TRecordingProgress progress;
        EXPECT_EQ(ConvertTaskWithSound(context, &progress), 0);
        EXPECT_EQ(progress.stages,
                  (std::vector<std::string>{"OpeningSource", "ExtractingAudio", "MakingFlash", "Finishing"}))
            << name;
        const TStreamTags tags = ReadStreamTags(context.destPath);
        EXPECT_TRUE(tags.Head) << name;
        EXPECT_EQ(tags.Blocks.size(), static_cast<std::size_t>(context.endIndex - context.startIndex + 1)) << name;
    }
}

TEST_F(AudioTrack, ExtractedCopyBesideTheMovie) {
    for (int format : {0, 1}) {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.wmv"), folder, format);
        context.destIsAudioExtracted = true;
        context.destAudioBitrate = 1;  // 22050 Hz, 56 kbit/s
        ConvertTaskWithSound(context);
        const std::string copy = folder.File(format ? "movie.mp3" : "movie.wav");
        ASSERT_TRUE(fs::exists(copy));
        EXPECT_FALSE(fs::exists(folder.File(format ? "movie.wav" : "movie.mp3")));
        const TWaveReader reader(copy);
        EXPECT_EQ(reader.FormatTag, format ? TWaveReader::kFormatMP3File : TWaveReader::kFormatPCM);
        EXPECT_EQ(reader.SampleRate, 22050u);
        EXPECT_EQ(reader.Channels, 1);
        if (format) {
            EXPECT_EQ(reader.Bitrate, 56u);
        }
        EXPECT_NEAR(reader.Duration, 2.0, 0.1);
        // The movie streams the same sound.
        const TStreamTags tags = ReadStreamTags(context.destPath);
        ASSERT_FALSE(tags.Blocks.empty());
        const Bytes file = ReadFileBytes(copy);
        const Bytes& first = tags.Blocks[format ? 1 : 0];  // an MP3 movie's first block may be empty
        EXPECT_NE(std::search(file.begin(), file.end(), first.begin(), first.end()), file.end());
    }
}

TEST_F(AudioTrack, StoppedRunAttachesTheShorterSound) {
    TempFolder folder;
    TPassSettings context;
    FillSoundStage(context, folder);
    engine_test::TRecordingProgress progress;
    progress.onPump = [](engine_test::TRecordingProgress& recording) {
        if (recording.pumps > 20) Converting = false;
    };
    BuildAudioTrack(context, &progress);
    EXPECT_EQ(progress.Position(), 20);
    // 20 blocks of 882 samples, in a complete wave file that the movie's sound reads.
    ASSERT_TRUE(context.movie->HasStreamSound());
    const TFlashSound& sound = context.movie->StreamSound();
    EXPECT_EQ(sound.SampleRate, 22050u);
    EXPECT_EQ(sound.SampleCount, 20u * 882);
    EXPECT_EQ(sound.DataSize, 20u * 882);
    EXPECT_FALSE(fs::exists(context.tempAudioFile));
}

// A stop while the sound, on its own thread, is still behind the frames: the sound goes on
// until it has a block for every frame the movie got, instead of ending where it was (a
// stopped movie with frames and no sound, or a sound that ends before its pictures).
TEST_F(AudioTrack, StopBesideTheFramesKeepsABlockForEveryFrame) {
    TempFolder folder;
    TPassSettings context;
    FillSoundStage(context, folder);
    {
        Paused = true;  // holds the sound's thread before its first block
        TAudioTrackTask sound(context, nullptr, true);
        Converting = false;  // the stop, with 30 frames written
        Paused = false;
        sound.Attach(30);
    }
    ASSERT_TRUE(context.movie->HasStreamSound());
    EXPECT_GE(context.movie->StreamSound().SampleCount, 30u * 882);
    EXPECT_FALSE(fs::exists(context.tempAudioFile));
}

}  // namespace
}  // namespace pellicor

namespace pellicor {
namespace {

// With more than one thread the sound is made beside the frames; on one thread before them.
// Either way the movie is the same, byte for byte: the source's sound as wave and MP3, from
// a range starting mid-file at a decimated rate, and a replacement that is encoded anew.
TEST_F(AudioTrack, MoviesWithSoundAreTheSameWhateverTheThreadCount) {
    struct TCase {
        const char* source;
        int format;
        bool replaced;
        int start;
        double rate;
    };
    for (const TCase& c : {TCase{"clip.mp4", 0, false, 0, 0}, TCase{"clip.mp4", 1, false, 0, 0},
                           TCase{"clip.avi", 1, false, 17, 10}, TCase{"clip.mov", 0, true, 0, 0}}) {
        SCOPED_TRACE(::testing::Message() << c.source << " format " << c.format << (c.replaced ? " replaced" : ""));
        Bytes one;
        for (const int threads : {1, 2, 4}) {
            TempFolder folder;
            TPassSettings context;
            FillTask(context, Fixture(c.source), folder, c.format);
            if (c.start > 0) context.startIndex = c.start;
            if (c.rate > 0) context.destFrameRate = c.rate;
            if (c.replaced) {
                context.destIsAudioReplaced = true;
                context.destAudioReplacedFile = folder.File("tone48.wav");
                WriteFileBytes(context.destAudioReplacedFile, ToneWave(48000, 2, 3));
            }
            context.threadCount = threads;
            engine_test::TRecordingProgress progress;
            const int frames = ConvertTaskWithSound(context, &progress);
            EXPECT_EQ(progress.stages,
                      (std::vector<std::string>{"OpeningSource", "ExtractingAudio", "MakingFlash", "Finishing"}));
            const TStreamTags tags = ReadStreamTags(context.destPath);
            ASSERT_TRUE(tags.Head);
            EXPECT_EQ(tags.Blocks.size(), static_cast<std::size_t>(frames));
            EXPECT_FALSE(fs::exists(context.tempAudioFile));
            const Bytes bytes = ReadFileBytes(context.destPath);
            if (threads == 1)
                one = bytes;
            else
                EXPECT_TRUE(bytes == one) << threads << " threads";
        }
    }
}

// A stop while the sound is still being made beside the frames: both end, the movie is
// well-formed and every frame it has carries its sound block. A pause holds both and the
// movie is then complete. A failure of the sound made beside the frames still fails the task
// with its reason.
TEST_F(AudioTrack, StopPauseAndFailureWhileTheSoundIsMadeBesideTheFrames) {
    {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, 1);
        context.threadCount = 2;
        engine_test::TRecordingProgress progress;
        progress.onPump = [](engine_test::TRecordingProgress& recording) {
            if (recording.pumps == 3) Paused = true;
            if (recording.pumps == 40) Paused = false;
        };
        EXPECT_TRUE(engine_test::Convert(context, &progress));
        EXPECT_GE(progress.pumps, 40);
        const TStreamTags tags = ReadStreamTags(context.destPath);
        ASSERT_TRUE(tags.Head);
        EXPECT_EQ(tags.Blocks.size(), 50u);
    }
    {
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, 1);
        context.threadCount = 2;
        engine_test::TRecordingProgress progress;
        progress.onPump = [](engine_test::TRecordingProgress& recording) {
            if (recording.pumps > 10) Converting = false;
        };
        EXPECT_TRUE(engine_test::Convert(context, &progress));
        const engine_test::TSwfFile file = engine_test::ReadSwf(context.destPath);
        engine_test::ExpectWellFormed(file);
        const int frames = file.Count(tagDefineBitsJPEG2) - 1;
        EXPECT_GT(frames, 0);
        EXPECT_LT(frames, 50);
        const TStreamTags tags = ReadStreamTags(context.destPath);
        ASSERT_TRUE(tags.Head);
        EXPECT_EQ(tags.Blocks.size(), static_cast<std::size_t>(frames));
        EXPECT_FALSE(fs::exists(context.tempAudioFile));
    }
    {
        // A replacement whose sound the media layer cannot decode is found out on the
        // sound's thread; the task fails as on one thread.
        TempFolder folder;
        TPassSettings context;
        FillTask(context, Fixture("clip.mp4"), folder, 1);
        context.threadCount = 2;
        context.destIsAudioReplaced = true;
        context.destAudioReplacedFile = folder.File("noise.wav");
        Bytes damaged = ToneWave(48000, 2, 1);
        std::fill(damaged.begin() + 12, damaged.end(), 0x5A);  // no format, no data
        WriteFileBytes(context.destAudioReplacedFile, damaged);
        EXPECT_FALSE(engine_test::Convert(context));
        EXPECT_NE(context.failure.find("cannot be used"), std::string::npos) << context.failure;
        engine_test::ExpectWellFormed(engine_test::ReadSwf(context.destPath));
        EXPECT_FALSE(ReadStreamTags(context.destPath).Head);
    }
}

}  // namespace
}  // namespace pellicor
