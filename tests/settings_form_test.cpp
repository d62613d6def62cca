#include <gtest/gtest.h>

#include "settings/settings_form.h"
#include "settings_test_support.h"

namespace pellicor {
namespace {

TCovSettings ClipTask() { return testing_support::ClipTask(false); }

TEST(SettingsForm, OpenShowsTheRecordAndOkWithoutChangesKeepsIt) {
    TCovSettings task = ClipTask();
    task.destFlashPassword = "secret";
    task.effects.destFilters.Add({.destFilterType = 7});
    const TCovSettings before = task;
    TSettingsForm form;
    form.Open(task);
    EXPECT_EQ(form.ExportPath(), "/videos/clip.swf");
    EXPECT_EQ(form.Controls(), before);
    form.Accept();
    EXPECT_EQ(task, before);
}

TEST(SettingsForm, FrameRateSliderEndsAtTheRoundedSourceRate) {
    TCovSettings task = ClipTask();
    task.destFrameRate = 12;
    TSettingsForm form;
    form.Open(task);
    EXPECT_EQ(form.FrameRateMaximum(), 30);
    form.SetFrameRate(45);
    EXPECT_EQ(form.Controls().destFrameRate, 30);
    form.SetFrameRate(0);
    EXPECT_EQ(form.Controls().destFrameRate, 1);

    // The keep-default toggle shows the rounded source rate whatever the record held, and
    // OK stores it.
    task.destFrameRate = 7;
    task.destIsDefaultFrameRate = true;
    form.Open(task);
    EXPECT_EQ(form.Controls().destFrameRate, 30);
    EXPECT_FALSE(form.Enabling().frameRate);
    form.Accept();
    EXPECT_EQ(task.destFrameRate, 30);

    // A record holding more than the slider allows opens at the slider's end.
    task.destIsDefaultFrameRate = false;
    task.destFrameRate = 60;
    form.Open(task);
    EXPECT_EQ(form.Controls().destFrameRate, 30);
}

TEST(SettingsForm, KeepDefaultTogglesForceTheirValuesAndReleasingKeepsThem) {
    TCovSettings task = ClipTask();
    task.destFrameQuality = 40;
    task.destStartFrame = 10;
    task.destEndFrame = 20;
    task.destWidth = 100;
    task.destHeight = 50;
    TSettingsForm form;
    form.Open(task);
    EXPECT_TRUE(form.Enabling().frameQuality);
    EXPECT_TRUE(form.Enabling().duration);
    EXPECT_TRUE(form.Enabling().outputSize);

    form.SetKeepDefaultFrameQuality(true);
    form.SetKeepDefaultDuration(true);
    form.SetKeepDefaultRegion(true);
    EXPECT_EQ(form.Controls().destFrameQuality, 75);
    EXPECT_EQ(form.Controls().destStartFrame, 1);
    EXPECT_EQ(form.Controls().destEndFrame, 250);
    EXPECT_EQ(form.Controls().destWidth, 640);
    EXPECT_EQ(form.Controls().destHeight, 480);
    EXPECT_FALSE(form.Enabling().frameQuality);
    EXPECT_FALSE(form.Enabling().duration);
    EXPECT_FALSE(form.Enabling().outputSize);

    form.SetKeepDefaultFrameQuality(false);
    EXPECT_TRUE(form.Enabling().frameQuality);
    EXPECT_EQ(form.Controls().destFrameQuality, 75);
    form.Accept();
    EXPECT_EQ(task.destFrameQuality, 75);
    EXPECT_FALSE(task.destIsDefaultFrameQuality);
    EXPECT_TRUE(task.destIsDefaultDuration);
    EXPECT_EQ(task.destEndFrame, 250);
}

TEST(SettingsForm, FrameRangeRules) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    // Leaving the end field with an end before the start: end becomes start.
    form.SetStartFrame(50);
    form.SetEndFrame(20);
    form.LeaveEndFrame();
    EXPECT_EQ(form.Controls().destEndFrame, 50);
    // Leaving the start field with a start after the end: start becomes end.
    form.SetStartFrame(80);
    form.LeaveStartFrame();
    EXPECT_EQ(form.Controls().destStartFrame, 50);
    // A consistent range is left alone.
    form.SetEndFrame(90);
    form.LeaveEndFrame();
    form.LeaveStartFrame();
    EXPECT_EQ(form.Controls().destStartFrame, 50);
    EXPECT_EQ(form.Controls().destEndFrame, 90);

