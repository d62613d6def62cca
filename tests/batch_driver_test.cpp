#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/batch_driver.h"
#include "batch/export_packaging.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TCovSettings VideoTask(const std::string& folder, const std::string& name) {
    TCovSettings task;
    task.sourceInfo.srcFilename = name;
    task.sourceInfo.srcFilepath = folder;
    task.sourceInfo.srcFileFormat = "AVI";
    task.sourceInfo.vExists = kTrue32;
    task.sourceInfo.vSupported = kTrue32;
    task.sourceInfo.resX = 320;
    task.sourceInfo.resY = 240;
    task.sourceInfo.vFreq = 25;
    task.destFilepath = folder;
    task.destFilename = ChangeExtension(name, ".swf");
    task.destWidth = 320;
    task.destHeight = 240;
    task.destStartFrame = 1;
    task.destEndFrame = 50;
    task.destFrameRate = 12;
    return task;
}

// ---- filling the conversion context ----

TEST(BatchFillPassSettings, ReaderFollowsTheSource) {
    TPassSettings context;
    TCovSettings task = VideoTask("/videos/", "clip.avi");
    ASSERT_TRUE(FillPassSettings(task, "/tmp/t/", context));
    EXPECT_TRUE(context.isVideo);
    EXPECT_FALSE(context.isGif);
    EXPECT_FALSE(context.isAudio);
    EXPECT_EQ(context.videoEngine, "MCL");
    EXPECT_EQ(context.gifEngine, "RX");

    task.sourceInfo.srcFileFormat = "Animated GIF";
    TPassSettings gif;
    ASSERT_TRUE(FillPassSettings(task, "/tmp/t/", gif));
    EXPECT_FALSE(gif.isVideo);
    EXPECT_TRUE(gif.isGif);

    // A video stream that cannot be decoded and no sound: skipped.
    task.sourceInfo.srcFileFormat = "AVI";
    task.sourceInfo.vSupported = 0;
    TPassSettings none;
    EXPECT_FALSE(FillPassSettings(task, "/tmp/t/", none));

    // The same file with usable sound: converted for its sound only when audio is included.
    task.sourceInfo.aExists = kTrue32;
    task.sourceInfo.aSupported = kTrue32;
    EXPECT_FALSE(FillPassSettings(task, "/tmp/t/", none));
    task.destIsAudioIncluded = true;
    TPassSettings sound;
    ASSERT_TRUE(FillPassSettings(task, "/tmp/t/", sound));
    EXPECT_FALSE(sound.isVideo || sound.isGif);
    EXPECT_TRUE(sound.isAudio);
}

TEST(BatchFillPassSettings, ReplacedAudioCountsOnlyWhenTheFileExists) {
    TempDir dir;
    TCovSettings task = VideoTask(dir.Folder(), "clip.avi");
    task.sourceInfo.vExists = 0;
    task.destIsAudioIncluded = true;
    task.destIsAudioReplaced = true;
    task.destAudioReplacedFile = (dir / "music.mp3").string();
    task.destAudioFormat = kAudioMp3;
    task.destAudioBitrate = 4;

    TPassSettings missing;
    EXPECT_FALSE(FillPassSettings(task, dir.Folder(), missing));

    WriteFile(dir / "music.mp3", "ID3");
    TPassSettings context;
    ASSERT_TRUE(FillPassSettings(task, dir.Folder(), context));
    EXPECT_TRUE(context.isAudio);
    EXPECT_TRUE(context.destIsAudioReplaced);
    EXPECT_EQ(context.destAudioReplacedFile, task.destAudioReplacedFile);
    // A replacement file is taken as it is: no format, no temporary file.
    EXPECT_EQ(context.destAudioBitrate, 0);
    EXPECT_EQ(context.tempAudioFile, "");
}

