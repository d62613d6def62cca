// Sound files (.wav, .mp3) as sources: the movie shows a still picture for the length of
// the sound at 12 frames per second, one sound stream block per frame.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "batch/batch_driver.h"
#include "cli_test_support.h"
#include "engine_sound_test_support.h"
#include "engine_test_support.h"
#include "media/source_probe.h"
#include "media_fixtures.h"
#include "settings/cov_settings.h"
#include "swf/tag_codes.h"

namespace pellicor {
namespace {

using testing::TempFolder;
using testing::WriteFileBytes;
using testing_support::RunCli;
using namespace sound_test;

TEST(AudioOnly, SoundFilesGetTwelveFramesPerSecondOverTheWholeSound) {
    TCovSettings task;
    task.sourceInfo.srcFilename = "tone.wav";
    task.sourceInfo.srcFilepath = "/music/";
    task.sourceInfo.vLen = 1;
    task.sourceInfo.resX = 320;
    task.sourceInfo.resY = 240;
    task.sourceInfo.aExists = task.sourceInfo.aSupported = 1;
    task.sourceInfo.aLen = 66150;
    task.sourceInfo.aTimeLen = 3.0;
    ASSERT_TRUE(InitTaskSettings("", task, kInitNoProbe));
    EXPECT_EQ(task.destFrameRate, 12);

    TPassSettings context;
    ASSERT_TRUE(FillPassSettings(task, "/tmp", context));
    EXPECT_FALSE(context.isVideo || context.isGif);
    EXPECT_TRUE(context.isAudio);
    EXPECT_EQ(context.destFrameRate, 12);
    EXPECT_EQ(context.srcFrameRate, 12);
    EXPECT_EQ(context.startIndex, 0);
    EXPECT_EQ(context.endIndex, 35);

    // A part frame of sound still gets its frame; a rate of 0 from an older task list is 12.
    task.sourceInfo.aTimeLen = 2.01;
    task.destFrameRate = 0;
    ASSERT_TRUE(FillPassSettings(task, "/tmp", context));
    EXPECT_EQ(context.destFrameRate, 12);
    EXPECT_EQ(context.endIndex, 24);
}

// Converts `source` with pellicor-cli at the audio format; checks the movie's frames, its
// still picture and its sound (the 440 Hz tone, as long as the source's).
void ExpectStillMovieWithTone(const std::string& source, int audioFormat, const TempFolder& folder) {
    const std::string what = source + (audioFormat ? " as MP3" : " as wave");
    TSourceInfo info;
    ASSERT_TRUE(ProbeSourceFile(source, info)) << what;
    ASSERT_EQ(info.vFreq, 0) << what;
    ASSERT_NEAR(info.aTimeLen, 3.0, 0.1) << what;

    const std::string movie = folder.File(audioFormat ? "mp3.swf" : "wave.swf");
    const auto run = RunCli({"convert", source, "-o", movie, "--set", "destAudioFormat=" + std::to_string(audioFormat)},
                            folder.File(""));
    ASSERT_EQ(run.status, 0) << what << ": " << run.err;

    const engine_test::TSwfFile file = engine_test::ReadSwf(movie);
    engine_test::ExpectWellFormed(file);
    EXPECT_EQ(file.header.FrameRate, 12 * 256) << what;
    EXPECT_NEAR(file.header.FrameCount, 36, 1) << what;
    const int blocks = file.Count(tagSoundStreamBlock);
    EXPECT_NEAR(blocks, 36, 1) << what;
    // Automatic start and no end actions: every frame is a sound frame, each with one block;
    // the blank picture is placed once.
    EXPECT_EQ(blocks, file.header.FrameCount) << what;
    EXPECT_EQ(file.ShowFrames(), file.header.FrameCount) << what;
    EXPECT_EQ(file.Count(tagDefineBitsJPEG2), 0) << what;
    ASSERT_EQ(file.Count(tagPlaceObject2), 1) << what;
    EXPECT_NE(file.FirstIn(0, tagPlaceObject2), nullptr) << what;
    EXPECT_NE(file.FirstIn(0, tagSoundStreamBlock), nullptr) << what;

    const TDecoded sound = DecodeMovieSound(movie);
    ASSERT_TRUE(sound.HasAudio) << what;
    const double mp3Frame = sound.Codec == AV_CODEC_ID_MP3 ? (sound.SampleRate < 32000 ? 576.0 : 1152.0) / sound.SampleRate : 0;
    // Within a frame of the blocks' time; an MP3 stream carries whole MP3 frames (up to one
    // short), and libav leaves out the encoder's priming frames at its start.
    const double slack = 1 / 12.0 + 3 * mp3Frame;
    EXPECT_NEAR(sound.Seconds(), blocks / 12.0, slack) << what;
    EXPECT_NEAR(sound.Seconds(), info.aTimeLen, slack) << what;
    const TTone tone = MeasureTone(sound);
    EXPECT_NEAR(tone.Frequency, 440, 4) << what;
    EXPECT_GT(tone.Level, 0.03) << what;
}

TEST(AudioOnly, WaveAndMp3SourcesBecomeStillMoviesWithTheirSound) {
    const TempFolder folder;
    const std::string wave = folder.File("tone.wav"), mp3 = folder.File("tone.mp3");
    WriteFileBytes(wave, ToneWave(22050, 1, 3.0));
    WriteFileBytes(mp3, ToneMp3(44100, 3.0));
    for (const std::string& source : {wave, mp3})
        for (int format : {1, 0}) ExpectStillMovieWithTone(source, format, folder);
}

}  // namespace
}  // namespace pellicor
