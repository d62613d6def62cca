// The frame stage over several threads: movies that do not depend on the number of
// threads, pictures that agree whether a frame goes to the JPEG encoder as the decoder's
// planes or through RGB, and a stop while frames are in flight.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/frame_encoder_pool.h"
#include "engine_test_support.h"
#include "media/jpeg_encoder.h"
#include "media/jpeg_huffman.h"
#include "media/mcl.h"
#include "media/media_error.h"
#include "movie/jpeg_probe.h"

namespace pellicor {
namespace {

using namespace engine_test;

// Peak signal-to-noise ratio of b against a over every channel of every picture, in dB.
double Psnr(const std::vector<TBitmap>& a, const std::vector<TBitmap>& b) {
    EXPECT_EQ(a.size(), b.size());
    double squares = 0;
    double samples = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        EXPECT_EQ(a[i].pixels.size(), b[i].pixels.size());
        for (std::size_t at = 0; at < std::min(a[i].pixels.size(), b[i].pixels.size()); ++at) {
            const double difference = a[i].pixels[at] - b[i].pixels[at];
            squares += difference * difference;
        }
        samples += static_cast<double>(a[i].pixels.size());
    }
    if (squares == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * samples / squares);
}

// Converts with the given threads and returns the file's bytes.
Bytes ConvertWithThreads(TPassSettings& context, int threads) {
    context.threadCount = threads;
    EXPECT_TRUE(Convert(context));
    const TSwfFile file = ReadSwf(context.destPath);
    ExpectWellFormed(file);
    return testing::ReadFileBytes(context.destPath);
}

TEST(EnginePipeline, MoviesAreTheSameWhateverTheThreadCount) {
    testing::TempFolder folder;
    struct TCase {
        const char* source;
        bool effects;  // brightness: the frames go through RGB
        bool region;
    };
    for (const TCase& c : {TCase{"clip.mp4", false, false}, TCase{"clip.avi", false, false},
                           TCase{"clip709.mp4", false, false}, TCase{"clip.mp4", true, false},
                           TCase{"clip.wmv", false, true},
                           TCase{"anim.gif", false, false}}) {
        SCOPED_TRACE(::testing::Message() << c.source << (c.effects ? " with effects" : "")
                                          << (c.region ? " cropped" : ""));
        Bytes one;
        for (const int threads : {1, 2, 4}) {
            TPassSettings context;
            ASSERT_TRUE(FillContext(Fixture(c.source), folder.File("threads.swf"), context));
            if (c.effects) {
                context.effects.destIsApplyEffects = true;
                context.effects.destIsBrightness = true;
                context.effects.destBrightnessR = context.effects.destBrightnessG = 20;
            }
            if (c.region) {
                context.destIsApplyRegion = true;
                context.destRegionX = 10, context.destRegionY = 20;
                context.destRegionWidth = 100, context.destRegionHeight = 50;
            }
            const Bytes bytes = ConvertWithThreads(context, threads);
            if (threads == 1) {
                one = bytes;
                EXPECT_GT(DecodeWithLibav(context.destPath).decoded, 5);
            } else {
                EXPECT_TRUE(bytes == one) << threads << " threads";
            }
        }
    }
}

TEST(EnginePipeline, PlanesAndRgbGiveTheSamePictures) {
    testing::TempFolder folder;
    // 4:4:4 H.264; 4:2:0 MPEG-4, MPEG-1, WMV2, H.263 and RealVideo; 4:2:0 and 4:4:4 H.264 of
    // the BT.709 matrix (converted to JPEG's BT.601 on the planes way); all in studio range.
    // At quality 100 the JPEG coding itself loses little, so what remains is the difference
    // between the two ways. The planes lose nothing but the JPEG coding (and, from BT.709,
    // the rounding of one conversion); the RGB way loses a little in its colour round trip
    // (the 176x144 clips come out 44 to 47 dB from their source that way, against 51 dB
    // from the planes, and its samples come out about 0.6 darker on average in 4:2:0),
    // which bounds how well the two agree: 44 to 46 dB in 4:2:0, 47 to 48 dB in 4:4:4.
    struct TCase {
        const char* source;
        double minimumPsnr;
    };
    for (const TCase& c : {TCase{"clip.mp4", 43}, TCase{"clip.avi", 43}, TCase{"clip.mpg", 43}, TCase{"clip.wmv", 43},
                           TCase{"clip.3gp", 43}, TCase{"clip.rm", 43}, TCase{"clip709.mp4", 44},
                           TCase{"clip709-444.mp4", 45}}) {
        SCOPED_TRACE(c.source);
        std::vector<TBitmap> pictures[2];
        Bytes bytes[2];
        for (const bool throughRgb : {false, true}) {
            TPassSettings context;
            ASSERT_TRUE(FillContext(Fixture(c.source), folder.File(throughRgb ? "rgb.swf" : "planes.swf"), context));
            // The effect chain switched on with no effect in it changes no pixel, but the
            // frames then take the RGB way.
            context.effects.destIsApplyEffects = throughRgb;
            context.destFrameQuality = 100;
            bytes[throughRgb] = ConvertWithThreads(context, 2);
            pictures[throughRgb] = DecodeWithLibav(context.destPath).pictures;
            ASSERT_GT(pictures[throughRgb].size(), 10u);
            pictures[throughRgb].erase(pictures[throughRgb].begin());  // the first-frame picture
        }
        EXPECT_FALSE(bytes[0] == bytes[1]) << "both movies took the same way";
        EXPECT_GT(Psnr(pictures[1], pictures[0]), c.minimumPsnr);
    }
}

// The JPEG bytes of the video frames (the first-frame picture left out), in file order.
std::vector<Bytes> FrameJpegs(const TSwfFile& file) {
    std::vector<Bytes> jpegs;
    for (const TSwfTag& tag : file.tags)
        if (tag.code == 21) jpegs.emplace_back(tag.body.begin() + 2, tag.body.end());  // after the character id
    if (!jpegs.empty()) jpegs.erase(jpegs.begin());
    return jpegs;
}

// What the frame stage's encoders make of these pictures: the first of each table group
// with tables of its own, the others with tables from its symbols.
std::vector<Bytes> EncodeAlone(const std::vector<TBitmap>& pictures, int quality) {
    TJpegEncoder encoder;
    encoder.SetQuality(quality);
    std::vector<Bytes> jpegs(pictures.size());
    constexpr std::size_t kGroup = TFrameEncoderPool::kFramesPerTableGroup;
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i % kGroup == 0)
            encoder.Encode(pictures[i], jpegs[i]);
        else
            encoder.Encode(pictures[i], jpegs[i], TablesCoveringEverySymbol(CountJpegSymbols(jpegs[i - i % kGroup])));
    }
    return jpegs;
}

