// A movie written the way the conversion engine writes one: the opening section with the
// header, frames the test writes straight into the file, the closing section with End, and
// the header patched in place. The finished file is read back tag by tag and opened by an
// independent decoder (libavformat).
//
// To add content, give the recipe more work in FirstFrame or Closing (for example image- or
// shape-filled rectangles) and check it in the returned tag list.

#include <gtest/gtest.h>


extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie_reader_test_support.h"
#include "movie_test_support.h"
#include "swf/bitmap_tags.h"
#include "swf/button_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/movie_stream.h"
#include "swf/shape_tags.h"
#include "swf/sprite_tags.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::TagCodes;
using test::TagList;

// A baseline JPEG of a grey picture.
Bytes EncodeGreyJPEG(int width, int height) { return test_support::EncodeJpeg(width, height, false); }

struct TSectionedMovieRecipe {
    int Width = 64;
    int Height = 48;
    double FrameRate = 12;
    int Version = 5;
    bool Compressed = false;
    // Content of the opening section (before marker -2); it closes its own frames.
    std::function<void(TFlashMovie&)> FirstFrame;
    // Content of the closing section (between markers -2 and -1); it closes its own frames.
    std::function<void(TFlashMovie&)> Closing;
    // Frames written straight into the file between the sections, each a DefineBitsJPEG2
    // and a ShowFrame.
    int StreamedFrames = 3;
};

struct TFinishedMovie {
    Bytes File;
    TSWFHeader Header;
    TagList Tags;
};

// Writes the movie as the engine does, then reads it back; every tag must parse.
TFinishedMovie WriteSectionedMovie(const std::string& fileName, const TSectionedMovieRecipe& recipe) {
    {
        TFlashMovie movie(fileName, 0, 0, recipe.Width * 20, recipe.Height * 20, recipe.FrameRate, false);
        movie.SetPixelCoordinates(true);
        movie.SetVersion(recipe.Version);
        movie.SetCompressed(recipe.Compressed);
        movie.BackgroundColor().SetRGB(0x336699);
        if (recipe.FirstFrame) recipe.FirstFrame(movie);
        movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerFirst));
        movie.WriteSection(0, kSectionMarkerFirst, true, false);

        if (recipe.Closing) recipe.Closing(movie);
        movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerLast));
        // Placements after the last marker belong to the caller and are never written.
        movie.PlaceObject(nullptr, 10).SetReplace(true);

        const Bytes jpeg = EncodeGreyJPEG(recipe.Width, recipe.Height);
        for (int frame = 0; frame < recipe.StreamedFrames; ++frame) {
            TSWFDefineBitsJPEG2 bitmap;
            bitmap.CharacterID = static_cast<std::uint16_t>(movie.NextCharacterId + frame);
            bitmap.SetData(jpeg.data(), jpeg.size());
            bitmap.WriteToStream(movie.Engine());
            TSWFShowFrame().WriteToStream(movie.Engine());
            movie.AddFramesWritten(1);
        }

        movie.WriteSection(kSectionMarkerFirst, kSectionMarkerLast, false, true);
        movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), recipe.FrameRate,
                          static_cast<std::uint16_t>(movie.FramesWritten()));
        dynamic_cast<TFileStream&>(movie.Stream()).Close();
    }
    TFinishedMovie finished;
    TMemoryStream file;
    file.LoadFromFile(fileName);
    finished.File = file.Bytes();
    TBitsEngine engine(file);
    finished.Header = ReadSWFHeader(engine);
    finished.Tags = test::ParseTags(finished.File, finished.Header.HeaderSize, finished.Header.Version);
    return finished;
}

int CountTags(const TagList& tags, std::uint16_t code) {
    return static_cast<int>(std::count_if(tags.begin(), tags.end(), [code](const auto& tag) { return tag->TagID() == code; }));
}

// Opens the file with libavformat (format probed) and counts the MJPEG packets its SWF
// demuxer finds; -1 when the file does not open as SWF.
int CountJPEGPackets(const std::string& fileName, int& width) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, fileName.c_str(), nullptr, nullptr) < 0) return -1;
    int packets = -1;
    if (std::string(format->iformat->name) == "swf") {
        packets = 0;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(format, packet) >= 0) {
            const AVStream* stream = format->streams[packet->stream_index];
            if (stream->codecpar->codec_id == AV_CODEC_ID_MJPEG) {
                if (packets == 0) {
                    // Decode the first one to be sure the bytes arrived whole.
                    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
                    AVCodecContext* codec = avcodec_alloc_context3(decoder);
                    AVFrame* picture = av_frame_alloc();
                    if (avcodec_open2(codec, decoder, nullptr) == 0 && avcodec_send_packet(codec, packet) == 0 &&
                        avcodec_send_packet(codec, nullptr) == 0 && avcodec_receive_frame(codec, picture) == 0)
                        width = picture->width;
                    av_frame_free(&picture);
                    avcodec_free_context(&codec);
                }
                ++packets;
            }
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    return packets;
}

