// A real JPEG in a DefineBitsJPEG2 tag, shown by a DefineShape2 rectangle filled with it,
// in a small movie that an independent decoder (libavformat's SWF demuxer) must read.

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "swf/bitmap_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/movie_stream.h"
#include "swf/shape_tags.h"
#include "swf/tag_factory.h"
#include "swf_test_support.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// A baseline JPEG of a picture whose left half is dark and right half bright.
Bytes EncodeJPEG() {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3 + c] = x < kWidth / 2 ? 20 : 230;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[static_cast<std::size_t>(cinfo.next_scanline) * kWidth * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes jpeg(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return jpeg;
}

struct TDecodedFrame {
    int Width = 0;
    int Height = 0;
    int DarkLuma = -1;    // luma in the left half
    int BrightLuma = -1;  // luma in the right half
};

// Opens the file with libavformat (format guessed, not forced), finds the MJPEG stream the
// SWF demuxer makes of DefineBitsJPEG2 and decodes its first frame.
TDecodedFrame DecodeFirstJPEGFrame(const std::string& fileName, std::string& formatName) {
    TDecodedFrame result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, fileName.c_str(), nullptr, nullptr) < 0) return result;
    formatName = format->iformat->name;
    AVPacket* packet = av_packet_alloc();
    AVFrame* picture = av_frame_alloc();
    AVCodecContext* codec = nullptr;
    while (av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        if (stream->codecpar->codec_id == AV_CODEC_ID_MJPEG) {
            const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
            codec = avcodec_alloc_context3(decoder);
            avcodec_parameters_to_context(codec, stream->codecpar);
            if (avcodec_open2(codec, decoder, nullptr) == 0 && avcodec_send_packet(codec, packet) == 0) {
                avcodec_send_packet(codec, nullptr);
                if (avcodec_receive_frame(codec, picture) == 0) {
                    result.Width = picture->width;
                    result.Height = picture->height;
                    const int row = picture->height / 2;
                    result.DarkLuma = picture->data[0][row * picture->linesize[0] + picture->width / 8];
                    result.BrightLuma = picture->data[0][row * picture->linesize[0] + picture->width * 7 / 8];
                }
            }
            av_packet_unref(packet);
            break;
        }
        av_packet_unref(packet);
    }
    avcodec_free_context(&codec);
    av_frame_free(&picture);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return result;
}

TEST(SWFBitmapMovie, JPEGFilledRectangleOpensInLibavformat) {
    const Bytes jpeg = EncodeJPEG();
    ASSERT_GT(jpeg.size(), 100u);

    TSWFSetBackgroundColor background;
    background.Color.SetRGB(0xFFFFFF);
    TSWFDefineBitsJPEG2 bitmap;
    bitmap.CharacterID = 1;
    bitmap.SetData(jpeg.data(), jpeg.size());

    // The rectangle covers the stage; the bitmap is scaled to fit, shifted by 5 twips.
    TSWFDefineShape2 shape;
    shape.ShapeID = 2;
    shape.ShapeBounds = TSWFRect(0, kWidth * 20, 0, kHeight * 20);
    TSWFMatrix fit;
    fit.SetScale(20.0 + 15.0 / 4096, 20.0 + 15.0 / 4096);
    fit.SetTranslate(-5, -5);
    shape.AddImageFill(bitmap.CharacterID, fit);
    auto& start = shape.AddStyleChange();
    start.SetMoveTo(0, 0);
    start.SetFillStyle1(1);
    shape.AddStraightEdge(kWidth * 20, 0);
    shape.AddStraightEdge(0, kHeight * 20);
    shape.AddStraightEdge(-kWidth * 20, 0);
    shape.AddStraightEdge(0, -kHeight * 20);
    shape.AddEndRecord();

    TSWFPlaceObject2 place;
    place.SetCharacterID(shape.ShapeID);
    place.Depth = 1;
    place.Matrix();
    TSWFShowFrame showFrame;

    // The movie is written the way the engine writes one: header, objects, End, patch.
    const std::string fileName = test_support::TestTempDir() + "pellicor_jpeg_rectangle.swf";
    {
        TBasedSWFStream movie(fileName, false, TRect{0, 0, kWidth * 20, kHeight * 20}, 12);
        movie.WriteHeader();
        const std::initializer_list<TBasedSWFObject*> objects = {&background, &bitmap, &shape, &place, &showFrame};
        for (TBasedSWFObject* object : objects) movie.WriteObject(*object);
        movie.WriteEndTag(&showFrame);
        movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), 12, 1);
    }
    TMemoryStream movie;
    movie.LoadFromFile(fileName);

    // Our own reading of the tag sequence finds the bitmap and the fill that refers to it.
    {
        TBitsEngine engine(movie);
        const TSWFHeader header = ReadSWFHeader(engine);
        EXPECT_EQ(header.FrameRect, shape.ShapeBounds);
        EXPECT_EQ(header.FileLength, movie.Size());
        bool sawBitmap = false, sawShape = false, sawEnd = false;
        while (!sawEnd) {
            auto tag = ReadSWFTag(engine);
            ASSERT_FALSE(dynamic_cast<TSWFErrorTag*>(tag.get())) << SWFTagName(tag->TagID());
            if (auto* read = dynamic_cast<TSWFDefineBitsJPEG2*>(tag.get())) {
                sawBitmap = true;
                EXPECT_EQ(Bytes(read->DataBytes().begin(), read->DataBytes().end()), jpeg);
            } else if (auto* readShape = dynamic_cast<TSWFDefineShape2*>(tag.get())) {
                sawShape = true;
                ASSERT_EQ(readShape->ImageFills().size(), 1u);
                EXPECT_EQ(readShape->ImageFills()[0]->BitmapID, 1);
                EXPECT_EQ(readShape->Records.size(), 6u);
            }
            sawEnd = tag->TagID() == tagEnd;
        }
        EXPECT_TRUE(sawBitmap && sawShape);
        EXPECT_EQ(engine.BytesLeft(), 0u);
    }

    // libavformat recognises the file as SWF and decodes the bitmap.
    std::string formatName;
    const TDecodedFrame frame = DecodeFirstJPEGFrame(fileName, formatName);
    std::remove(fileName.c_str());
    EXPECT_EQ(formatName, "swf");
    EXPECT_EQ(frame.Width, kWidth);
    EXPECT_EQ(frame.Height, kHeight);
    EXPECT_LT(frame.DarkLuma, 60);
    EXPECT_GT(frame.BrightLuma, 190);
}

}  // namespace
}  // namespace pellicor