// The region (x, y, width, height) of a picture as the frame stage crops it: black where it
// reaches out of the picture (the canvas before was black there too).
TBitmap Crop(const TBitmap& picture, int x, int y, int width, int height) {
    TBitmap crop(width, height);
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
            if (x + column < picture.width && y + row < picture.height)
                std::memcpy(crop.at(column, row), picture.at(x + column, y + row), 3);
    return crop;
}

// Video frames through RGB (a source of the SMPTE 240M matrix, which the planes way does
// not take), whole or cropped, go to the encoders without a copy while the reader fills
// other buffers: every frame is its own picture encoded alone, with any number of threads.
// The range runs past the last picture: those reads fail and repeat the last picture.
TEST(EnginePipeline, RgbFramesAreEachPictureEncodedAlone) {
    testing::TempFolder folder;
    const std::string source = Fixture("clip240m.mp4");
    TPassSettings probe;
    ASSERT_TRUE(FillContext(source, folder.File("probe.swf"), probe));
    const int lastPicture = probe.endIndex;
    const int endIndex = lastPicture + 4;
    std::vector<TBitmap> pictures;
    auto reader = MclReadOpen(source);
    TMclImage picture;
    int failed = 0;
    for (int i = probe.startIndex; i <= endIndex; ++i) {
        try {
            MclReadImage(*reader, i, picture);
        } catch (const EMediaError&) {
            EXPECT_GT(i, lastPicture);
            ++failed;
        }
        pictures.push_back(picture);
    }
    ASSERT_EQ(failed, endIndex - lastPicture);

    struct TCase {
        const char* name;
        bool slowReading;
        int region[4];  // x, y, width, height; no crop when the width is 0
    };
    for (const TCase& c : {TCase{"whole", false, {}}, TCase{"whole, read twice", true, {}},
                           TCase{"cropped inside", false, {10, 20, 100, 50}},
                           TCase{"cropped reaching out", false, {100, 80, 100, 60}}}) {
        SCOPED_TRACE(c.name);
        std::vector<TBitmap> framePictures = pictures;
        if (c.region[2] > 0)
            for (TBitmap& frame : framePictures) frame = Crop(frame, c.region[0], c.region[1], c.region[2], c.region[3]);
        const std::vector<Bytes> expected = EncodeAlone(framePictures, probe.destFrameQuality);
        Bytes one;
        for (const int threads : {1, 2, 4}) {
            SCOPED_TRACE(::testing::Message() << threads << " threads");
            TPassSettings context;
            ASSERT_TRUE(FillContext(source, folder.File("rgb.swf"), context));
            context.endIndex = endIndex;
            context.isSlowReading = c.slowReading;
            if (c.region[2] > 0) {
                context.destIsApplyRegion = true;
                context.destRegionX = c.region[0], context.destRegionY = c.region[1];
                context.destRegionWidth = c.region[2], context.destRegionHeight = c.region[3];
            }
            const Bytes bytes = ConvertWithThreads(context, threads);
            const std::vector<Bytes> jpegs = FrameJpegs(ReadSwf(context.destPath));
            ASSERT_EQ(jpegs.size(), expected.size());
            for (std::size_t i = 0; i < jpegs.size(); ++i) EXPECT_TRUE(jpegs[i] == expected[i]) << "frame " << i;
            if (threads == 1)
                one = bytes;
            else
                EXPECT_TRUE(bytes == one);
        }
    }
}