TEST(BatchFillPassSettings, AudioFieldsAndTemporaryFile) {
    TCovSettings task = VideoTask("/videos/", "clip.avi");
    task.sourceInfo.aExists = kTrue32;
    task.sourceInfo.aSupported = kTrue32;
    task.sourceInfo.aLen = 44100;
    task.sourceInfo.aTimeLen = 2.0;
    task.destIsAudioIncluded = true;
    task.destIsAudioExtracted = true;
    task.destAudioFormat = kAudioWave;
    task.destAudioFrequency = 1;
    task.destAudioBitrate = 3;

    TPassSettings wave;
    ASSERT_TRUE(FillPassSettings(task, "/cache/temp/", wave));
    EXPECT_TRUE(wave.isAudio);
    EXPECT_TRUE(wave.destIsAudioExtracted);
    EXPECT_EQ(wave.destAudioFormat, kAudioWave);
    EXPECT_EQ(wave.destAudioFrequency, 1);
    EXPECT_EQ(wave.destAudioBitrate, 3);
    EXPECT_DOUBLE_EQ(wave.audioSampleRate, 22050.0);
    EXPECT_EQ(wave.tempAudioFile, "/cache/temp/atemp.wav");

    task.destAudioFormat = kAudioMp3;
    task.sourceInfo.aTimeLen = 0;  // a probe without a duration must not divide by zero
    TPassSettings mp3;
    ASSERT_TRUE(FillPassSettings(task, "/cache/temp/", mp3));
    EXPECT_EQ(mp3.tempAudioFile, "/cache/temp/atemp.mp3");
    EXPECT_EQ(mp3.audioSampleRate, 0.0);

    // Sound not included: the extract and replace settings travel, nothing else.
    task.destIsAudioIncluded = false;
    TPassSettings silent;
    ASSERT_TRUE(FillPassSettings(task, "/cache/temp/", silent));
    EXPECT_FALSE(silent.isAudio);
    EXPECT_TRUE(silent.destIsAudioExtracted);
    EXPECT_EQ(silent.destAudioFormat, 0);
    EXPECT_EQ(silent.tempAudioFile, "");
}

TEST(BatchFillPassSettings, PathsFramesAndCopiedSettings) {
    TempDir dir;
    TCovSettings task = VideoTask(dir.Folder(), "clip.avi");
    task.destFilepath = "/out/";
    task.destFilename = "clip.exe";
    task.destStartFrame = 5;
    task.destEndFrame = 50;
    task.destFrameRate = 15;
    task.sourceInfo.vFreq = 29.97;
    task.destFlashPassword = "secret";
    task.destFlashText = {"line one", "line two"};
    task.destPreloader = "/res/preloader.swf";
    task.destPlaybackPositionY = 17;
    task.effects.destIsApplyEffects = true;
    task.effects.destFilters.Add().destFilterType = 7;
    task.destIsFlashImageFrame = true;
    task.destFlashImageFrameFile = (dir / "first.jpg").string();

    TPassSettings context;
    ASSERT_TRUE(FillPassSettings(task, dir.Folder(), context));
    EXPECT_EQ(context.srcPath, dir.Folder() + "clip.avi");
    EXPECT_EQ(context.destPath, "/out/clip.swf");
    EXPECT_EQ(context.startIndex, 4);
    EXPECT_EQ(context.endIndex, 49);
    EXPECT_DOUBLE_EQ(context.srcFrameRate, 29.97);
    EXPECT_DOUBLE_EQ(context.destFrameRate, 15.0);
    EXPECT_EQ(context.destFlashPassword, "secret");
    EXPECT_EQ(context.destFlashText, task.destFlashText);
    EXPECT_EQ(context.destPreloader, "/res/preloader.swf");
    EXPECT_EQ(context.destPlaybackPositionY, 17);
    EXPECT_EQ(context.effects, task.effects);
    // The first-frame picture counts only when its file is there.
    EXPECT_FALSE(context.destIsFlashImageFrame);
    EXPECT_EQ(context.destFlashImageFrameFile, task.destFlashImageFrameFile);
    WriteFile(dir / "first.jpg", "\xFF\xD8");
    TPassSettings withPicture;
    ASSERT_TRUE(FillPassSettings(task, dir.Folder(), withPicture));
    EXPECT_TRUE(withPicture.destIsFlashImageFrame);

    // The output is always a ".swf" file, whatever the export name says.
    for (const auto& [name, expected] : std::vector<std::pair<std::string, std::string>>{
             {"movie", "/out/movie.swf"}, {"movie.html", "/out/movie.swf"}, {"a.b.swf", "/out/a.b.swf"}}) {
        task.destFilename = name;
        TPassSettings named;
        ASSERT_TRUE(FillPassSettings(task, dir.Folder(), named));
        EXPECT_EQ(named.destPath, expected) << name;
    }
    task.destFilepath = "/out";  // a folder without its final "/"
    TPassSettings bare;
    ASSERT_TRUE(FillPassSettings(task, dir.Folder(), bare));
    EXPECT_EQ(bare.destPath, "/out/a.b.swf");
}

