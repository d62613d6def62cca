#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>

#include "media/mcl.h"
#include "media/source_probe.h"
#include "media_fixtures.h"

namespace pellicor {

using testing::Fixture;

namespace {

double MeanDifference(const TBitmap& a, const TBitmap& b) {
    if (a.pixels.size() != b.pixels.size()) return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(a.pixels[i] - b.pixels[i]);
    return sum / static_cast<double>(a.pixels.size());
}

std::vector<TBitmap> ReadAllFrames(TMclReader& reader, int count) {
    std::vector<TBitmap> frames(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) MclReadImage(reader, i, frames[static_cast<std::size_t>(i)]);
    return frames;
}

}  // namespace

// Every frame read in order, then again in a scrambled order: the same pixels. Reading in
// order never seeks, neither does reading every second frame; the last frame + 1 fails.
TEST(MediaReader, FramesAreExactInAnyOrder) {
    for (const char* name : {"clip.mp4", "clip.avi", "clip.mpg", "clip.wmv", "clip.asf",
                             "clip.rm", "clip.rmvb", "clip.qt", "clip.mov", "clip.3gp"}) {
        SCOPED_TRACE(name);
        TSourceInfo info;
        ASSERT_TRUE(ProbeSourceFile(Fixture(name), info));
        TMclReadHandle reader = MclReadOpen(Fixture(name));
        ASSERT_TRUE(reader->HasVideo());
        const std::vector<TBitmap> frames = ReadAllFrames(*reader, info.vLen);
        EXPECT_EQ(reader->SeekCount(), 0);
        int changes = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(frames[i].width, info.resX);
            ASSERT_EQ(frames[i].height, info.resY);
            if (i > 0 && frames[i].pixels != frames[i - 1].pixels) ++changes;
        }
        // Every picture differs from the one before; clip.avi holds its first one for
        // three frame times.
        EXPECT_GE(changes, info.vLen - 3);
        EXPECT_THROW(MclReadImage(*reader, info.vLen, *MclImgCreate()), EMediaError);
        EXPECT_THROW(MclReadImage(*reader, -1, *MclImgCreate()), EMediaError);

        std::vector<int> order(frames.size());
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(17));
        TMclImage image;
        for (int index : order) {
            MclReadImage(*reader, index, image);
            ASSERT_EQ(image.pixels, frames[static_cast<std::size_t>(index)].pixels) << "frame " << index;
        }
        EXPECT_GT(reader->SeekCount(), 0);

        TMclReadHandle stepping = MclReadOpen(Fixture(name));
        for (int i = 0; i < info.vLen; i += 2) {
            MclReadImage(*stepping, i, image);
            MclReadImage(*stepping, i, image);  // read twice, as with fast converting off
            ASSERT_EQ(image.pixels, frames[static_cast<std::size_t>(i)].pixels) << "frame " << i;
        }
        EXPECT_EQ(stepping->SeekCount(), 0);
        MclReadClose(stepping);
        EXPECT_EQ(stepping, nullptr);
    }
}

// Frame 17 as the ffmpeg tool decodes it: ours is the same picture (colour conversion
// may differ by a step or two), closer to it than its neighbours are.
TEST(MediaReader, FrameIndexMatchesAnIndependentDecoder) {
    for (const char* name : {"clip.mp4", "clip.avi"}) {
        SCOPED_TRACE(name);
        TBitmap reference(160, 120);
        reference.pixels = testing::ReadFileBytes(Fixture(std::string(name) + ".frame17.rgb"));
        ASSERT_EQ(reference.pixels.size(), 160u * 120 * 3);
        TMclReadHandle reader = MclReadOpen(Fixture(name));
        TMclImage image;
        MclReadImage(*reader, 40, image);  // from further on: a backward seek to frame 17
        MclReadImage(*reader, 17, image);
        const double same = MeanDifference(image, reference);
        EXPECT_LT(same, 0.3);
        for (int neighbour : {16, 18}) {
            MclReadImage(*reader, neighbour, image);
            EXPECT_GT(MeanDifference(image, reference), same + 0.3) << "frame " << neighbour;
        }
    }
}

TEST(MediaReader, FarJumpsAndTheLargeClip) {
    TMclReadHandle reader = MclReadOpen(Fixture("hd720.mp4"));
    TMclImage image;
    MclReadImage(*reader, 0, image);
    EXPECT_EQ(image.width, 1280);
    EXPECT_EQ(image.height, 720);
    MclReadImage(*reader, 5, image);
    EXPECT_EQ(reader->SeekCount(), 0);  // a short jump decodes on
    MclReadImage(*reader, 59, image);
    EXPECT_EQ(reader->SeekCount(), 1);  // a long one goes to the last key frame
    const TBitmap last = image;
    MclReadImage(*reader, 58, image);
    EXPECT_NE(image.pixels, last.pixels);
    EXPECT_THROW(MclReadImage(*reader, 60, image), EMediaError);
    EXPECT_THROW(MclReadImage(*reader, 100000, image), EMediaError);
    MclReadImage(*reader, 59, image);
    EXPECT_EQ(image.pixels, last.pixels);
}