TEST(FlashMovieSections, EngineStyleMovieIsWholeAndOpensInLibavformat) {
    TSectionedMovieRecipe recipe;
    recipe.Version = 5;
    recipe.Compressed = true;  // the flag alone: the file stays FWS, its version becomes 6
    std::uint16_t spriteId = 0;
    recipe.FirstFrame = [&](TFlashMovie& movie) {
        TFlashButton& link = movie.AddButton(false, true);
        link.AddRecord(nullptr, bsUp | bsHitTest, 1);
        link.ReleaseActions().GetUrl("http://example.org", "_blank");
        movie.PlaceObject(&link, 3);
        TFlashSprite& sprite = movie.AddCharacter(std::make_unique<TFlashSprite>(), movie.Sprites());
        spriteId = sprite.GetCharacterId();
        sprite.FrameLabel = "inner";
        sprite.ShowFrame(2);
        TFlashPlaceObject& place = movie.PlaceObject(&sprite, 30);
        place.SetTranslate(4, 2);
        place.AddClipEvent(ClipEventBit(ceLoad)).Stop();
        movie.FrameLabel = "start";
        movie.FrameActions().Stop();
        movie.ShowFrame();
    };
    recipe.Closing = [](TFlashMovie& movie) {
        movie.RemoveObject(3);
        movie.FrameActions().Play();
        movie.ShowFrame(2);
    };
    const std::string fileName = test_support::TestTempDir() + "pellicor_sectioned_movie.swf";
    TFinishedMovie movie = WriteSectionedMovie(fileName, recipe);

    EXPECT_EQ(movie.Header.FileLength, movie.File.size());
    EXPECT_EQ(movie.Header.Version, 6);
    EXPECT_EQ(movie.Header.FrameRate, 0x0C00);
    EXPECT_EQ(movie.Header.FrameRect, TSWFRect(0, 64 * 20, 0, 48 * 20));
    EXPECT_EQ(movie.Header.FrameCount, CountTags(movie.Tags, tagShowFrame));
    EXPECT_EQ(movie.Header.FrameCount, 1 + 3 + 2);
    EXPECT_EQ(TagCodes(movie.Tags),
              (std::vector<std::uint16_t>{tagSetBackgroundColor, tagDefineButton2, tagPlaceObject2, tagDefineSprite,
                                          tagPlaceObject2, tagFrameLabel, tagDoAction, tagShowFrame,
                                          tagDefineBitsJPEG2, tagShowFrame, tagDefineBitsJPEG2, tagShowFrame,
                                          tagDefineBitsJPEG2, tagShowFrame,  //
                                          tagRemoveObject2, tagDoAction, tagShowFrame, tagShowFrame, tagEnd}));
    // The sprite placement was written for version 6 and reads back with its clip action.
    auto& place = dynamic_cast<TSWFPlaceObject2&>(*movie.Tags[4]);
    EXPECT_EQ(place.CharacterID(), spriteId);
    EXPECT_EQ(place.Matrix().TranslateX, 80);
    ASSERT_NE(place.ClipActionsIfAny(), nullptr);
    EXPECT_EQ(place.ClipActionsIfAny()->Records.size(), 1u);

    int width = 0;
    EXPECT_EQ(CountJPEGPackets(fileName, width), 3);
    EXPECT_EQ(width, 64);
    std::remove(fileName.c_str());
}