    // OK stores an end beyond the source as its frame count and a start of 0 as 1.
    form.SetStartFrame(0);
    form.SetEndFrame(99999);
    form.Accept();
    EXPECT_EQ(task.destStartFrame, 1);
    EXPECT_EQ(task.destEndFrame, 250);
    form.Open(task);
    form.SetStartFrame(-4);
    form.Accept();
    EXPECT_EQ(task.destStartFrame, 1);
}

TEST(SettingsForm, ExportPathFollowsTheTypeFromTheRecord) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    form.SetExportPath("/elsewhere/typed.swf");  // typed, not confirmed
    form.SetExportType(kExportHtml);
    EXPECT_EQ(form.ExportPath(), "/videos/clip.html");
    form.SetExportType(kExportExecutable);
    EXPECT_EQ(form.ExportPath(), "/videos/clip.exe");
    form.SetExportType(kExportHtml);
    form.Accept();
    EXPECT_EQ(task.destFilename, "clip.html");
    EXPECT_EQ(task.destFilepath, "/videos/");
    EXPECT_EQ(task.destExportType, kExportHtml);

    // A task opened with type 1 shows the .exe name; a typed path is split on OK.
    task.destExportType = kExportExecutable;
    task.destFilename = "clip.swf";
    form.Open(task);
    EXPECT_EQ(form.ExportPath(), "/videos/clip.exe");
    form.SetExportPath("/out/deep/name.exe");
    form.Accept();
    EXPECT_EQ(task.destFilepath, "/out/deep/");
    EXPECT_EQ(task.destFilename, "name.exe");
}

TEST(SettingsForm, BrowsedExportPathReachesTheRecordAtOnceAndSurvivesCancel) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    form.SetFrameQuality(10);
    form.ChooseExportPath("/chosen/movie.swf");
    EXPECT_EQ(form.ExportPath(), "/chosen/movie.swf");
    // Cancel is simply not accepting: the browse result stays, nothing else came in.
    EXPECT_EQ(task.destFilepath, "/chosen/");
    EXPECT_EQ(task.destFilename, "movie.swf");
    EXPECT_EQ(task.destFrameQuality, 75);
    // The type then follows the chosen name.
    form.SetExportType(kExportHtml);
    EXPECT_EQ(form.ExportPath(), "/chosen/movie.html");
}

TEST(SettingsForm, FlavourZeroClearsAndRefusesCompression) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    EXPECT_TRUE(form.Controls().destIsFlashCompressed);
    EXPECT_TRUE(form.Enabling().compressed);
    form.SetFlashFormat(kFlashFormat3);
    EXPECT_FALSE(form.Controls().destIsFlashCompressed);
    EXPECT_FALSE(form.Enabling().compressed);
    form.SetCompressed(true);
    EXPECT_FALSE(form.Controls().destIsFlashCompressed);
    form.Accept();
    EXPECT_FALSE(task.destIsFlashCompressed);
    EXPECT_EQ(task.destFlashFormat, kFlashFormat3);

    // A record that is both flavour 0 and compressed opens uncompressed.
    task.destIsFlashCompressed = true;
    form.Open(task);
    EXPECT_FALSE(form.Controls().destIsFlashCompressed);
    form.SetFlashFormat(kFlashFormatMX);
    form.SetCompressed(true);
    EXPECT_TRUE(form.Controls().destIsFlashCompressed);
}

TEST(SettingsForm, FirstFrameTicksExcludeEachOther) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    form.SetBlankFrame(true);
    form.SetImageFrame(true);
    EXPECT_FALSE(form.Controls().destIsFlashBlankFrame);
    EXPECT_TRUE(form.Controls().destIsFlashImageFrame);
    EXPECT_TRUE(form.Enabling().imageFrameFile);
    EXPECT_FALSE(form.Enabling().blankFrameColor);
    form.SetBlankFrame(true);
    EXPECT_FALSE(form.Controls().destIsFlashImageFrame);
    // Unticking one does not tick the other.
    form.SetBlankFrame(false);
    EXPECT_FALSE(form.Controls().destIsFlashImageFrame);

    task.destIsFlashBlankFrame = true;
    task.destIsFlashImageFrame = true;
    form.Open(task);
    EXPECT_TRUE(form.Controls().destIsFlashBlankFrame);
    EXPECT_FALSE(form.Controls().destIsFlashImageFrame);
}