// The decoder's planes go to the JPEG encoder for 8-bit planar pictures of the BT.601 (or
// no) matrix and of BT.709, tagged with their matrix and range; pictures of other matrices
// do not (the caller reads them as RGB), and the picture given is left as it was.
TEST(MediaReader, PlanesOfTheMatricesTheEncoderTakes) {
    struct TCase {
        const char* name;
        bool planes;
        EYuvMatrix matrix;
        bool fullRange;
        int chromaShift;  // both ways
    };
    for (const TCase& c : {TCase{"clip.avi", true, EYuvMatrix::Bt601, false, 1},
                           TCase{"clip.mp4", true, EYuvMatrix::Bt601, false, 0},
                           TCase{"ramp2997.avi", true, EYuvMatrix::Bt601, true, 1},
                           TCase{"clip709.mp4", true, EYuvMatrix::Bt709, false, 1},
                           TCase{"clip709-444.mp4", true, EYuvMatrix::Bt709, false, 0},
                           TCase{"clip240m.mp4", false, EYuvMatrix::Bt601, false, 0}}) {
        SCOPED_TRACE(c.name);
        TMclReadHandle reader = MclReadOpen(Fixture(c.name));
        TYuvPicture picture;
        ASSERT_EQ(MclReadPlanes(*reader, 3, picture), c.planes);
        if (!c.planes) {
            EXPECT_TRUE(picture.empty());
            continue;
        }
        EXPECT_TRUE(picture.Matrix() == c.matrix);
        EXPECT_EQ(picture.FullRange(), c.fullRange);
        EXPECT_EQ(picture.ChromaShiftX(), c.chromaShift);
        EXPECT_EQ(picture.ChromaShiftY(), c.chromaShift);
    }
}

TEST(MediaReader, AudioOnlyAndUnreadableSources) {
    TMclReadHandle reader = MclReadOpen(Fixture("tone.mp3"));
    EXPECT_FALSE(reader->HasVideo());
    EXPECT_TRUE(reader->HasAudio());
    TMclImage image;
    EXPECT_THROW(MclReadImage(*reader, 0, image), EMediaError);

    TMclReadHandle silent = MclReadOpen(Fixture("clip.mpe"));
    TMclSound sound;
    EXPECT_THROW(MclReadSound(*silent, 0, 10, sound), EMediaError);

    for (const char* name : {"broken.mp4", "notes.txt", "missing.avi"}) {
        EXPECT_THROW(MclReadOpen(Fixture(name)), EMediaError) << name;
    }
}

// Noise in the middle of a clip: every read either works or throws EMediaError.
TEST(MediaReader, DamagedClipFailsCleanly) {
    TMclReadHandle reader;
    try {
        reader = MclReadOpen(Fixture("garbled.avi"));
    } catch (const EMediaError&) {
        return;
    }
    TMclImage image;
    TMclSound sound;
    for (int i : {0, 10, 20, 30, 40, 49, 5, 45, 0}) {
        try {
            MclReadImage(*reader, i, image);
            EXPECT_EQ(image.pixels.size(), 160u * 120 * 3);
        } catch (const EMediaError&) {
        }
    }
    for (std::int64_t first : {0, 20000, 5000, 44000}) {
        try {
            MclReadSound(*reader, first, 2000, sound);
            EXPECT_EQ(sound.SampleCount(), 2000);
        } catch (const EMediaError&) {
        }
    }
}

// Every container cut short at a few places: probing and reading everything either work
// or fail with EMediaError.
TEST(MediaReader, TruncatedFilesFailCleanly) {
    testing::TempFolder folder;
    for (const char* name : {"clip.avi", "clip.mpg", "clip.wmv", "clip.rm", "clip.mov", "clip.3gp",
                             "tone.wav", "tone.mp3"}) {
        const std::vector<std::uint8_t> whole = testing::ReadFileBytes(Fixture(name));
        for (int quarter = 1; quarter <= 3; ++quarter) {
            SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(quarter) + "/4");
            const std::string path = folder.File(std::to_string(quarter) + name);
            testing::WriteFileBytes(path, {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * quarter / 4)});
            TSourceInfo info;
            const bool accepted = ProbeSourceFile(path, info);
            try {
                TMclReadHandle reader = MclReadOpen(path);
                TMclImage image;
                TMclSound sound;
                for (int i = 0; accepted && reader->HasVideo() && i < info.vLen; i += 3) {
                    try {
                        MclReadImage(*reader, i, image);
                    } catch (const EMediaError&) {
                    }
                }
                if (reader->HasAudio()) {
                    MclReadSound(*reader, 0, 30000, sound);
                    EXPECT_EQ(sound.SampleCount(), 30000);
                    MclReadSound(*reader, 100, 1000, sound);
                }
            } catch (const EMediaError&) {
            }
        }
    }
}

