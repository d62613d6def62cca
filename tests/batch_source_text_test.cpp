#include <gtest/gtest.h>

#include <filesystem>

#include "batch/source_text.h"
#include "media/media_error.h"
#include "media/source_probe.h"
#include "media_fixtures.h"

namespace pellicor {

TEST(SourceText, FileSizes) {
    testing::TempFolder folder;
    const std::string path = folder.File("sized.bin");
    testing::WriteFileBytes(path, std::vector<std::uint8_t>(1536, 7));
    EXPECT_EQ(FormatFileSize(path), "1.50KB");
    std::filesystem::resize_file(path, 1023);
    EXPECT_EQ(FormatFileSize(path), "1023Bytes");
    std::filesystem::resize_file(path, 1048576);
    EXPECT_EQ(FormatFileSize(path), "1.00MB");
    EXPECT_THROW(FormatFileSize(folder.File("missing.bin")), EMediaError);
}

TSourceInfo SampleInfo() {
    TSourceInfo info;
    info.srcFilesize = "1.50KB";
    info.srcFileFormat = "Quick Time";
    info.vExists = kTrue32;
    info.vTimeLenf = 3661.0;
    info.vFreq = 29.97;
    info.resX = 640;
    info.resY = 480;
    info.vLen = 109720;
    info.aExists = kTrue32;
    info.aFmtName = "AAC (Advanced Audio Coding)";
    info.aTimeLen = 2.0;
    info.aChannels = 2;
    info.aLen = 88200;
    info.aFreq = 44100;
    return info;
}

TEST(SourceText, InformationPanelLines) {
    TSourceInfo info = SampleInfo();
    const std::vector<std::string> present{
        "File Size: 1.50KB",        "Format: Quick Time",
        "Duration: 01:01:01",       "Frame Rate: 29.97",
        "WidthxHeight: 640x480",    "Total Frames: 109720",
        "Format: AAC (Advanced Audio Coding)", "Duration: 00:00:02",
        "Channels: 2",              "Frequency: 44KHz",
        "Total Samples: 88200"};
    EXPECT_EQ(SourceInfoLines(info), present);
    EXPECT_EQ(VideoSummaryLine(info),
              "Video -- Duration: 01:01:01 -- Framerate: 30 fps -- WidthxHeight: 640x480 pixels"
              " -- Total Frames: 109720");
    EXPECT_EQ(AudioSummaryLine(info),
              "Audio -- Duration: 00:00:02 -- Channels: 2 -- Frequency: 44KHz -- Total Samples: 88200");

    info.vExists = 0;
    info.aExists = 0;
    const std::vector<std::string> absent{
        "File Size: 1.50KB",  "Format: No Video", "Duration: --",     "Frame Rate: --",
        "WidthxHeight: --",   "Total Frames: --", "Format: No Audio", "Duration: --",
        "Channels: --",       "Frequency: --",    "Total Samples: --"};
    EXPECT_EQ(SourceInfoLines(info), absent);
    EXPECT_EQ(VideoSummaryLine(info), "Video -- No Video");
    EXPECT_EQ(AudioSummaryLine(info), "Audio -- No Audio");
}

TEST(SourceText, KilohertzRoundsHalfToEvenAndSurvivesZeroDuration) {
    TSourceInfo info;
    info.aLen = 22500;  // 22.5 kHz
    info.aTimeLen = 1.0;
    EXPECT_EQ(AudioKilohertz(info), 22);
    info.aLen = 23500;
    EXPECT_EQ(AudioKilohertz(info), 24);
    info.aLen = 11025;
    EXPECT_EQ(AudioKilohertz(info), 11);
    info.aTimeLen = 0;  // no duration known: the reported rate stands in
    info.aFreq = 48000;
    EXPECT_EQ(AudioKilohertz(info), 48);
    info.aFreq = 0;
    EXPECT_EQ(AudioKilohertz(info), 0);
}

}  // namespace pellicor