TEST(SettingsForm, StartActionOtherThanPlayClearsTheWait) {
    TCovSettings task = ClipTask();
    task.destIsFlashStartWait = true;
    TSettingsForm form;
    form.Open(task);
    EXPECT_TRUE(form.Enabling().startWait);
    form.SetStartAction(kStartOnClick);
    EXPECT_FALSE(form.Controls().destIsFlashStartWait);
    EXPECT_FALSE(form.Enabling().startWait);
    form.SetStartWait(true);
    EXPECT_FALSE(form.Controls().destIsFlashStartWait);
    form.Accept();
    EXPECT_FALSE(task.destIsFlashStartWait);

    // A stored click-to-play start with the wait ticked opens and stores it cleared.
    task.destIsFlashStartWait = true;
    form.Open(task);
    form.Accept();
    EXPECT_FALSE(task.destIsFlashStartWait);
}

TEST(SettingsForm, EnablingFollowsTheTicks) {
    TCovSettings task = ClipTask();
    TSettingsForm form;
    form.Open(task);
    TSettingsEnabling e = form.Enabling();
    // Defaults: audio included as wave, no replacement, nothing else ticked.
    EXPECT_TRUE(e.audioFormat);
    EXPECT_TRUE(e.audioFrequency);
    EXPECT_FALSE(e.audioBitrate);
    EXPECT_FALSE(e.audioReplacedFile);
    EXPECT_FALSE(e.password || e.endRepeatTimes || e.endLink || e.clickLink || e.text || e.preloader || e.playback);

    TCovSettings& c = form.Controls();
    c.destAudioFormat = kAudioMp3;
    c.destIsAudioReplaced = true;
    c.destIsFlashProtected = true;
    c.destIsFlashText = true;
    c.destFlashTextPosition = kPositionCustomize;
    c.destIsPreloader = true;
    c.destPreloaderPosition = kPositionCustomize;
    c.destIsPlayback = true;  // playback keeps preset 5
    e = form.Enabling();
    EXPECT_FALSE(e.audioFrequency);
    EXPECT_TRUE(e.audioBitrate);
    EXPECT_TRUE(e.audioReplacedFile);
    EXPECT_TRUE(e.password);
    EXPECT_TRUE(e.text && e.textCustomize);
    EXPECT_FALSE(e.textLink);
    EXPECT_TRUE(e.preloader && e.preloaderCustomize);
    EXPECT_TRUE(e.playback);
    EXPECT_FALSE(e.playbackCustomize);

    // Without audio every audio control is off, whatever the options say.
    c.destIsAudioIncluded = false;
    c.destIsFlashTextOpenLink = true;
    e = form.Enabling();
    EXPECT_FALSE(e.audioFormat || e.audioFrequency || e.audioBitrate || e.audioReplacedFile);
    EXPECT_TRUE(e.textLink);
    // The caption link needs the caption itself.
    c.destIsFlashText = false;
    EXPECT_FALSE(form.Enabling().textLink);
    EXPECT_FALSE(form.Enabling().textCustomize);
}

