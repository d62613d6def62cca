#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

#include "media/source_probe.h"
#include "media_fixtures.h"

namespace pellicor {

using testing::Fixture;

namespace {

struct TRun {
    int status = -1;
    std::string out;
    std::string err;
};

TRun RunProbe(const std::vector<std::string>& files) {
    testing::TempFolder folder;
    std::string command = std::string("'") + PELLICOR_CLI_PATH + "' probe";
    for (const std::string& file : files) command += " '" + file + "'";
    command += " >'" + folder.File("out") + "' 2>'" + folder.File("err") + "'";
    TRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto out = testing::ReadFileBytes(folder.File("out"));
    const auto err = testing::ReadFileBytes(folder.File("err"));
    run.out.assign(out.begin(), out.end());
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace

TEST(MediaCli, ProbePrintsThePanelAndRefusesWithTheAddingLine) {
    const TRun accepted = RunProbe({Fixture("clip.mp4"), Fixture("tone.wav")});
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(accepted.err, "");
    TSourceInfo clip;
    ASSERT_TRUE(ProbeSourceFile(Fixture("clip.mp4"), clip));
    const std::string expected = Fixture("clip.mp4") + "\n" +
                                 "File Size: " + FormatFileSize(Fixture("clip.mp4")) + "\n" +
                                 "Format: Quick Time\n"
                                 "Duration: 00:00:02\n"
                                 "Frame Rate: 25.00\n"
                                 "WidthxHeight: 160x120\n"
                                 "Total Frames: 50\n"
                                 "Format: AAC (Advanced Audio Coding)\n"
                                 "Duration: 00:00:02\n"
                                 "Channels: 1\n"
                                 "Frequency: 22KHz\n"
                                 "Total Samples: " + std::to_string(clip.aLen) + "\n" +
                                 "\n" + Fixture("tone.wav") + "\n" +
                                 "File Size: " + FormatFileSize(Fixture("tone.wav")) + "\n" +
                                 "Format: No Video\n"
                                 "Duration: --\n"
                                 "Frame Rate: --\n"
                                 "WidthxHeight: --\n"
                                 "Total Frames: --\n"
                                 "Format: PCM signed 16-bit little-endian\n"
                                 "Duration: 00:00:01\n"
                                 "Channels: 1\n"
                                 "Frequency: 22KHz\n"
                                 "Total Samples: 22050\n";
    EXPECT_EQ(accepted.out, expected);

    const TRun mixed = RunProbe({Fixture("single.gif"), Fixture("anim.gif"), Fixture("notes.txt")});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_EQ(mixed.err, ">>Unsupported file!... \"" + Fixture("single.gif") + "\"\n" +
                             ">>Unsupported file!... \"" + Fixture("notes.txt") + "\"\n");
    EXPECT_EQ(mixed.out.substr(0, mixed.out.find('\n')), Fixture("anim.gif"));
    EXPECT_NE(mixed.out.find("\nFormat: Animated GIF\n"), std::string::npos);
    EXPECT_NE(mixed.out.find("\nFrame Rate: 10.00\n"), std::string::npos);

    EXPECT_NE(RunProbe({}).status, 0);  // a file is required
}

}  // namespace pellicor
