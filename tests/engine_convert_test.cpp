// Whole conversions: every container, the movie's framing, flavours, protection,
// compression, a stopped run and sources that cannot be opened.

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/compress_flash.h"
#include "engine_test_support.h"
#include "swf/tag_codes.h"
#include "util/numbers.h"

namespace pellicor {
namespace {

using namespace engine_test;

TEST(EngineConvert, EveryContainerConvertsFrameByFrame) {
    testing::TempFolder folder;
    for (const char* name : {"clip.avi", "clip.mpg", "clip.mpeg", "clip.mpe", "clip.wmv", "clip.asf", "clip.rm",
                             "clip.rmvb", "clip.qt", "clip.mov", "clip.mp4", "clip.3gp", "anim.gif"}) {
        SCOPED_TRACE(name);
        TPassSettings context;
        const std::string dest = folder.File(std::string(name) + ".swf");
        ASSERT_TRUE(FillContext(Fixture(name), dest, context));
        const int frames = context.endIndex - context.startIndex + 1;
        const int width = context.resX, height = context.resY;
        const auto rate = RoundHalfEven(context.srcFrameRate);
        TRecordingProgress progress;
        ASSERT_TRUE(Convert(context, &progress));
        EXPECT_EQ(progress.stages, (std::vector<std::string>{"OpeningSource", "MakingFlash", "Finishing"}));
        EXPECT_EQ(progress.Log(), (std::vector<std::string>{"Finishing", "Finished current converting..."}));
        EXPECT_EQ(progress.Position(), progress.Maximum());
        EXPECT_TRUE(progress.messages.empty());

        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.version, 6);
        EXPECT_EQ(file.header.FrameCount, frames);
        EXPECT_EQ(file.header.FrameRect.Xmax(), width * 20);
        EXPECT_EQ(file.header.FrameRect.Ymax(), height * 20);
        EXPECT_EQ(file.header.FrameRate, rate << 8);
        // The first-frame picture, then one bitmap per frame.
        EXPECT_EQ(file.Count(tagDefineBitsJPEG2), frames + 1);

        const TDecodedMovie decoded = DecodeWithLibav(dest);
        EXPECT_EQ(decoded.packets, frames + 1);
        EXPECT_EQ(decoded.decoded, decoded.packets);
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
        EXPECT_EQ(decoded.rate.num, rate * decoded.rate.den);
        EXPECT_FALSE(std::filesystem::exists(folder.File(std::string(name) + ".swftmp")));
    }
}

TEST(EngineConvert, FlavourCompressionAndVersion) {
    testing::TempFolder folder;
    struct TCase {
        int format;
        bool compressed;
        bool expectCompressed;
        int version;
    };
    for (const TCase c : {TCase{0, false, false, 5}, TCase{0, true, true, 6}, TCase{1, false, false, 6},
                          TCase{1, true, true, 6}}) {
        SCOPED_TRACE(::testing::Message() << "format " << c.format << " compressed " << c.compressed);
        TPassSettings context;
        const std::string dest = folder.File("flavour.swf");
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        context.destFlashFormat = c.format;
        context.destIsFlashCompressed = c.compressed;
        TRecordingProgress progress;
        ASSERT_TRUE(Convert(context, &progress));
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.compressed, c.expectCompressed);
        EXPECT_EQ(file.version, c.version);
        // A "Flash 3+" movie is written as version 5 and only marked 6 by the compression.
        EXPECT_EQ(file.header.Version, c.version);
        const bool compressStage =
            std::find(progress.stages.begin(), progress.stages.end(), "CompressingFlash") != progress.stages.end();
        EXPECT_EQ(compressStage, c.compressed);
        EXPECT_EQ(DecodeWithLibav(dest, folder.File("plain.swf")).decoded, 7);
        EXPECT_FALSE(std::filesystem::exists(folder.File("flavour.swftmp")));
    }
}

