// A failed conversion never destroys the movie that was there: refused first-frame
// pictures, a full disk, a replacement sound that cannot be read, a stop during
// compression; and every output is renamed into place only when it is complete.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/audio_track.h"
#include "engine_test_support.h"
#include "movie_reader_test_support.h"
#include "swf/tag_codes.h"

namespace pellicor {
namespace {

using namespace engine_test;
namespace fs = std::filesystem;

const Bytes kEarlierMovie = {'F', 'W', 'S', 6, 21, 0, 0, 0, 0x00, 0x00, 0x0C, 0x01, 0x00, 1, 0, 0x40, 0x00, 0, 0, 0, 0};

// The names in `folder` other than `keep`: what a conversion left behind.
std::vector<std::string> OtherFiles(const std::string& folder, const std::vector<std::string>& keep) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end()) names.push_back(name);
    }
    return names;
}

// A context for anim.gif into `dest`, where an earlier movie lies.
void PrepareOverEarlierMovie(const std::string& dest, TPassSettings& context) {
    testing::WriteFileBytes(dest, kEarlierMovie);
    ASSERT_TRUE(FillContext(Fixture("anim.gif"), dest, context));
}

TEST(Reliability, RefusedFirstFramePicturesLeaveTheEarlierMovieAsItWas) {
    testing::TempFolder folder;
    const Bytes jpeg = test_support::EncodeJpeg(16, 12, false);
    Bytes garbageAfterStart = {0xFF, 0xD8};
    for (int i = 0; i < 300; ++i) garbageAfterStart.push_back(static_cast<std::uint8_t>(i * 91 + 7));
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 4};
    Bytes cutJpeg(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 2 / 3));
    const Bytes bmpHeaderOnly = {'B', 'M', 54, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    struct TCase {
        const char* name;
        Bytes bytes;
    };
    const std::vector<TCase> cases = {
        {"png.jpg", png},
        {"bitmap.jpg", test_support::BmpFile{.width = 2, .height = 2, .bits = 24, .data = Bytes(16, 9)}.Build()},
        {"garbage.jpg", garbageAfterStart},
        {"markers-only.jpg", {0xFF, 0xD8, 0xFF, 0xD9}},
        {"cut.jpg", cutJpeg},
        {"refused.bmp", bmpHeaderOnly},
    };
    for (const TCase& picture : cases) {
        SCOPED_TRACE(picture.name);
        const std::string dest = folder.File("movie.swf"), image = folder.File(picture.name);
        testing::WriteFileBytes(image, picture.bytes);
        TPassSettings context;
        PrepareOverEarlierMovie(dest, context);
        context.destIsFlashImageFrame = true;
        context.destFlashImageFrameFile = image;
        try {
            Convert(context);
            ADD_FAILURE() << "the picture was taken";
        } catch (const std::exception& error) {
            if (std::string(picture.name).ends_with(".jpg")) {
                EXPECT_NE(std::string(error.what()).find("is not a JPEG picture that can be shown"), std::string::npos)
                    << error.what();
            }
        }
        EXPECT_EQ(testing::ReadFileBytes(dest), kEarlierMovie);
        EXPECT_EQ(OtherFiles(folder.File(""), {"movie.swf", picture.name}), std::vector<std::string>{});
        fs::remove(image);
    }

    // A good JPEG still goes in as it is, and the new movie replaces the earlier one.
    const std::string dest = folder.File("movie.swf"), image = folder.File("good.jpg");
    testing::WriteFileBytes(image, jpeg);
    TPassSettings context;
    PrepareOverEarlierMovie(dest, context);
    context.destIsFlashImageFrame = true;
    context.destFlashImageFrameFile = image;
    ASSERT_TRUE(Convert(context));
    const TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    EXPECT_EQ(OtherFiles(folder.File(""), {"movie.swf", "good.jpg"}), std::vector<std::string>{});
}

TEST(Reliability, AFullDiskLeavesTheEarlierMovieAndNoTemporary) {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    testing::TempFolder folder;
    const std::string mountPoint = folder.File("disk");
    fs::create_directories(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=200k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct TUnmount {
        std::string path;
        ~TUnmount() { umount2(path.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "uncompressed");
        const std::string dest = mountPoint + "/movie.swf";
        TPassSettings context;
        testing::WriteFileBytes(dest, kEarlierMovie);
        // 1280 x 720 frames at the best quality: far more than 200 KB.
        ASSERT_TRUE(FillContext(Fixture("hd720.mp4"), dest, context));
        context.destFrameQuality = 100;
        context.destIsFlashCompressed = compressed;
        try {
            Convert(context);
            ADD_FAILURE() << "the conversion did not notice the full disk";
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()).find("No space left on device"), std::string::npos) << error.what();
        }
        EXPECT_EQ(testing::ReadFileBytes(dest), kEarlierMovie);
        EXPECT_EQ(OtherFiles(mountPoint, {"movie.swf"}), std::vector<std::string>{});
    }
}

