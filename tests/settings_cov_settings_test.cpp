#include <gtest/gtest.h>

#include "settings/app_paths.h"
#include "settings/cov_settings.h"

namespace pellicor {

TEST(CovSettings, NoProbeModeFillsEveryDefault) {
    TCovSettings s;
    ASSERT_TRUE(InitTaskSettings("", s, kInitNoProbe));

    // Derived from the still-empty source fields.
    EXPECT_EQ(s.destFilename, ".swf");
    EXPECT_EQ(s.destFilepath, "");
    EXPECT_EQ(s.destFrameRate, 12);  // no vFreq: the rate of a sound file
    EXPECT_EQ(s.destEndFrame, 0);
    EXPECT_EQ(s.destWidth, 0);
    EXPECT_EQ(s.destRegionHeight, 0);

    EXPECT_EQ(s.destExportType, 0);
    EXPECT_EQ(s.destFlashFormat, 1);
    EXPECT_TRUE(s.destIsFlashCompressed);
    EXPECT_FALSE(s.destIsFlashProtected);
    EXPECT_EQ(s.destFlashPlayingQuality, 0);
    EXPECT_EQ(s.destFlashPassword, "kestrels");
    EXPECT_EQ(s.destFlashBackgroundColor, 0xFFFFFFu);
    EXPECT_EQ(s.destFrameQuality, 75);
    EXPECT_EQ(s.destStartFrame, 1);
    EXPECT_FALSE(s.destIsDefaultFrameRate || s.destIsDefaultFrameQuality || s.destIsDefaultDuration ||
                 s.destIsDefaultRegion || s.destIsKeepAspectRatio || s.destIsApplyRegion);
    EXPECT_EQ(s.destRegionX, 0);
    EXPECT_EQ(s.destRegionY, 0);

    const TEffectSettings& e = s.effects;
    EXPECT_FALSE(e.destIsApplyEffects || e.destIsBrightness || e.destIsContrast || e.destIsGamma ||
                 e.destIsWhiteBalance || e.destIsSolarize || e.destIsSaturation);
    EXPECT_EQ(e.destBrightnessG, 0);
    EXPECT_EQ(e.destContrastB, 0);
    EXPECT_EQ(e.destGammaR, 1.0);
    EXPECT_EQ(e.destGammaG, 1.0);
    EXPECT_EQ(e.destGammaB, 1.0);
    EXPECT_EQ(e.destWhiteBalanceR, 255);
    EXPECT_EQ(e.destWhiteBalanceB, 255);
    EXPECT_EQ(e.destSolarizeG, 255);
    EXPECT_EQ(e.destSaturationPercent, 0);
    EXPECT_TRUE(e.destFilters.empty());

    EXPECT_TRUE(s.destIsAudioIncluded);
    EXPECT_FALSE(s.destIsAudioExtracted);
    EXPECT_EQ(s.destAudioFormat, 0);
    EXPECT_EQ(s.destAudioFrequency, 2);
    EXPECT_EQ(s.destAudioBitrate, 4);
    EXPECT_FALSE(s.destIsAudioReplaced);
    EXPECT_EQ(s.destAudioReplacedFile, "");
    EXPECT_EQ(s.destFlashStartAction, 0);
    EXPECT_FALSE(s.destIsFlashStartWait);
    EXPECT_EQ(s.destFlashStartWaitSeconds, 5);
    EXPECT_EQ(s.destFlashEndRepeatTimes, 3);
    EXPECT_FALSE(s.destIsFlashEndRepeat || s.destIsFlashEndUnload || s.destIsFlashEndOpenLink ||
                 s.destIsFlashClickOpenLink || s.destIsFlashText || s.destIsFlashTextOpenLink);
    EXPECT_EQ(s.destFlashEndOpenLinkURL, "http://www.pellicor.example/");
    EXPECT_EQ(s.destFlashClickOpenLinkURL, "http://www.pellicor.example/");
    EXPECT_EQ(s.destFlashTextOpenLinkURL, "http://www.pellicor.example/");
    EXPECT_EQ(s.destFlashText, std::vector<std::string>{"http://www.pellicor.example/"});

    const TFontDescription& font = s.destFlashTextFont;
    EXPECT_EQ(font.name, "MS Sans Serif");
    EXPECT_EQ(font.size, 8);
    EXPECT_FALSE(font.bold || font.italic || font.underline || font.strikeout);
    EXPECT_EQ(font.color, 0u);
    EXPECT_EQ(font.charset, 1);
    EXPECT_EQ(font.pitch, 0);

    EXPECT_EQ(s.destFlashTextOpacity, 255);
    EXPECT_EQ(s.destFlashTextPosition, 5);
    EXPECT_EQ(s.destFlashBlankFrameColor, 0xFFFFFFu);
    EXPECT_FALSE(s.destIsFlashBlankFrame || s.destIsFlashImageFrame || s.destIsPreloader || s.destIsPlayback ||
                 s.destIsSkin);
    EXPECT_EQ(s.destPreloader, ResourcesFolder() + "preloader/preloader.swf");
    EXPECT_EQ(s.destPlayback, ResourcesFolder() + "playback/playback.swf");
    EXPECT_EQ(s.destPreloaderScaleX, 50);
    EXPECT_EQ(s.destPreloaderScaleY, 50);
    EXPECT_EQ(s.destPreloaderPosition, 0);
    EXPECT_EQ(s.destPlaybackScaleY, 50);
    EXPECT_EQ(s.destPlaybackPosition, 5);
    EXPECT_EQ(s.destSkinType, 0);
}

TEST(CovSettings, DefaultsFollowTheSource) {
    TCovSettings s;
    s.sourceInfo.srcFilename = "clip.final.avi";
    s.sourceInfo.srcFilepath = "/videos/";
    s.sourceInfo.vFreq = 25;
    s.sourceInfo.resX = 640;
    s.sourceInfo.resY = 480;
    s.sourceInfo.vLen = 250;
    const TSourceInfo before = s.sourceInfo;
    ASSERT_TRUE(InitTaskSettings("/videos/clip.final.avi", s, kInitNoProbe));
    EXPECT_EQ(s.sourceInfo, before);
    EXPECT_EQ(s.destFilename, "clip.final.swf");
    EXPECT_EQ(s.destFilepath, "/videos/");
    EXPECT_EQ(s.destFrameRate, 25);
    EXPECT_EQ(s.destEndFrame, 250);
    EXPECT_EQ(s.destWidth, 640);
    EXPECT_EQ(s.destHeight, 480);
    EXPECT_EQ(s.destRegionWidth, 640);
    EXPECT_EQ(s.destRegionHeight, 480);

    // Halves go to the even neighbour; a name without extension gets one.
    for (auto [rate, expected] : {std::pair{29.97, 30}, {12.5, 12}, {13.5, 14}, {23.976, 24}}) {
        s.sourceInfo.vFreq = rate;
        ASSERT_TRUE(InitTaskSettings("", s, kInitNoProbe));
        EXPECT_EQ(s.destFrameRate, expected) << rate;
    }
    EXPECT_EQ(ChangeExtension("movie", ".swf"), "movie.swf");
    // A nonsensical probe value gives the most the movie header holds.
    s.sourceInfo.vFreq = 1e300;
    ASSERT_TRUE(InitTaskSettings("", s, kInitNoProbe));
    EXPECT_EQ(s.destFrameRate, 255);
}

TEST(CovSettings, RefusalsLeaveTheRecordAlone) {
    TCovSettings s;
    s.destFrameQuality = 42;
    s.sourceInfo.srcFilename = "kept";
    EXPECT_FALSE(InitTaskSettings("/nowhere/readme.txt", s, kInitProbe));  // refused by the probe
    EXPECT_FALSE(InitTaskSettings("", s, 2));
    EXPECT_FALSE(InitTaskSettings("", s, -1));
    EXPECT_EQ(s.destFrameQuality, 42);
    EXPECT_EQ(s.sourceInfo.srcFilename, "kept");
}

}  // namespace pellicor