TEST(EngineConvert, ProtectionAndBackground) {
    testing::TempFolder folder;
    const std::string dest = folder.File("protect.swf");
    for (const bool on : {false, true}) {
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
        context.destIsFlashProtected = on;
        context.destFlashPassword = "";
        context.destFlashBackgroundColor = 0x00336699;  // 0x00BBGGRR: red 99, green 66, blue 33
        ASSERT_TRUE(Convert(context));
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        ASSERT_GE(file.tags.size(), 2u);
        EXPECT_EQ(file.tags[0].code, tagSetBackgroundColor);
        EXPECT_EQ(file.tags[0].body, (Bytes{0x99, 0x66, 0x33}));
        EXPECT_EQ(file.Count(tagProtect), on ? 1 : 0);
        if (on) {
            EXPECT_EQ(file.tags[1].code, tagProtect);
            EXPECT_TRUE(file.tags[1].body.empty());  // an empty pass phrase
        }
    }
    // A pass phrase is stored as its hash, never as written.
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
    context.destIsFlashProtected = true;
    context.destFlashPassword = "kestrels";
    ASSERT_TRUE(Convert(context));
    const TSwfFile file = ReadSwf(dest);
    ASSERT_EQ(file.tags[1].code, tagProtect);
    const std::string stored(file.tags[1].body.begin(), file.tags[1].body.end());
    EXPECT_EQ(stored.find("kestrels"), std::string::npos);
    EXPECT_EQ(stored.substr(0, 5), std::string("\0\0$1$", 5));
}

TEST(EngineConvert, StoppedRunStillGivesAWellFormedShorterMovie) {
    testing::TempFolder folder;
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed);
        const std::string dest = folder.File("stopped.swf");
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("clip.mp4"), dest, context));
        context.destIsFlashCompressed = compressed;
        context.destIsFlashEndRepeat = true;  // the end section must still be written
        TRecordingProgress progress;
        int framePumps = 0;
        progress.onPump = [&framePumps](TRecordingProgress& p) {
            if (p.Log().empty() || p.Log()[0] != "MakingFlash") return;
            if (++framePumps == 11) Converting = false;
        };
        ASSERT_TRUE(Convert(context, &progress));
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.compressed, false);  // the stop also ends the compression: the movie stays plain
        EXPECT_EQ(file.header.FrameCount, 10 + 1);  // ten video frames and the end frame
        EXPECT_EQ(file.tags[file.tags.size() - 3].code, tagDoAction);
        EXPECT_EQ(DecodeWithLibav(dest).decoded, 11);
        EXPECT_FALSE(std::filesystem::exists(folder.File("stopped.swftmp")));
    }
}

TEST(EngineConvert, SourceThatCannotBeOpenedLeavesNoFile) {
    testing::TempFolder folder;
    for (const char* name : {"broken.mp4", "notes.txt"}) {
        TPassSettings context;
        context.isVideo = true;
        context.srcPath = Fixture(name);
        context.destPath = folder.File("never.swf");
        context.destWidth = context.destHeight = context.resX = context.resY = 16;
        context.srcFrameRate = context.destFrameRate = 10;
        TRecordingProgress progress;
        EXPECT_FALSE(Convert(context, &progress));
        EXPECT_EQ(progress.messages, (std::vector<std::string>{"Fail to open the video file!"}));
        EXPECT_EQ(progress.stages, (std::vector<std::string>{"OpeningSource"}));
        EXPECT_EQ(progress.Log()[1], "Opening source file \"" + std::string(name) + "@" + PELLICOR_FIXTURES_DIR + "/\"");
        EXPECT_FALSE(std::filesystem::exists(context.destPath));
        EXPECT_EQ(context.readHandle, nullptr);
    }
    // A GIF that is not one.
    TPassSettings gif;
    gif.isGif = true;
    gif.srcPath = Fixture("notes.txt");
    gif.destPath = folder.File("never.swf");
    EXPECT_FALSE(Convert(gif));
    EXPECT_FALSE(std::filesystem::exists(gif.destPath));
}