TEST(SettingsForm, RegionAndEffectsResultsReachTheWorkingCopies) {
    TCovSettings task = ClipTask();
    task.destIsDefaultDuration = true;
    task.destIsDefaultRegion = true;
    TSettingsForm form;
    form.Open(task);
    form.ApplyRegion({.x = 10, .y = 20, .width = 300, .height = 200, .startFrame = 5, .endFrame = 60});
    const TCovSettings& c = form.Controls();
    EXPECT_FALSE(c.destIsDefaultDuration);
    EXPECT_FALSE(c.destIsDefaultRegion);
    EXPECT_TRUE(form.Enabling().duration && form.Enabling().outputSize);
    EXPECT_TRUE(c.destIsApplyRegion);
    EXPECT_EQ(c.destWidth, 300);
    EXPECT_EQ(c.destHeight, 200);

    TEffectSettings effects;
    effects.destIsBrightness = true;
    effects.destBrightnessR = 50;
    effects.destFilters.Add({.destFilterType = 6});
    form.ApplyEffectsChoice(effects);
    EXPECT_EQ(task.destRegionWidth, 640);  // nothing in the record before OK
    form.Accept();
    EXPECT_EQ(task.destRegionX, 10);
    EXPECT_EQ(task.destRegionY, 20);
    EXPECT_EQ(task.destRegionWidth, 300);
    EXPECT_EQ(task.destRegionHeight, 200);
    EXPECT_EQ(task.destStartFrame, 5);
    EXPECT_EQ(task.destEndFrame, 60);
    EXPECT_TRUE(task.effects.destIsApplyEffects);
    EXPECT_EQ(task.effects.destBrightnessR, 50);
    ASSERT_EQ(task.effects.destFilters.size(), 1u);
    EXPECT_EQ(task.effects.destFilters[0].destFilterType, 6);
    // The record's chain is a copy: changing the dialog's block later leaves it.
    effects.destFilters[0].destFilterType = 1;
    EXPECT_EQ(task.effects.destFilters[0].destFilterType, 6);
}

TEST(SettingsForm, CustomPositionsAndRangedControls) {
    TCovSettings task = ClipTask();
    task.destFlashTextOpacity = 0;  // outside the slider
    task.destPreloaderScaleX = 500;
    TSettingsForm form;
    form.Open(task);
    EXPECT_EQ(form.Controls().destFlashTextOpacity, 1);
    EXPECT_EQ(form.Controls().destPreloaderScaleX, 100);
    form.SetCustomPosition(TCustomPosition::Text, 4, 5);
    form.SetCustomPosition(TCustomPosition::Preloader, 6, 7);
    form.SetCustomPosition(TCustomPosition::Playback, 8, 9);
    EXPECT_EQ(form.CustomPosition(TCustomPosition::Preloader), std::make_pair(6, 7));
    form.SetStartWaitSeconds(20000);
    EXPECT_EQ(form.Controls().destFlashStartWaitSeconds, 10000);
    form.Accept();
    EXPECT_EQ(task.destFlashTextX, 4);
    EXPECT_EQ(task.destFlashTextY, 5);
    EXPECT_EQ(task.destPreloaderPositionX, 6);
    EXPECT_EQ(task.destPlaybackPositionY, 9);
}

TEST(SettingsForm, DisplayedValues) {
    EXPECT_EQ(FrameRateText(30), "30fps");
    EXPECT_EQ(PercentText(75), "75%");
    EXPECT_EQ(OpacityPercent(255), 100);
    EXPECT_EQ(OpacityPercent(1), 0);
    EXPECT_EQ(OpacityPercent(128), 50);  // 50.196
    EXPECT_EQ(OpacityPercent(191), 75);  // 74.9
    EXPECT_EQ(SplitExportPath("name.swf"), std::make_pair(std::string(), std::string("name.swf")));
    EXPECT_EQ(ExportPathFor(ClipTask(), 7), "/videos/clip.swf");
}

TEST(SettingsForm, ProblemNamesWhatTheTaskListWouldRefuse) {
    TCovSettings task = ClipTask();
    task.sourceInfo.vExists = task.sourceInfo.vSupported = kTrue32;
    TSettingsForm form;
    form.Open(task);
    EXPECT_EQ(form.Problem(), std::nullopt);
    // A start past the end survives the OK rules (only 0 and ends past the source are
    // mended); the task list would drop such a task, so the dialog is told.
    form.SetStartFrame(300);
    ASSERT_TRUE(form.Problem().has_value());
    EXPECT_EQ(form.Problem()->rfind("destStartFrame", 0), 0u) << *form.Problem();
    form.SetStartFrame(0);
    form.SetEndFrame(99999);
    EXPECT_EQ(form.Problem(), std::nullopt);  // stored as 1 .. 250
    form.Controls().destWidth = 0;
    ASSERT_TRUE(form.Problem().has_value());
    EXPECT_EQ(form.Problem()->rfind("destWidth", 0), 0u) << *form.Problem();
}

}  // namespace
}  // namespace pellicor