// Without keep-aspect-ratio, with extracted sound and no first-frame picture, no rule
// changes a field: the context holds every export block exactly as the task does.
TEST(BatchFillPassSettings, EveryExportBlockArrivesWhole) {
    TCovSettings task = VideoTask("/videos/", "clip.avi");
    task.sourceInfo.aExists = kTrue32;
    task.sourceInfo.aSupported = kTrue32;
    task.destFlashFormat = kFlashFormatMX;
    task.destFlashBackgroundColor = 0x123456;
    task.destFrameQuality = 80;
    task.destIsApplyRegion = true;
    task.destRegionX = 3;
    task.destRegionWidth = 100;
    task.destIsAudioIncluded = true;
    task.destAudioFormat = kAudioMp3;
    task.destAudioBitrate = 4;
    task.destFlashClickOpenLinkURL = "http://example.com/";
    task.destFlashEndRepeatTimes = 3;
    task.destFlashTextFont = DefaultCaptionFont();
    task.destFlashTextOpenLinkTarget = kTargetTop;
    task.destIsFlashBlankFrame = true;
    task.destFlashBlankFrameColor = kColorWhite;
    task.destPlaybackScaleX = 50;
    task.effects.destIsApplyEffects = true;

    TPassSettings context;
    ASSERT_TRUE(FillPassSettings(task, "/tmp/t/", context));
    EXPECT_TRUE(static_cast<const TExportSettings&>(context) == static_cast<const TExportSettings&>(task));
}

TEST(BatchFillPassSettings, KeepAspectRatioFitsStageAndRegionKeepingTheCorner) {
    TCovSettings task = VideoTask("/videos/", "clip.avi");
    task.destWidth = 200;
    task.destHeight = 200;
    task.destIsApplyRegion = true;
    task.destRegionX = 12;
    task.destRegionY = 34;
    task.destRegionWidth = 300;
    task.destRegionHeight = 100;

    TPassSettings asSet;
    ASSERT_TRUE(FillPassSettings(task, "/t/", asSet));
    EXPECT_EQ(asSet.destWidth, 200);
    EXPECT_EQ(asSet.destHeight, 200);
    EXPECT_EQ(asSet.destRegionWidth, 300);
    EXPECT_EQ(asSet.destRegionHeight, 100);

    task.destIsKeepAspectRatio = true;
    TPassSettings fitted;
    ASSERT_TRUE(FillPassSettings(task, "/t/", fitted));
    EXPECT_EQ(fitted.destWidth, 200);
    EXPECT_EQ(fitted.destHeight, 150);
    EXPECT_EQ(fitted.destRegionWidth, 133);
    EXPECT_EQ(fitted.destRegionHeight, 100);
    EXPECT_TRUE(fitted.destIsApplyRegion);
    EXPECT_EQ(fitted.destRegionX, 12);
    EXPECT_EQ(fitted.destRegionY, 34);
}

// ---- the run ----