// A 24-bit BMP file of a 2x2 picture, bottom-up rows padded to four bytes.
void WriteTinyBMP(const std::string& fileName) {
    Bytes file = {'B', 'M'};
    auto put32 = [&file](std::uint32_t value) {
        for (int i = 0; i < 4; ++i) file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    auto put16 = [&file](std::uint16_t value) {
        file.push_back(static_cast<std::uint8_t>(value));
        file.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    const std::uint32_t pixelBytes = 2 * 8;
    put32(54 + pixelBytes);
    put32(0);
    put32(54);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(pixelBytes);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int row = 0; row < 2; ++row) {
        const Bytes pixels = {0, 0, 255, 0, 255, 0, 0, 0};  // red, green (blue-green-red order), padding
        file.insert(file.end(), pixels.begin(), pixels.end());
    }
    std::FILE* out = std::fopen(fileName.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

// Everything a first section can hold, built through the movie's own operations only.
TEST(FlashMovieSections, FilledRectanglesButtonAndSpriteAroundStreamedFrames) {
    const std::string folder = test_support::TestTempDir();
    const std::string bmpName = folder + "pellicor_sections_picture.bmp";
    const std::string jpegName = folder + "pellicor_sections_picture.jpg";
    WriteTinyBMP(bmpName);
    {
        const Bytes jpeg = EncodeGreyJPEG(8, 6);
        std::FILE* out = std::fopen(jpegName.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::fwrite(jpeg.data(), 1, jpeg.size(), out);
        std::fclose(out);
    }

    TSectionedMovieRecipe recipe;
    recipe.FirstFrame = [&](TFlashMovie& movie) {
        TFlashImage& bmp = movie.AddImage(bmpName);
        TFlashShape& bmpRect = movie.AddRectangle(0, 0, 20, 20);
        bmpRect.SetImageFill(bmp, 1, 1, 1);
        movie.PlaceObject(&bmpRect, 1);

        TFlashImage& jpeg = movie.AddImage(jpegName);
        TFlashShape& jpegRect = movie.AddRectangle(20, 0, 40, 15);
        jpegRect.SetImageFill(jpeg, 1, 1, 1);
        movie.PlaceObject(&jpegRect, 2);

        TFlashShape& glass = movie.AddRectangle(0, 20, 64, 48);
        glass.SetSolidFill(0x80FF0000u);  // half-transparent blue
        movie.PlaceObject(&glass, 4);

        TFlashButton& button = movie.AddButton(false, true);
        button.AddRecord(&glass, bsUp, 1);
        button.AddRecord(&jpegRect, bsOver | bsDown, 1);
        button.AddRecord(&bmpRect, bsHitTest, 1);
        button.ReleaseActions().Play();
        movie.PlaceObject(&button, 5);

        TFlashSprite& sprite = movie.AddCharacter(std::make_unique<TFlashSprite>(), movie.Sprites());
        sprite.ShowFrame(3);
        movie.PlaceObject(&sprite, 6);

        movie.FrameLabel = "opening";
        movie.FrameActions().Stop();
        movie.ShowFrame();
    };
    recipe.Closing = [](TFlashMovie& movie) {
        movie.FrameLabel = "closing";
        movie.FrameActions().Play();
        movie.ShowFrame();
    };
    const std::string fileName = folder + "pellicor_sections_full.swf";
    TFinishedMovie movie = WriteSectionedMovie(fileName, recipe);

    EXPECT_EQ(movie.Header.FileLength, movie.File.size());
    EXPECT_EQ(movie.Header.FrameCount, CountTags(movie.Tags, tagShowFrame));
    EXPECT_EQ(movie.Header.FrameCount, 1 + 3 + 1);
    EXPECT_EQ(movie.Header.Version, 5);  // the alpha shape needs 3, the rest no more than 5
    EXPECT_EQ(TagCodes(movie.Tags),
              (std::vector<std::uint16_t>{tagSetBackgroundColor, tagDefineBitsLossless, tagDefineShape2,
                                          tagPlaceObject2, tagDefineBitsJPEG2, tagDefineShape2, tagPlaceObject2,
                                          tagDefineShape3, tagPlaceObject2, tagDefineButton2, tagPlaceObject2,
                                          tagDefineSprite, tagPlaceObject2, tagFrameLabel, tagDoAction,
                                          tagShowFrame,  //
                                          tagDefineBitsJPEG2, tagShowFrame, tagDefineBitsJPEG2, tagShowFrame,
                                          tagDefineBitsJPEG2, tagShowFrame,  //
                                          tagFrameLabel, tagDoAction, tagShowFrame, tagEnd}));
    // The JPEG file went in as it was.
    const Bytes jpegFile = EncodeGreyJPEG(8, 6);
    const auto& embedded = dynamic_cast<TSWFDefineBitsJPEG2&>(*movie.Tags[4]);
    EXPECT_EQ(Bytes(embedded.DataBytes().begin(), embedded.DataBytes().end()), jpegFile);
    const auto& sprite = dynamic_cast<TSWFDefineSprite&>(*movie.Tags[11]);
    EXPECT_EQ(sprite.FrameCount, 3);

    int width = 0;
    EXPECT_EQ(CountJPEGPackets(fileName, width), 4);  // the embedded picture and three frames
    std::remove(fileName.c_str());
    std::remove(bmpName.c_str());
    std::remove(jpegName.c_str());
}

TEST(FlashMovieSections, PlainMovieKeepsItsVersionAndCountsOnlyShowFrames) {
    TSectionedMovieRecipe recipe;
    recipe.Version = 5;
    recipe.StreamedFrames = 5;
    recipe.FirstFrame = [](TFlashMovie& movie) { movie.ShowFrame(0); };
    const std::string fileName = test_support::TestTempDir() + "pellicor_sectioned_plain.swf";
    TFinishedMovie movie = WriteSectionedMovie(fileName, recipe);
    EXPECT_EQ(movie.Header.Version, 5);
    EXPECT_EQ(movie.Header.FileLength, movie.File.size());
    EXPECT_EQ(movie.Header.FrameCount, 6);
    EXPECT_EQ(CountTags(movie.Tags, tagShowFrame), 6);
    EXPECT_EQ(TagCodes(movie.Tags).back(), tagEnd);
    EXPECT_EQ(CountTags(movie.Tags, tagEnd), 1);
    int width = 0;
    EXPECT_EQ(CountJPEGPackets(fileName, width), 5);
    std::remove(fileName.c_str());
}

}  // namespace
}  // namespace pellicor