// Replacement sounds that no movie can get: the movie is made without sound, the task
// fails and says why in the stage log and to the user.
TEST(Reliability, UnreadableReplacementSoundsFailTheTaskWithAReason) {
    testing::TempFolder folder;
    Bytes random;
    for (int i = 0; i < 4000; ++i) random.push_back(static_cast<std::uint8_t>((i * 2654435761u) >> 13));
    const Bytes samples(2000, 100);
    struct TCase {
        const char* name;
        std::optional<Bytes> bytes;  // nothing: the file does not exist
        const char* reason;
    };
    const std::vector<TCase> cases = {
        {"missing.wav", std::nullopt, "No such file or directory"},
        {"empty.wav", Bytes{}, "the file is empty"},
        {"noise.wav", random, "cannot be used"},
        {"no-channels.wav", test_support::Wave(1, 0, 22050, 16, samples), "cannot be used"},
        {"no-rate.wav", test_support::Wave(1, 1, 0, 16, samples), "cannot be used"},
        {"no-data.wav", [&] {
             Bytes wave = test_support::Wave(1, 1, 22050, 16, samples);
             wave.resize(36);  // RIFF header and format chunk only
             return wave;
         }(), "cannot be used"},
    };
    for (const TCase& sound : cases) {
        SCOPED_TRACE(sound.name);
        const std::string replacement = folder.File(sound.name), dest = folder.File("movie.swf");
        if (sound.bytes) testing::WriteFileBytes(replacement, *sound.bytes);
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("clip.avi"), dest, context));
        context.isAudio = context.destIsAudioIncluded = true;
        context.destIsAudioReplaced = true;
        context.destAudioReplacedFile = replacement;
        context.tempAudioFile = folder.File("atemp.wav");
        TRecordingProgress progress;
        EXPECT_FALSE(Convert(context, &progress));
        ASSERT_EQ(progress.messages.size(), 1u);
        const std::string& message = progress.messages[0];
        EXPECT_NE(message.find("The replacement sound \"" + replacement + "\" cannot be used: "), std::string::npos);
        EXPECT_NE(message.find(sound.reason), std::string::npos) << message;
        EXPECT_NE(std::find(progress.logLines.begin(), progress.logLines.end(), message), progress.logLines.end());
        // The movie stays, without any sound.
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.Count(tagSoundStreamBlock), 0);
        fs::remove(dest);
        fs::remove(replacement);
    }
}

TEST(Reliability, StopDuringCompressionLeavesTheUncompressedMovieInPlace) {
    testing::TempFolder folder;
    const std::string dest = folder.File("movie.swf");
    TPassSettings context;
    PrepareOverEarlierMovie(dest, context);
    context.destIsFlashCompressed = true;
    TRecordingProgress progress;
    progress.onPump = [](TRecordingProgress& p) {
        if (!p.stages.empty() && p.stages.back() == "CompressingFlash" && p.Position() > 0) Converting = false;
    };
    ASSERT_TRUE(Convert(context, &progress));
    const TSwfFile file = ReadSwf(dest);
    ExpectWellFormed(file);
    EXPECT_EQ(testing::ReadFileBytes(dest)[0], 'F');
    EXPECT_EQ(OtherFiles(folder.File(""), {"movie.swf"}), std::vector<std::string>{});
}

TEST(Reliability, TheSeparateSoundFileIsReplacedOnlyAfterTheMovie) {
    testing::TempFolder folder;
    const std::string dest = folder.File("movie.swf"), sound = folder.File("movie.wav");
    const Bytes earlierSound = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    auto prepare = [&](TPassSettings& context) {
        testing::WriteFileBytes(sound, earlierSound);
        ASSERT_TRUE(FillContext(Fixture("clip.avi"), dest, context));
        context.isAudio = context.destIsAudioIncluded = context.destIsAudioExtracted = true;
        context.audioSampleRate = 22050;
        context.tempAudioFile = folder.File("atemp.wav");
    };
    {  // The movie cannot take its name (a folder holds it): the sound file stays as it was.
        fs::create_directories(dest);
        TPassSettings context;
        prepare(context);
        EXPECT_ANY_THROW(Convert(context));
        EXPECT_EQ(testing::ReadFileBytes(sound), earlierSound);
        EXPECT_EQ(OtherFiles(folder.File(""), {"movie.swf", "movie.wav"}), std::vector<std::string>{});
        fs::remove(dest);
    }
    {  // A complete conversion replaces the sound file too.
        TPassSettings context;
        prepare(context);
        ASSERT_TRUE(Convert(context));
        const Bytes written = testing::ReadFileBytes(sound);
        ASSERT_GT(written.size(), 44u);
        EXPECT_EQ(std::string(written.begin(), written.begin() + 4), "RIFF");
        ExpectWellFormed(ReadSwf(dest));
    }
    EXPECT_EQ(OtherFiles(folder.File(""), {"movie.swf", "movie.wav"}), std::vector<std::string>{});
}

}  // namespace
}  // namespace pellicor