TEST(EnginePipeline, StopWithFramesInFlightStillWritesThemInOrder) {
    testing::TempFolder folder;
    const TDecodedMovie ramp = DecodeWithLibav(Fixture("ramp2997.avi"));
    for (const int threads : {1, 4}) {
        SCOPED_TRACE(::testing::Message() << threads << " threads");
        const std::string dest = folder.File("stopped.swf");
        TPassSettings context;
        ASSERT_TRUE(FillContext(Fixture("ramp2997.avi"), dest, context));
        context.threadCount = threads;
        TRecordingProgress progress;
        int framePumps = 0;
        progress.onPump = [&framePumps](TRecordingProgress& p) {
            if (p.Log().empty() || p.Log()[0] != "MakingFlash") return;
            if (++framePumps == 8) Converting = false;
        };
        ASSERT_TRUE(Convert(context, &progress));
        const TSwfFile file = ReadSwf(dest);
        ExpectWellFormed(file);
        EXPECT_EQ(file.header.FrameCount, 7);  // every frame read before the stop
        const TDecodedMovie movie = DecodeWithLibav(dest);
        ASSERT_EQ(movie.pictures.size(), 8u);  // the first-frame picture and seven frames
        for (int f = 0; f < 7; ++f)
            EXPECT_NEAR(MeanChannel(movie.pictures[f + 1], 1), MeanChannel(ramp.pictures[f], 1), 2.0) << f;
    }
}

// Picture i of the pool tests: its own width and samples; width 0 where it is to fail.
TBitmap PoolPicture(int i, int width) {
    TBitmap picture(width, 10);
    for (std::size_t at = 0; at < picture.pixels.size(); ++at) picture.pixels[at] = static_cast<std::uint8_t>(at * 7 + i);
    return picture;
}

// The first picture of a table group gets tables of its own, the others the tables made from
// its symbols; when it fails, they get tables of their own too.
std::vector<std::uint8_t> ExpectedJpeg(const TJpegEncoder& encoder, int i, const std::vector<int>& widths) {
    std::vector<std::uint8_t> jpeg;
    const int first = i - i % static_cast<int>(TFrameEncoderPool::kFramesPerTableGroup);
    if (i == first || widths[static_cast<std::size_t>(first)] == 0) {
        encoder.Encode(PoolPicture(i, widths[static_cast<std::size_t>(i)]), jpeg);
        return jpeg;
    }
    std::vector<std::uint8_t> firstJpeg;
    encoder.Encode(PoolPicture(first, widths[static_cast<std::size_t>(first)]), firstJpeg);
    encoder.Encode(PoolPicture(i, widths[static_cast<std::size_t>(i)]), jpeg,
                   TablesCoveringEverySymbol(CountJpegSymbols(firstJpeg)));
    return jpeg;
}