// Records what a front end would show.
class TRecorder : public TBatchObserver {
public:
    void ButtonsChanged(const TBatchButtons& buttons) override { buttons_.push_back(buttons); }
    void TotalChanged(std::int64_t, std::int64_t, const std::string& text) override { totals.push_back(text); }
    void CurrentTextChanged(const std::string& text) override { currents.push_back(text); }
    void StageChanged(TBatchStep step, const std::vector<std::string>&) override { steps.push_back(step); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void TaskFinished(std::size_t index, const TCovSettings&, TTaskOutcome outcome,
                      const std::string& message) override {
        finished.push_back({index, outcome, message});
    }
    void Pump() override {
        ++pumps;
        if (onPump) onPump();
    }

    struct TFinished {
        std::size_t index;
        TTaskOutcome outcome;
        std::string message;
    };
    std::vector<TBatchButtons> buttons_;
    std::vector<std::string> totals;
    std::vector<std::string> currents;
    std::vector<TBatchStep> steps;
    std::vector<std::string> messages;
    std::vector<TFinished> finished;
    int pumps = 0;
    std::function<void()> onPump;
};

const TBatchButtons kIdle{false, true, false, false};
const TBatchButtons kRunning{false, false, true, true};
const TBatchButtons kPausedButtons{true, true, false, true};

class BatchDriverTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(dir / "temp"); }
    void TearDown() override {
        Converting = false;
        Paused = false;
    }

    std::string TempFolder() const { return dir.Folder() + "temp/"; }

    std::size_t AddTask(const std::string& name, bool checked = true) {
        WriteFile(dir / name, "source");
        return tasks.Add(std::make_unique<TCovSettings>(VideoTask(dir.Folder(), name)), checked);
    }

    std::unique_ptr<TBatchDriver> MakeDriver(TConvertFunction convert, std::string stub = {}) {
        return std::make_unique<TBatchDriver>(tasks, recorder,
                                              TBatchOptions{TempFolder(), std::move(stub), std::move(convert), 1, {}});
    }

    // A conversion stand-in: announces its stages, leaves both temporary audio files, walks
    // `frames` frames through the engine's loop and writes a movie of as many bytes.
    TConvertFunction Writer(int frames, std::function<void(int frame)> onFrame = {}) {
        return [this, frames, onFrame](TPassSettings& context, TProgress* progress) {
            LogStage(progress, kStageOpeningSource, kMessageOpeningSource, context.srcPath);
            runFolder = context.tempFolder;
            WriteFile(runFolder + "atemp.wav", "RIFF");
            WriteFile(runFolder + "atemp.mp3", "ID3");
            LogStage(progress, kStageMakingFlash, kMessageMakingFlash, context.srcPath);
            int written = 0;
            while (written < frames && ContinueLoop(progress)) {
                if (onFrame) onFrame(written);
                ++written;
                progress->SetPosition(written * 100 / frames);
            }
            convertedFrames.push_back(written);
            WriteFile(context.destPath, std::string(static_cast<std::size_t>(written), 'F'));
            LogFinished(progress);
            return true;
        };
    }

    // Whether the last task's temporary audio files are still there.
    bool TempAudioLeft() const {
        if (runFolder.empty()) return false;
        return std::filesystem::exists(runFolder + "atemp.wav") || std::filesystem::exists(runFolder + "atemp.mp3");
    }
    bool TempFolderEmpty() const { return std::filesystem::is_empty(TempFolder()); }

    TempDir dir;
    TTaskList tasks;
    TRecorder recorder;
    std::vector<int> convertedFrames;
    std::string runFolder;  // the folder the last task was given
};