TEST(MediaReader, SoundBlocksAreExactAndSilentBeyondTheEnd) {
    TMclReadHandle reader = MclReadOpen(Fixture("tone.wav"));
    TMclSound whole;
    MclReadSound(*reader, 0, 22050, whole);
    EXPECT_EQ(whole.rate, 22050);
    EXPECT_EQ(whole.channels, 1);
    EXPECT_EQ(whole.bits, 16);
    EXPECT_EQ(whole.SampleCount(), 22050);
    EXPECT_NEAR(testing::ZeroCrossings(whole.data, 1, 16), 880, 4);

    // Blocks of one frame at 25 fps, as the audio extraction reads them, in a new reader.
    TMclReadHandle blocks = MclReadOpen(Fixture("tone.wav"));
    std::vector<std::uint8_t> joined;
    TMclSound block;
    for (int first = 0; first < 22050; first += 882) {
        MclReadSound(*blocks, first, 882, block);
        ASSERT_EQ(block.SampleCount(), 882);
        joined.insert(joined.end(), block.data.begin(), block.data.end());
    }
    EXPECT_EQ(joined, whole.data);
    EXPECT_EQ(blocks->SeekCount(), 0);

    // Backwards: the same samples again.
    MclReadSound(*blocks, 4410, 100, block);
    EXPECT_TRUE(std::equal(block.data.begin(), block.data.end(), whole.data.begin() + 4410 * 2));

    // Past the end: the block keeps its length, the missing part is silence.
    MclReadSound(*blocks, 22000, 100, block);
    ASSERT_EQ(block.SampleCount(), 100);
    EXPECT_TRUE(std::equal(block.data.begin(), block.data.begin() + 100, whole.data.begin() + 44000));
    EXPECT_TRUE(std::all_of(block.data.begin() + 100, block.data.end(), [](auto b) { return b == 0; }));
    MclReadSound(*blocks, 1000000, 10, block);
    EXPECT_EQ(block.data, std::vector<std::uint8_t>(20, 0));
}

TEST(MediaReader, SoundOfCompressedClipsCarriesTheTone) {
    for (const char* name : {"clip.mp4", "clip.avi", "clip.wmv", "clip.rm", "clip.mpg", "tone.mp3"}) {
        SCOPED_TRACE(name);
        TSourceInfo info;
        ASSERT_TRUE(ProbeSourceFile(Fixture(name), info));
        TMclReadHandle reader = MclReadOpen(Fixture(name));
        const int rate = static_cast<int>(info.aFreq);
        TMclSound sound;
        // Half a second from 0.25 s on, first in order, then again after reading further on.
        MclReadSound(*reader, rate / 4, rate / 2, sound);
        EXPECT_EQ(sound.rate, rate);
        EXPECT_EQ(sound.SampleCount(), rate / 2);
        EXPECT_NEAR(testing::ZeroCrossings(sound.data, sound.channels, sound.bits), 440, 6);
        const std::vector<std::uint8_t> first = sound.data;
        MclReadSound(*reader, rate * 3 / 4, rate / 4, sound);
        MclReadSound(*reader, rate / 4, rate / 2, sound);
        EXPECT_NEAR(testing::ZeroCrossings(sound.data, sound.channels, sound.bits), 440, 6);
    }
}

TEST(MediaSound, ResampleKeepsTheTone) {
    TMclReadHandle reader = MclReadOpen(Fixture("tone.wav"));
    TMclSoundHandle sound = MclSndCreate();
    MclReadSound(*reader, 0, 22050, *sound);
    MclSndResample(*sound, 11025, 2, 8);
    int rate = 0, channels = 0, bits = 0, size = 0;
    const std::uint8_t* data = nullptr;
    MclSndGetInfo(*sound, rate, channels, bits, size, data);
    EXPECT_EQ(rate, 11025);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(bits, 8);
    EXPECT_NEAR(size, 11025 * 2, 4);
    EXPECT_EQ(data, sound->data.data());
    EXPECT_NEAR(testing::ZeroCrossings(sound->data, 2, 8), 880, 6);

    MclSndResample(*sound, 44100, 1, 16);
    EXPECT_NEAR(sound->SampleCount(), 44100, 8);
    EXPECT_NEAR(testing::ZeroCrossings(sound->data, 1, 16), 880, 6);
    EXPECT_THROW(MclSndResample(*sound, 0, 1, 16), EMediaError);
    EXPECT_THROW(MclSndResample(*sound, 44100, 3, 16), EMediaError);
    EXPECT_THROW(MclSndResample(*sound, 44100, 1, 12), EMediaError);
    MclSndFree(sound);
    EXPECT_EQ(sound, nullptr);
}

}  // namespace pellicor