TEST(EngineConvert, AudioOnlySourceKeepsOnlyStartAndEndSections) {
    testing::TempFolder folder;
    TPassSettings context;
    const std::string dest = folder.File("tone.swf");
    ASSERT_TRUE(FillContext(Fixture("tone.wav"), dest, context));
    context.destWidth = context.destHeight = 100;
    context.destFrameRate = 12;
    context.destIsFlashEndUnload = true;
    TRecordingProgress progress;
    ASSERT_TRUE(Convert(context, &progress));
    EXPECT_EQ(progress.stages, (std::vector<std::string>{"OpeningSource", "Finishing"}));
    const TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    EXPECT_EQ(file.header.FrameCount, 1);  // the end frame only
    EXPECT_EQ(file.Count(tagDefineBitsJPEG2), 0);
    // The white picture stands in for the first frame: a stage-sized rectangle.
    EXPECT_EQ(file.Count(tagDefineShape2), 1);
}

TEST(EngineConvert, ErrorWhileWritingFreesTheWorkingObjects) {
    testing::TempFolder folder;
    TPassSettings context;
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), folder.File("missing-folder/x.swf"), context));
    EXPECT_ANY_THROW(Convert(context));
    EXPECT_EQ(context.movie, nullptr);
    EXPECT_EQ(context.gifImage, nullptr);
    EXPECT_EQ(context.jpegImage, nullptr);
    EXPECT_EQ(context.mclImage, nullptr);
}

TEST(EngineCompress, LayoutChunksAndReplacement) {
    testing::TempFolder folder;
    const std::string path = folder.File("plain.swf");
    Bytes movie(10000);
    for (std::size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<std::uint8_t>(i * 7 + i / 100);
    movie[0] = 'F', movie[1] = 'W', movie[2] = 'S', movie[3] = 5;
    testing::WriteFileBytes(path, movie);
    testing::WriteFileBytes(folder.File("plain.swftmp"), Bytes(50, 1));  // left by an earlier run

    Converting = true;
    TRecordingProgress progress;
    std::vector<std::int64_t> positions;
    progress.onPump = [&positions](TRecordingProgress& p) { positions.push_back(p.Position()); };
    ASSERT_TRUE(CompressFlash(path, &progress));
    Converting = false;
    EXPECT_EQ(progress.Log(), (std::vector<std::string>{"CompressingFlash", "Compressing \"plain.swf@" +
                                                                                std::filesystem::path(path).parent_path().string() + "/\""}));
    EXPECT_EQ(progress.Maximum(), 9992);
    // 9992 / 50 = 199 bytes per chunk: 51 chunks.
    ASSERT_EQ(positions.size(), 51u);
    EXPECT_EQ(positions[1], 199);
    EXPECT_EQ(progress.Position(), 9992);

    const Bytes compressed = testing::ReadFileBytes(path);
    EXPECT_EQ(Bytes(compressed.begin(), compressed.begin() + 8), (Bytes{'C', 'W', 'S', 6, 0x10, 0x27, 0, 0}));
    TMemoryStream source(compressed), plain;
    DecompressSWF(source, plain);
    EXPECT_EQ(Bytes(plain.Bytes().begin() + 8, plain.Bytes().end()), Bytes(movie.begin() + 8, movie.end()));
    // The compressed copy had a temporary name of this process's own: a left-over of an
    // earlier run (perhaps another one still running) is neither used nor touched.
    EXPECT_EQ(testing::ReadFileBytes(folder.File("plain.swftmp")), Bytes(50, 1));
    for (const auto& entry : std::filesystem::directory_iterator(folder.File("")))
        EXPECT_TRUE(entry.path().filename() == "plain.swf" || entry.path().filename() == "plain.swftmp") << entry.path();
}

}  // namespace
}  // namespace pellicor