TEST_F(BatchDriverTest, ThreeCheckedOfFiveCountEvenWhenOneFails) {
    AddTask("a.avi");
    AddTask("b.avi", false);
    AddTask("c.avi");
    AddTask("d.avi", false);
    AddTask("e.avi");
    const TConvertFunction write = Writer(2);
    std::vector<TBatchButtons> duringTask;
    std::vector<bool> tempLeftAtStart;
    std::unique_ptr<TBatchDriver> driver;
    driver = MakeDriver([&](TPassSettings& context, TProgress* progress) {
        duringTask.push_back(driver->Buttons());
        tempLeftAtStart.push_back(TempAudioLeft());
        if (context.srcPath.ends_with("c.avi")) {
            WriteFile(context.tempFolder + "atemp.mp3", "ID3");
            throw std::runtime_error("the disk is full");
        }
        return write(context, progress);
    });

    driver->Show();
    EXPECT_EQ(recorder.totals, std::vector<std::string>{"Total progress: 0 of 3 Finished"});
    EXPECT_EQ(recorder.currents, std::vector<std::string>{"Current progress: Ready..."});
    EXPECT_EQ(recorder.buttons_.back(), kIdle);

    recorder.totals.clear();
    recorder.currents.clear();
    driver->ConvertCheckedTasks();

    EXPECT_EQ(recorder.totals, (std::vector<std::string>{
                                   "Total progress: 0 of 3 Finished", "Total progress: 1 of 3 Finished",
                                   "Total progress: 2 of 3 Finished", "Total progress: 3 of 3 Finished",
                                   "Total progress: 3 of 3 Finished"}));
    const std::string folder = dir.Folder();
    EXPECT_EQ(recorder.currents, (std::vector<std::string>{
                                     "Current converting: \"a.avi@" + folder + "\"", "Current converting finished!",
                                     "Current converting: \"c.avi@" + folder + "\"", "Current converting finished!",
                                     "Current converting: \"e.avi@" + folder + "\"", "Current converting finished!"}));
    ASSERT_EQ(recorder.finished.size(), 3u);
    EXPECT_EQ(recorder.finished[0].index, 0u);
    EXPECT_EQ(recorder.finished[0].outcome, TTaskOutcome::Converted);
    EXPECT_EQ(recorder.finished[1].index, 2u);
    EXPECT_EQ(recorder.finished[1].outcome, TTaskOutcome::Error);
    EXPECT_EQ(recorder.finished[1].message, "the disk is full");
    EXPECT_EQ(recorder.finished[2].index, 4u);
    EXPECT_EQ(recorder.finished[2].outcome, TTaskOutcome::Converted);

    // Buttons: running during every task, idle before and after.
    EXPECT_EQ(duringTask, std::vector<TBatchButtons>(3, kRunning));
    EXPECT_EQ(recorder.buttons_.front(), kIdle);
    EXPECT_EQ(recorder.buttons_.back(), kIdle);
    EXPECT_FALSE(Converting);

    // The temporary audio files are gone after every task, also after the failed one.
    EXPECT_EQ(tempLeftAtStart, std::vector<bool>(3, false));
    EXPECT_FALSE(TempAudioLeft());
    EXPECT_TRUE(runFolder.starts_with(TempFolder() + "run-")) << runFolder;
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_TRUE(std::filesystem::exists(dir / "a.swf"));
    EXPECT_TRUE(std::filesystem::exists(dir / "e.swf"));

    EXPECT_EQ(driver->Summary().checked, 3u);
    EXPECT_EQ(driver->Summary().converted, 2u);
    EXPECT_EQ(driver->Summary().failed, 1u);
    EXPECT_FALSE(driver->Summary().AllConverted());
}

TEST_F(BatchDriverTest, StagesAreHighlightedFromTheLogsFirstLine) {
    AddTask("a.avi");
    auto driver = MakeDriver([](TPassSettings& context, TProgress* progress) {
        LogStage(progress, kStageOpeningSource, kMessageOpeningSource, context.srcPath);
        LogStage(progress, kStageExtractingAudio, kMessageExtractingAudio, context.srcPath);
        LogStage(progress, kStageMakingFlash, kMessageMakingFlash, context.srcPath);
        LogStage(progress, kStageCompressingFlash, kMessageCompressingFlash, context.destPath);
        LogFinished(progress);
        return true;
    });
    driver->Show();
    driver->ConvertCheckedTasks();
    // Every log change highlights: clearing shows no step, each key its own.
    std::vector<TBatchStep> distinct;
    for (const TBatchStep step : recorder.steps)
        if (distinct.empty() || distinct.back() != step) distinct.push_back(step);
    EXPECT_EQ(distinct, (std::vector<TBatchStep>{
                            TBatchStep::None, TBatchStep::Opening, TBatchStep::None, TBatchStep::Extracting,
                            TBatchStep::None, TBatchStep::Making, TBatchStep::None, TBatchStep::Compressing,
                            TBatchStep::None}));
    EXPECT_EQ(driver->Step(), TBatchStep::None);
}

TEST_F(BatchDriverTest, SkippedTaskIsCountedWithoutTouchingTheCurrentLabel) {
    AddTask("a.avi");
    tasks.Settings(0).sourceInfo.vSupported = 0;
    bool called = false;
    auto driver = MakeDriver([&](TPassSettings&, TProgress*) { return called = true; });
    driver->Show();
    recorder.currents.clear();
    driver->ConvertCheckedTasks();
    EXPECT_FALSE(called);
    EXPECT_TRUE(recorder.currents.empty());
    EXPECT_EQ(recorder.totals.back(), "Total progress: 1 of 1 Finished");
    ASSERT_EQ(recorder.finished.size(), 1u);
    EXPECT_EQ(recorder.finished[0].outcome, TTaskOutcome::Skipped);
    EXPECT_FALSE(driver->Summary().AllConverted());
}