TEST(EngineEncoderPool, JpegBytesComeBackInOrderWithErrorsInTheirPlace) {
    TJpegEncoder encoder;
    encoder.SetQuality(80);
    const int count = static_cast<int>(TFrameEncoderPool::kFramesPerTableGroup) + 12;  // two groups
    for (const int workers : {0, 3}) {
        for (const int failing : {5, static_cast<int>(TFrameEncoderPool::kFramesPerTableGroup)}) {
            SCOPED_TRACE(::testing::Message() << workers << " workers, picture " << failing << " fails");
            TFrameEncoderPool pool(encoder, workers, 2);
            std::vector<int> widths;
            std::vector<std::vector<std::uint8_t>> taken;
            int errors = 0;
            auto take = [&](bool wait) {
                try {
                    auto jpeg = pool.TakeOldest(wait);
                    if (!jpeg) return false;
                    taken.push_back(std::move(*jpeg));
                } catch (const std::runtime_error&) {
                    ++errors;
                    taken.emplace_back();
                }
                return true;
            };
            for (int i = 0; i < count; ++i) {
                const int width = i == failing ? 0 : 8 + 3 * (i % 17);  // an empty picture: the encoder refuses it
                widths.push_back(width);
                while (pool.Full()) take(true);
                pool.Submit(PoolPicture(i, width));
                EXPECT_FALSE(pool.Empty());
            }
            while (take(true)) {
            }
            EXPECT_TRUE(pool.Empty());
            EXPECT_EQ(errors, 1);
            ASSERT_EQ(taken.size(), widths.size());
            for (int i = 0; i < count; ++i) {
                if (i == failing) {
                    EXPECT_TRUE(taken[static_cast<std::size_t>(i)].empty());
                    continue;
                }
                EXPECT_EQ(ProbeJpegSize(taken[static_cast<std::size_t>(i)]).Width, widths[static_cast<std::size_t>(i)]) << i;
                EXPECT_TRUE(ExpectedJpeg(encoder, i, widths) == taken[static_cast<std::size_t>(i)]) << i;
            }
        }
    }
    // Pictures still in flight when the pool goes are dropped without waiting for a taker.
    TFrameEncoderPool pool(encoder, 2, 4);
    for (int i = 0; i < 4; ++i) pool.Submit(TBitmap(64, 64));
}

// Bitmaps come back for the caller's next pictures once encoded (not before: a worker may
// still read them), and no more of them are kept than pictures may be in flight.
TEST(EngineEncoderPool, EncodedBitmapsBecomeSpareBuffersWithinTheWindow) {
    TJpegEncoder encoder;
    for (const int workers : {0, 2}) {
        SCOPED_TRACE(::testing::Message() << workers << " workers");
        TFrameEncoderPool pool(encoder, workers, 2);
        EXPECT_TRUE(pool.TakeSpareBitmap().pixels.empty());
        for (int i = 0; i < 6; ++i) {
            while (pool.Full()) pool.TakeOldest(true);
            pool.Submit(TBitmap(16 + i, 8));
        }
        while (pool.TakeOldest(true)) {
        }
        int spares = 0;
        for (TBitmap spare = pool.TakeSpareBitmap(); !spare.pixels.empty(); spare = pool.TakeSpareBitmap()) {
            ++spares;
            EXPECT_GE(spare.pixels.size(), std::size_t{16 * 8 * 3});
        }
        EXPECT_GE(spares, 1);
        EXPECT_LE(spares, 2);
    }
}

// A lent bitmap is read by its encoding and by the caller: its buffer becomes a spare only
// once both have let go, whichever goes last, and even when the pool has gone first.
TEST(EngineEncoderPool, LentBitmapsBecomeSpareWhenBothLetGo) {
    TJpegEncoder encoder;
    for (const int workers : {0, 2}) {
        SCOPED_TRACE(::testing::Message() << workers << " workers");
        TFrameEncoderPool pool(encoder, workers, 2);
        std::shared_ptr<const TBitmap> kept = pool.Lend(PoolPicture(1, 24));
        const std::uint8_t* buffer = kept->pixels.data();
        pool.Submit(kept);
        const auto jpeg = pool.TakeOldest(true);
        ASSERT_TRUE(jpeg.has_value());
        EXPECT_EQ(ProbeJpegSize(*jpeg).Width, 24);
        EXPECT_TRUE(kept->pixels == PoolPicture(1, 24).pixels);  // still the caller's picture
        EXPECT_TRUE(pool.TakeSpareBitmap().pixels.empty());
        kept.reset();
        const TBitmap spare = pool.TakeSpareBitmap();
        EXPECT_EQ(spare.pixels.data(), buffer);
    }
    std::shared_ptr<const TBitmap> outlives;
    {
        TFrameEncoderPool pool(encoder, 1, 2);
        outlives = pool.Lend(TBitmap(8, 8));
        pool.Submit(outlives);
    }
    outlives.reset();
}

}  // namespace
}  // namespace pellicor