TEST_F(BatchDriverTest, FailedOpenIsShownAndReported) {
    AddTask("a.avi");
    AddTask("b.avi");
    auto driver = MakeDriver([](TPassSettings& context, TProgress* progress) {
        LogStage(progress, kStageOpeningSource, kMessageOpeningSource, context.srcPath);
        if (context.srcPath.ends_with("b.avi")) return true;
        progress->ShowMessage(std::string(kMessageOpenFailed));
        return false;
    });
    driver->Show();
    driver->ConvertCheckedTasks();
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"Fail to open the video file!"});
    ASSERT_EQ(recorder.finished.size(), 2u);
    EXPECT_EQ(recorder.finished[0].outcome, TTaskOutcome::Failed);
    EXPECT_EQ(recorder.finished[0].message, "Fail to open the video file!");
    // The next task does not inherit the message.
    EXPECT_EQ(recorder.finished[1].outcome, TTaskOutcome::Converted);
    EXPECT_EQ(recorder.finished[1].message, "");
    EXPECT_EQ(driver->Summary().failed, 1u);
}

TEST_F(BatchDriverTest, PauseFreezesTheRunAndConvertResumesAtTheSameFrame) {
    AddTask("a.avi");
    std::unique_ptr<TBatchDriver> driver;
    std::vector<int> framesSeen;
    int pumpsWhilePaused = 0;
    recorder.onPump = [&] {
        if (!Paused) return;
        if (++pumpsWhilePaused == 5) driver->ConvertCheckedTasks();  // "&Resume"
    };
    driver = MakeDriver(Writer(10, [&](int frame) {
        framesSeen.push_back(frame);
        if (frame == 3 && pumpsWhilePaused == 0) {
            driver->Pause();
            EXPECT_EQ(driver->Buttons(), kPausedButtons);
            EXPECT_EQ(recorder.buttons_.back(), kPausedButtons);
        }
    }));
    driver->Show();
    driver->ConvertCheckedTasks();

    EXPECT_EQ(pumpsWhilePaused, 5);
    // No frame was skipped or repeated across the pause.
    EXPECT_EQ(framesSeen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(convertedFrames, std::vector<int>{10});
    const auto resumed = std::find(recorder.buttons_.begin(), recorder.buttons_.end(), kPausedButtons);
    ASSERT_NE(resumed, recorder.buttons_.end());
    ASSERT_NE(resumed + 1, recorder.buttons_.end());
    EXPECT_EQ(*(resumed + 1), kRunning);
    EXPECT_TRUE(driver->Summary().AllConverted());
}

TEST_F(BatchDriverTest, StopFinishesTheCurrentMovieShorterAndStartsNoOther) {
    AddTask("a.avi");
    AddTask("b.avi");
    AddTask("c.avi");
    std::unique_ptr<TBatchDriver> driver;
    int task = 0;
    driver = MakeDriver(Writer(10, [&](int frame) {
        if (frame == 0) ++task;
        if (task == 2 && frame == 4) driver->Stop();
    }));
    driver->Show();
    driver->ConvertCheckedTasks();

    EXPECT_EQ(convertedFrames, (std::vector<int>{10, 5}));
    EXPECT_EQ(ReadFile(dir / "b.swf").size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(dir / "c.swf"));
    EXPECT_EQ(recorder.totals.back(), "Total progress: 3 of 3 Finished");
    EXPECT_EQ(recorder.finished.size(), 2u);
    EXPECT_EQ(recorder.buttons_.back(), kIdle);
    EXPECT_TRUE(driver->Summary().stopped);
    EXPECT_FALSE(driver->Summary().AllConverted());

    // Stop while paused also ends the run, and leaves Paused cleared.
    Paused = false;
    convertedFrames.clear();
    recorder.onPump = [&] {
        if (Paused) driver->Stop();
    };
    task = 0;
    driver = MakeDriver(Writer(10, [&](int frame) {
        if (frame == 2) driver->Pause();
    }));
    driver->Show();
    driver->ConvertCheckedTasks();
    EXPECT_EQ(convertedFrames, std::vector<int>{3});
    EXPECT_FALSE(Paused);
}

TEST_F(BatchDriverTest, ExecutableExportLeavesOnlyTheExecutable) {
    AddTask("a.avi");
    tasks.Settings(0).destExportType = kExportExecutable;
    WriteFile(dir / "stub", "STUB");
    auto driver = MakeDriver(Writer(3), (dir / "stub").string());
    driver->Show();
    driver->ConvertCheckedTasks();
    EXPECT_FALSE(std::filesystem::exists(dir / "a.swf"));
    EXPECT_EQ(ReadFile(dir / "a.exe"), std::string("STUBFFF\x56\x34\x12\xFA\x03\0\0\0", 15));
    EXPECT_TRUE(driver->Summary().AllConverted());
}

TEST_F(BatchDriverTest, ExecutableExportWithoutStubFailsAndKeepsTheMovie) {
    AddTask("a.avi");
    tasks.Settings(0).destExportType = kExportExecutable;
    const std::string stub = (dir / "resources" / "dfp").string();
    auto driver = MakeDriver(Writer(3), stub);
    driver->Show();
    driver->ConvertCheckedTasks();
    ASSERT_EQ(recorder.finished.size(), 1u);
    EXPECT_EQ(recorder.finished[0].outcome, TTaskOutcome::Error);
    EXPECT_NE(recorder.finished[0].message.find(stub), std::string::npos) << recorder.finished[0].message;
    EXPECT_FALSE(std::filesystem::exists(dir / "a.exe"));
    EXPECT_EQ(ReadFile(dir / "a.swf"), "FFF");
    EXPECT_EQ(driver->Summary().failed, 1u);
}

TEST_F(BatchDriverTest, HtmlExportUsesTheFittedStageSize) {
    AddTask("a.avi");
    TCovSettings& task = tasks.Settings(0);
    task.destExportType = kExportHtml;
    task.destIsKeepAspectRatio = true;
    task.destWidth = 400;
    task.destHeight = 400;
    auto driver = MakeDriver(Writer(3));
    driver->Show();
    driver->ConvertCheckedTasks();
    EXPECT_EQ(ReadFile(dir / "a.swf"), "FFF");
    EXPECT_EQ(ReadFile(dir / "a.html"), HtmlPageText("a.swf", 400, 300));
}

TEST_F(BatchDriverTest, HtmlExportLoadsThePagePlayerTheTaskOrTheRunNames) {
    TCovSettings& a = tasks.Settings(AddTask("a.avi"));
    a.destExportType = kExportHtml;
    a.destIsHtmlRuffle = true;
    a.destHtmlRuffleScript = "https://mirror.example/ruffle.js";
    TCovSettings& b = tasks.Settings(AddTask("b.avi"));
    b.destExportType = kExportHtml;
    b.destIsHtmlRuffle = true;  // an empty address falls back to the public one
    TCovSettings& c = tasks.Settings(AddTask("c.avi"));
    c.destExportType = kExportHtml;
    c.destHtmlRuffleScript = "https://unused.example/ruffle.js";  // the player is off
    auto driver = MakeDriver(Writer(3));
    driver->Show();
    driver->ConvertCheckedTasks();
    EXPECT_EQ(ReadFile(dir / "a.html"), HtmlPageText("a.swf", 320, 240, "https://mirror.example/ruffle.js"));
    EXPECT_EQ(ReadFile(dir / "b.html"), HtmlPageText("b.swf", 320, 240, kRuffleScriptAddress));
    EXPECT_EQ(ReadFile(dir / "c.html"), HtmlPageText("c.swf", 320, 240));

    // A run with a player folder copies it beside every page and points the page at the copy.
    TempDir player;
    WriteFile(player / "ruffle.js", "player");
    auto copying = std::make_unique<TBatchDriver>(
        tasks, recorder, TBatchOptions{TempFolder(), {}, Writer(3), 1, player.Folder()});
    copying->Show();
    copying->ConvertCheckedTasks();
    EXPECT_TRUE(copying->Summary().AllConverted());
    for (const char* name : {"a", "b", "c"})
        EXPECT_EQ(ReadFile(dir / (std::string(name) + ".html")),
                  HtmlPageText(std::string(name) + ".swf", 320, 240, "ruffle/ruffle.js"));
    EXPECT_EQ(ReadFile(dir / "ruffle" / "ruffle.js"), "player");
}

}  // namespace
}  // namespace pellicor

namespace pellicor {
namespace {

// Several jobs: tasks overlap, each worker has its own temp sub-folder, the observer hears
// one report at a time and is pumped only on the calling thread.
TEST_F(BatchDriverTest, TwoJobsConvertTwoTasksAtOnceInTheirOwnTempFolders) {
    for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi"}) {
        TCovSettings& task = tasks.Settings(AddTask(name));
        task.destIsAudioIncluded = true;
        task.sourceInfo.aExists = kTrue32;
        task.sourceInfo.aSupported = kTrue32;
    }
    std::mutex mutex;
    std::condition_variable changed;
    int inFlight = 0;
    int mostInFlight = 0;
    std::set<std::string> tempFolders;
    bool untilStopped = false;  // the movies run until Stop (bounded)
    auto convert = [&](TPassSettings& context, TProgress* progress) {
        const std::string folder = std::filesystem::path(context.tempAudioFile).parent_path().string();
        WriteFile(context.tempAudioFile, "ID3");
        {
            std::unique_lock lock(mutex);
            tempFolders.insert(folder);
            mostInFlight = std::max(mostInFlight, ++inFlight);
            changed.notify_all();
            // Wait (bounded) for the other job, so that both are seen converting at once.
            changed.wait_for(lock, std::chrono::seconds(5), [&] { return mostInFlight >= 2; });
        }
        LogStage(progress, kStageMakingFlash, kMessageMakingFlash, context.srcPath);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (int frame = 1; (untilStopped ? std::chrono::steady_clock::now() < deadline : frame <= 3) &&
                            ContinueLoop(progress);
             ++frame) {
            progress->SetPosition(frame % 100);
            if (untilStopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        WriteFile(context.destPath, "movie of " + context.srcPath);
        std::lock_guard lock(mutex);
        --inFlight;
        return true;
    };
    auto driver = std::make_unique<TBatchDriver>(tasks, recorder, TBatchOptions{TempFolder(), {}, convert, 2, {}});
    const auto caller = std::this_thread::get_id();
    bool pumpedElsewhere = false;
    recorder.onPump = [&] { pumpedElsewhere = pumpedElsewhere || std::this_thread::get_id() != caller; };
    driver->Show();
    driver->ConvertCheckedTasks();

    EXPECT_EQ(mostInFlight, 2);
    // Both job folders lie in the run's own folder, which is removed with everything in it.
    ASSERT_EQ(tempFolders.size(), 2u);
    const std::string run = std::filesystem::path(*tempFolders.begin()).parent_path().string() + "/";
    EXPECT_TRUE(run.starts_with(TempFolder() + "run-")) << run;
    EXPECT_EQ(tempFolders, (std::set<std::string>{run + "job-1", run + "job-2"}));
    EXPECT_TRUE(TempFolderEmpty());
    EXPECT_FALSE(pumpedElsewhere);
    EXPECT_GT(recorder.pumps, 0);
    EXPECT_EQ(driver->Summary().converted, 4u);
    EXPECT_TRUE(driver->Summary().AllConverted());
    EXPECT_EQ(recorder.finished.size(), 4u);
    EXPECT_EQ(recorder.totals.back(), "Total progress: 4 of 4 Finished");
    for (const char* name : {"a", "b", "c", "d"})
        EXPECT_EQ(ReadFile(dir / (std::string(name) + ".swf")), "movie of " + dir.Folder() + name + ".avi");

    // Stop from the calling thread: the running movies end, no further task starts.
    recorder.finished.clear();
    mostInFlight = 0;
    untilStopped = true;
    recorder.onPump = [&] {
        std::lock_guard lock(mutex);
        if (mostInFlight >= 2) driver->Stop();
    };
    driver->ConvertCheckedTasks();
    EXPECT_TRUE(driver->Summary().stopped);
    EXPECT_EQ(recorder.finished.size(), 2u);
    EXPECT_EQ(recorder.buttons_.back(), kIdle);
}

}  // namespace
}  // namespace pellicor
