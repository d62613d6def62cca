// Image objects: JPEG files embedded as they are, JPEG bytes from memory, alpha planes,
// BMP files of every depth and compression turned into lossless data (checked pixel by
// pixel against FFmpeg's BMP decoder), the choice of tag, errors, and a movie with a
// filled image rectangle that libavformat opens.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "movie/flash_image.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/jpeg_probe.h"
#include "movie_reader_test_support.h"
#include "movie_test_support.h"
#include "swf/bitmap_tags.h"
#include "swf/control_tags.h"
#include "swf/tag_factory.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;
using test_support::BmpFile;
using test_support::EncodeJpeg;
using test_support::Grid;
using test_support::PackRows;
using test_support::WriteTempFile;

// Writes the object and parses the one tag it wrote.
std::unique_ptr<TSWFObject> WriteAndRead(TBasedSWFObject& object, Bytes* written = nullptr) {
    const Bytes bytes = test::ObjectBytes(object);
    if (written) *written = bytes;
    TMemoryStream stream(bytes);
    TBitsEngine engine(stream);
    std::unique_ptr<TSWFObject> tag = ReadSWFTag(engine);
    EXPECT_EQ(engine.BytesLeft(), 0u);
    EXPECT_EQ(dynamic_cast<TSWFErrorTag*>(tag.get()), nullptr) << "the written tag does not parse";
    return tag;
}

template <class T>
std::unique_ptr<T> WriteAndReadAs(TBasedSWFObject& object) {
    std::unique_ptr<TSWFObject> tag = WriteAndRead(object);
    if (!tag || typeid(*tag) != typeid(T)) {
        ADD_FAILURE() << "wrote " << (tag ? SWFTagName(tag->TagID()) : std::string("nothing"));
        return nullptr;
    }
    return std::unique_ptr<T>(static_cast<T*>(tag.release()));
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// ---- JPEG ----

TEST(FlashImage, JpegFilesAreEmbeddedAsTheyAre) {
    const Bytes baseline = EncodeJpeg(40, 30, false);
    const std::string path = WriteTempFile("pellicor_image_baseline.Jpeg", baseline);
    TFlashImage image(nullptr, path);
    EXPECT_TRUE(image.IsJpeg());
    EXPECT_EQ(image.DataKind(), TImageDataKind::JpegFile);
    EXPECT_EQ(image.Width(), 40);
    EXPECT_EQ(image.Height(), 30);
    EXPECT_EQ(image.MinVersion(), 2);
    image.SetCharacterId(1);
    Bytes written;
    auto tag = WriteAndRead(image, &written);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->TagID(), tagDefineBitsJPEG2);
    // Long header (the body is over 62 bytes), then 01 00 and the file: one JPEG stream.
    EXPECT_EQ(Bytes(written.begin() + 6, written.end()), Concat({{0x01, 0x00}, baseline}));
    // The file stays open and is read again for every writing.
    EXPECT_EQ(test::ObjectBytes(image), written);

    // Progressive: no size from the probe, embedded unchanged.
    const Bytes progressive = EncodeJpeg(40, 30, true);
    const std::string progressivePath = WriteTempFile("pellicor_image_progressive.jpg", progressive);
    image.LoadFromFile(progressivePath);
    EXPECT_EQ(image.DataKind(), TImageDataKind::JpegFile);
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    auto jpeg = WriteAndReadAs<TSWFDefineBitsJPEG2>(image);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(Bytes(jpeg->DataBytes().begin(), jpeg->DataBytes().end()), progressive);

    // Not a JPEG at all: size 0 x 0, still embedded, inside the start and end markers it lacks.
    const Bytes junk = {'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'};
    const std::string junkPath = WriteTempFile("pellicor_image_junk.jpg", junk);
    image.LoadFromFile(junkPath);
    EXPECT_EQ(image.Width(), 0);
    jpeg = WriteAndReadAs<TSWFDefineBitsJPEG2>(image);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(Bytes(jpeg->DataBytes().begin(), jpeg->DataBytes().end()), Concat({{0xFF, 0xD8}, junk, {0xFF, 0xD9}}));

    // With the convert-progressive flag a progressive file becomes baseline JPEG in memory.
    TFlashImage converted;
    converted.ConvertProgressive = true;
    converted.LoadFromFile(progressivePath);
    EXPECT_EQ(converted.DataKind(), TImageDataKind::JpegMemory);
    EXPECT_EQ(converted.Width(), 40);
    EXPECT_EQ(converted.Height(), 30);
    EXPECT_EQ(ProbeJpegSize(converted.DataBytes()), (TJpegSize{40, 30}));
    // ... and a baseline file is embedded as it is.
    converted.LoadFromFile(path);
    EXPECT_EQ(converted.DataKind(), TImageDataKind::JpegFile);
    // Data the decoder cannot read is embedded as it is; a cut progressive file is decoded
    // as far as it goes.
    converted.LoadFromFile(junkPath);
    EXPECT_EQ(converted.DataKind(), TImageDataKind::JpegFile);
    EXPECT_EQ(converted.Width(), 0);
    const std::string cutPath =
        WriteTempFile("pellicor_image_cut.jpg", Bytes(progressive.begin(), progressive.begin() + progressive.size() / 2));
    converted.LoadFromFile(cutPath);
    EXPECT_EQ(converted.Width(), 40);
    EXPECT_FALSE(test::ObjectBytes(converted).empty());
    std::remove(junkPath.c_str());
    std::remove(cutPath.c_str());

    std::remove(path.c_str());
    std::remove(progressivePath.c_str());
}

TEST(FlashImage, UnsupportedAndMissingFiles) {
    TFlashImage image;
    image.LoadFromMemory(Bytes{0xFF, 0xD8, 0xFF, 0xD9}, true, 2, 2);
    try {
        image.LoadFromFile("picture.png");
        ADD_FAILURE() << "a PNG file was accepted";
    } catch (const EImageError& error) {
        EXPECT_STREQ(error.what(), "Image format \"PNG\" not supported!");
    }
    EXPECT_THROW(image.LoadFromFile("noextension"), EImageError);
    // Nothing was loaded: the earlier picture is still there.
    EXPECT_EQ(image.DataKind(), TImageDataKind::JpegMemory);
    EXPECT_EQ(image.Width(), 2);

    EXPECT_THROW(image.LoadFromFile(test_support::TestTempDir() + "pellicor_no_such_file.jpg"), EStreamError);
    EXPECT_THROW(image.LoadFromFile(test_support::TestTempDir() + "pellicor_no_such_file.bmp"), EImageError);

    // A lossless image with nothing to write is an error, not a broken tag.
    TFlashImage empty;
    EXPECT_EQ(empty.DataKind(), TImageDataKind::None);
    EXPECT_THROW(test::ObjectBytes(empty), EImageError);

    // The movie adds no character when loading fails.
    TFlashMovie movie(0, 0, 100, 100, 12, true);
    EXPECT_THROW(movie.AddImage("frame.gif"), EImageError);
    EXPECT_TRUE(movie.Objects.empty());
    EXPECT_EQ(movie.NextCharacterId, 1);
    EXPECT_TRUE(movie.Images().empty());
}

TEST(FlashImage, JpegBytesFromMemoryAndAlphaPlanes) {
    const Bytes jpeg = EncodeJpeg(8, 4, false);
    TMemoryStream source(jpeg);
    source.Seek(5);  // the whole stream is taken, whatever its position
    TFlashImage copied;
    copied.LoadFromStream(source, true, 8, 4);
    copied.SetCharacterId(3);
    source.Clear();  // a copy: the source may change
    TFlashImage borrowed;
    borrowed.LoadFromMemory(jpeg, true, 8, 4);
    borrowed.SetCharacterId(3);
    const Bytes expected = test::ObjectBytes(copied);
    EXPECT_EQ(test::ObjectBytes(borrowed), expected);
    auto plain = WriteAndReadAs<TSWFDefineBitsJPEG2>(copied);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->CharacterID, 3);
    EXPECT_EQ(Bytes(plain->DataBytes().begin(), plain->DataBytes().end()), jpeg);
    EXPECT_EQ(borrowed.DataBytes().data(), jpeg.data());  // no copy was made

    // An alpha plane makes it DefineBitsJPEG3: the offset is the JPEG stream's length.
    const Bytes alpha = {0, 64, 128, 255, 255, 255, 255, 255, 1, 2, 3, 4, 5, 6, 7, 8,
                         9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0};
    copied.AlphaData().Write(alpha);
    EXPECT_EQ(copied.MinVersion(), 3);
    Bytes written;
    auto tag = WriteAndRead(copied, &written);
    ASSERT_NE(tag, nullptr);
    auto* withAlpha = dynamic_cast<TSWFDefineBitsJPEG3*>(tag.get());
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(Bytes(withAlpha->DataBytes().begin(), withAlpha->DataBytes().end()), jpeg);
    EXPECT_EQ(withAlpha->AlphaPlane(alpha.size()), alpha);
    const std::uint32_t offset = written[8] | written[9] << 8 | written[10] << 16 | written[11] << 24;
    EXPECT_EQ(offset, jpeg.size());

    // Loading new data drops the old plane; lossless images have none.
    copied.LoadFromMemory(jpeg, true, 8, 4);
    EXPECT_EQ(WriteAndRead(copied)->TagID(), tagDefineBitsJPEG2);
    TFlashImage lossless;
    lossless.LoadFromMemory(Bytes{1, 2, 3}, false, 1, 1, 5);
    EXPECT_THROW(lossless.AlphaData(), EImageError);
}

// ---- BMP files ----

std::unique_ptr<TSWFDefineBitsLossless> LosslessFromFile(const BmpFile& bmp, const std::string& name,
                                                         TFlashImage& image) {
    const std::string path = WriteTempFile(name, bmp.Build());
    image.LoadFromFile(path);
    std::remove(path.c_str());
    image.SetCharacterId(1);
    std::unique_ptr<TSWFObject> tag = WriteAndRead(image);
    auto* lossless = dynamic_cast<TSWFDefineBitsLossless*>(tag.get());
    if (!lossless) return nullptr;
    tag.release();
    return std::unique_ptr<TSWFDefineBitsLossless>(lossless);
}

TEST(FlashImage, BMPLayoutsOfTheLosslessTags) {
    TFlashImage image;
    // 24 bits, width 3: rows of three 0 R G B pixels, no padding, top row first.
    auto tag = LosslessFromFile(
        {.width = 3, .height = 2, .bits = 24, .data = PackRows(24, {{0xFF0000, 0x00FF00, 0x0000FF}, {0x010203, 0, 0xFFFFFF}})},
        "pellicor_image_24.bmp", image);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->TagID(), tagDefineBitsLossless);
    EXPECT_EQ(image.DataKind(), TImageDataKind::Lossless);
    EXPECT_EQ(image.MinVersion(), 2);
    EXPECT_EQ(tag->BitmapFormat, 5);
    EXPECT_EQ(tag->BitmapWidth, 3);
    EXPECT_EQ(tag->BitmapHeight, 2);
    EXPECT_EQ(tag->PixelData(), (Bytes{0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 1, 2, 3, 0, 0, 0, 0, 0, 255, 255, 255}));

    // 8 bits using palette entries 7 and 200 only: a table of two (size field 1), indices 0, 1.
    std::vector<std::uint32_t> palette(256, 0);
    palette[7] = 0x00102030;
    palette[200] = 0x00A0B0C0;
    tag = LosslessFromFile({.width = 2, .height = 1, .bits = 8, .palette = palette, .data = PackRows(8, {{200, 7}})},
                           "pellicor_image_8.bmp", image);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->BitmapFormat, 3);
    EXPECT_EQ(tag->BitmapColorTableSize, 1);
    EXPECT_EQ(image.ColourCount(), 2u);
    EXPECT_EQ(tag->PixelData(), (Bytes{0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0, 1, 0, 0, 0}));

    // 4 bits, width 5: rows of 5 index bytes and 3 zero bytes.
    tag = LosslessFromFile({.width = 5, .height = 2, .bits = 4, .palette = std::vector<std::uint32_t>(16, 0x00FFFFFF),
                            .data = PackRows(4, {{0, 1, 2, 3, 4}, {15, 14, 13, 12, 11}})},
                           "pellicor_image_4.bmp", image);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(image.RowWidth(), 8u);
    const Bytes pixels = tag->PixelData();
    ASSERT_EQ(pixels.size(), 10u * 3 + 16);
    EXPECT_EQ(Bytes(pixels.begin() + 30, pixels.end()), (Bytes{0, 1, 2, 3, 4, 0, 0, 0, 9, 8, 7, 6, 5, 0, 0, 0}));

    // 32 bits: DefineBitsLossless2 with A R G B; a transparent pixel is four zero bytes.
    tag = LosslessFromFile({.width = 2, .height = 1, .bits = 32, .data = PackRows(32, {{0x80FF8040, 0x00123456}})},
                           "pellicor_image_32.bmp", image);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->TagID(), tagDefineBitsLossless2);
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.MinVersion(), 3);
    EXPECT_EQ(tag->BitmapFormat, 5);
    EXPECT_EQ(tag->PixelData(), (Bytes{0x80, 0xFF, 0x80, 0x40, 0, 0, 0, 0}));

    // The data is produced once and kept.
    const std::span<const std::uint8_t> data = image.DataBytes();
    EXPECT_FALSE(data.empty());
    test::ObjectBytes(image);
    EXPECT_EQ(image.DataBytes().data(), data.data());
}

// -- independent reference: FFmpeg's BMP encoder and decoder --

struct TPixel {
    int R = 0, G = 0, B = 0, A = 255;
    bool operator==(const TPixel&) const = default;
};
struct TPicture {
    int Width = 0, Height = 0;
    bool FiveBit = false;  // channels are 5-bit values (16-bit pictures)
    std::vector<TPixel> Pixels;
};

std::string PixelText(const TPixel& p) {
    return std::to_string(p.R) + "," + std::to_string(p.G) + "," + std::to_string(p.B) + "," + std::to_string(p.A);
}

// A BMP file from FFmpeg's encoder for the pixel format; fill draws into the frame.
Bytes FfmpegBmp(AVPixelFormat format, int width, int height, const std::function<void(AVFrame&)>& fill) {
    Bytes out;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_BMP);
    if (!codec) return out;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = width;
    context->height = height;
    context->pix_fmt = format;
    context->time_base = {1, 25};
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (avcodec_open2(context, codec, nullptr) == 0 && av_frame_get_buffer(frame, 0) == 0) {
        fill(*frame);
        if (avcodec_send_frame(context, frame) == 0 && avcodec_receive_packet(context, packet) == 0)
            out.assign(packet->data, packet->data + packet->size);
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return out;
}

// The file decoded by FFmpeg's BMP decoder.
TPicture FfmpegDecode(const Bytes& file) {
    TPicture picture;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_BMP);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avcodec_open2(context, codec, nullptr) == 0 && av_new_packet(packet, static_cast<int>(file.size())) == 0) {
        std::memcpy(packet->data, file.data(), file.size());
        if (avcodec_send_packet(context, packet) == 0 && avcodec_receive_frame(context, frame) == 0) {
            picture.Width = frame->width;
            picture.Height = frame->height;
            const auto format = static_cast<AVPixelFormat>(frame->format);
            picture.FiveBit = format == AV_PIX_FMT_RGB555LE || format == AV_PIX_FMT_RGB565LE;
            for (int y = 0; y < frame->height; ++y) {
                const std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
                for (int x = 0; x < frame->width; ++x) {
                    TPixel p;
                    const std::uint16_t word = static_cast<std::uint16_t>(row[x * 2] | row[x * 2 + 1] << 8);
                    switch (format) {
                        case AV_PIX_FMT_PAL8: {
                            std::uint32_t c;
                            std::memcpy(&c, frame->data[1] + row[x] * 4, 4);
                            p = {static_cast<int>(c >> 16 & 255), static_cast<int>(c >> 8 & 255), static_cast<int>(c & 255)};
                            break;
                        }
                        case AV_PIX_FMT_MONOBLACK:
                        case AV_PIX_FMT_MONOWHITE: {
                            const bool bit = row[x / 8] >> (7 - x % 8) & 1;
                            const int v = (bit == (format == AV_PIX_FMT_MONOBLACK)) ? 255 : 0;
                            p = {v, v, v};
                            break;
                        }
                        case AV_PIX_FMT_RGB555LE: p = {word >> 10 & 31, word >> 5 & 31, word & 31}; break;
                        case AV_PIX_FMT_RGB565LE: p = {word >> 11 & 31, (word >> 5 & 63) >> 1, word & 31}; break;
                        case AV_PIX_FMT_BGR24: p = {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]}; break;
                        case AV_PIX_FMT_BGRA: p = {row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]}; break;
                        case AV_PIX_FMT_BGR0: p = {row[x * 4 + 2], row[x * 4 + 1], row[x * 4]}; break;
                        default:
                            ADD_FAILURE() << "FFmpeg decoded to " << av_get_pix_fmt_name(format);
                            y = frame->height;
                            x = frame->width;
                    }
                    picture.Pixels.push_back(p);
                }
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    return picture;
}

// The pixels of a lossless tag as our writer produced them.
TPicture TagPicture(const TSWFDefineBitsLossless& tag) {
    TPicture picture{tag.BitmapWidth, tag.BitmapHeight, tag.BitmapFormat == 4, {}};
    const Bytes data = tag.PixelData();
    const int w = tag.BitmapWidth, h = tag.BitmapHeight;
    const bool alpha = tag.WithAlpha();
    const std::size_t tableSize = tag.BitmapFormat == 3 ? (tag.BitmapColorTableSize + 1u) * (alpha ? 4 : 3) : 0;
    const std::size_t rowSize = LosslessRowSize(tag.BitmapFormat, tag.BitmapWidth);
    EXPECT_EQ(data.size(), tableSize + rowSize * h);
    if (data.size() != tableSize + rowSize * h) return picture;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = data.data() + tableSize + rowSize * y;
        for (int x = 0; x < w; ++x) {
            TPixel p;
            if (tag.BitmapFormat == 3) {
                const std::uint8_t* entry = data.data() + std::size_t{row[x]} * (alpha ? 4 : 3);
                EXPECT_LT(row[x], tag.BitmapColorTableSize + 1);
                p = {entry[0], entry[1], entry[2], alpha ? entry[3] : 255};
            } else if (tag.BitmapFormat == 4) {
                const int v = row[x * 2] << 8 | row[x * 2 + 1];
                p = {v >> 10 & 31, v >> 5 & 31, v & 31};
            } else {
                p = {row[x * 4 + 1], row[x * 4 + 2], row[x * 4 + 3], alpha ? row[x * 4] : 255};
                if (!alpha) {
                    EXPECT_EQ(row[x * 4], 0);
                }
            }
            picture.Pixels.push_back(p);
        }
    }
    return picture;
}

// Run-length encodings as Windows writes them: runs (repeated or, for 4 bits, two
// alternating nibbles), literal stretches of three or more pixels padded to 16 bits, an
// end-of-line escape per row and the end-of-bitmap escape.
Bytes EncodeRLE(const Grid& grid, int bits) {
    Bytes out;
    for (auto rowIt = grid.rbegin(); rowIt != grid.rend(); ++rowIt) {
        const std::vector<std::uint32_t>& row = *rowIt;
        const int w = static_cast<int>(row.size());
        int x = 0;
        while (x < w) {
            // A run of one value, or for 4 bits of two alternating values.
            int run = 1;
            const bool alternate = bits == 4 && x + 1 < w;
            while (x + run < w && run < 255 &&
                   row[x + run] == (alternate && run % 2 ? row[x + 1] : row[x]) &&
                   (alternate || row[x + run] == row[x]))
                ++run;
            if (run >= 3 || (run == 2 && bits == 8)) {
                const std::uint32_t second = alternate ? row[x + 1] : row[x];
                out.insert(out.end(), {std::uint8_t(run), std::uint8_t(bits == 4 ? row[x] << 4 | second : row[x])});
                x += run;
                continue;
            }
            int literal = 1;
            while (x + literal < w && literal < 255 && !(x + literal + 1 < w && row[x + literal] == row[x + literal + 1]))
                ++literal;
            if (literal < 3) {
                for (int k = 0; k < literal; ++k) {
                    out.insert(out.end(), {1, std::uint8_t(bits == 4 ? row[x + k] << 4 : row[x + k])});
                }
            } else {
                out.insert(out.end(), {0, std::uint8_t(literal)});
                Bytes packed;
                for (int k = 0; k < literal; ++k) {
                    if (bits == 8) packed.push_back(std::uint8_t(row[x + k]));
                    else if (k % 2 == 0) packed.push_back(std::uint8_t(row[x + k] << 4));
                    else packed.back() |= std::uint8_t(row[x + k]);
                }
                if (packed.size() % 2) packed.push_back(0);
                out.insert(out.end(), packed.begin(), packed.end());
            }
            x += literal;
        }
        // End of line, or of the bitmap after the last row.
        out.insert(out.end(), {0, std::uint8_t(rowIt + 1 == grid.rend() ? 1 : 0)});
    }
    return out;
}

// Palette indices with runs, alternations and single pixels, below count.
Grid IndexGrid(int width, int height, int count) {
    Grid grid(height, std::vector<std::uint32_t>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grid[y][x] = static_cast<std::uint32_t>(x < 5 ? y % count : x < 11 ? (x % 2 ? 3 : 9) % count : (x * 7 + y * 3) % count);
    return grid;
}

std::vector<std::uint32_t> Palette(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(static_cast<std::uint32_t>((i * 37 & 255) << 16 | ((255 - i * 11) & 255) << 8 | (i * 73 & 255)));
    return palette;
}

TEST(FlashImage, BMPFilesOfEveryDepthMatchFfmpegsDecoder) {
    constexpr int kWidth = 21, kHeight = 7;
    const auto value = [](int x, int y, int k) { return (x * 29 + y * 53 + k * 97 + x * y * 7) & 255; };
    struct Case {
        std::string Name;
        Bytes File;
        std::uint16_t Tag;
        std::uint8_t Format;
    };
    std::vector<Case> cases;

    // FFmpeg's encoder: 1, 8, 16 (5-5-5 and 5-6-5 bit fields), 24 and 32 bits.
    cases.push_back({"monob", FfmpegBmp(AV_PIX_FMT_MONOBLACK, kWidth, kHeight, [&](AVFrame& f) {
                         for (int y = 0; y < kHeight; ++y) {
                             std::memset(f.data[0] + y * f.linesize[0], 0, f.linesize[0]);
                             for (int x = 0; x < kWidth; ++x)
                                 if (value(x, y, 0) & 1) f.data[0][y * f.linesize[0] + x / 8] |= std::uint8_t(0x80 >> x % 8);
                         }
                     }),
                     tagDefineBitsLossless, 3});
    cases.push_back({"pal8", FfmpegBmp(AV_PIX_FMT_PAL8, kWidth, kHeight, [&](AVFrame& f) {
                         auto* palette = reinterpret_cast<std::uint32_t*>(f.data[1]);
                         for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010307 & 0xFFFFFF);
                         for (int y = 0; y < kHeight; ++y)
                             for (int x = 0; x < kWidth; ++x) f.data[0][y * f.linesize[0] + x] = std::uint8_t(value(x, y, 1) % 40 + 100);
                     }),
                     tagDefineBitsLossless, 3});
    for (AVPixelFormat format : {AV_PIX_FMT_RGB555LE, AV_PIX_FMT_RGB565LE}) {
        cases.push_back({av_get_pix_fmt_name(format), FfmpegBmp(format, kWidth, kHeight, [&](AVFrame& f) {
                             for (int y = 0; y < kHeight; ++y)
                                 for (int x = 0; x < kWidth; ++x) {
                                     const int v = value(x, y, 2) << 8 | value(x, y, 3);
                                     f.data[0][y * f.linesize[0] + x * 2] = std::uint8_t(v);
                                     f.data[0][y * f.linesize[0] + x * 2 + 1] = std::uint8_t(v >> 8 & 0x7F);
                                 }
                         }),
                         tagDefineBitsLossless, 4});
    }
    cases.push_back({"bgr24", FfmpegBmp(AV_PIX_FMT_BGR24, kWidth, kHeight, [&](AVFrame& f) {
                         for (int y = 0; y < kHeight; ++y)
                             for (int x = 0; x < kWidth * 3; ++x) f.data[0][y * f.linesize[0] + x] = std::uint8_t(value(x, y, 4));
                     }),
                     tagDefineBitsLossless, 5});
    cases.push_back({"bgra", FfmpegBmp(AV_PIX_FMT_BGRA, kWidth, kHeight, [&](AVFrame& f) {
                         for (int y = 0; y < kHeight; ++y)
                             for (int x = 0; x < kWidth * 4; ++x) {
                                 // Every fifth pixel fully transparent, the others of varied alpha.
                                 const bool alpha = x % 4 == 3;
                                 const int pixel = x / 4;
                                 f.data[0][y * f.linesize[0] + x] =
                                     std::uint8_t(alpha ? ((pixel + y) % 5 == 0 ? 0 : value(pixel, y, 5) | 1) : value(x, y, 6));
                             }
                     }),
                     tagDefineBitsLossless2, 5});

    // Our own writer: 4 bits plain, RLE4 and RLE8.
    const Grid sixteen = IndexGrid(kWidth, kHeight, 16);
    cases.push_back({"4 bits", BmpFile{.width = kWidth, .height = kHeight, .bits = 4, .palette = Palette(16),
                                       .data = PackRows(4, sixteen)}.Build(),
                     tagDefineBitsLossless, 3});
    cases.push_back({"RLE4", BmpFile{.width = kWidth, .height = kHeight, .bits = 4, .compression = 2,
                                     .palette = Palette(16), .data = EncodeRLE(sixteen, 4)}.Build(),
                     tagDefineBitsLossless, 3});
    cases.push_back({"RLE8", BmpFile{.width = kWidth, .height = kHeight, .bits = 8, .compression = 1,
                                     .palette = Palette(256), .data = EncodeRLE(IndexGrid(kWidth, kHeight, 200), 8)}.Build(),
                     tagDefineBitsLossless, 3});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_GT(c.File.size(), 54u) << "no file";
        const TPicture reference = FfmpegDecode(c.File);
        ASSERT_EQ(reference.Width, kWidth);
        ASSERT_EQ(reference.Height, kHeight);
        if (c.Tag == tagDefineBitsLossless2) {
            // The reference keeps alpha: transparent and partly transparent pixels.
            const auto count = [&](auto test) { return std::count_if(reference.Pixels.begin(), reference.Pixels.end(), test); };
            EXPECT_GT(count([](const TPixel& p) { return p.A == 0; }), 10);
            EXPECT_GT(count([](const TPixel& p) { return p.A > 0 && p.A < 255; }), 10);
        }

        const std::string path = WriteTempFile("pellicor_image_depth.bmp", c.File);
        TFlashImage image(nullptr, path);
        std::remove(path.c_str());
        image.SetCharacterId(4);
        auto tag = WriteAndRead(image);
        auto* lossless = dynamic_cast<TSWFDefineBitsLossless*>(tag.get());
        ASSERT_NE(lossless, nullptr);
        EXPECT_EQ(lossless->TagID(), c.Tag);
        EXPECT_EQ(lossless->BitmapFormat, c.Format);
        EXPECT_EQ(lossless->CharacterID, 4);
        const TPicture ours = TagPicture(*lossless);
        ASSERT_EQ(ours.Pixels.size(), reference.Pixels.size());
        EXPECT_EQ(ours.FiveBit, reference.FiveBit);
        int mismatches = 0;
        for (std::size_t i = 0; i < ours.Pixels.size() && mismatches < 5; ++i) {
            TPixel expected = reference.Pixels[i];
            if (c.Tag == tagDefineBitsLossless) expected.A = 255;
            if (expected.A == 0) expected = {0, 0, 0, 0};
            if (!(ours.Pixels[i] == expected)) {
                ++mismatches;
                ADD_FAILURE() << "pixel " << i % kWidth << "," << i / kWidth << ": ours " << PixelText(ours.Pixels[i])
                              << ", FFmpeg " << PixelText(expected);
            }
        }
    }
}

// ---- copies and the movie ----

TEST(FlashImage, AssignCopiesTheData) {
    const Bytes jpeg = EncodeJpeg(16, 8, false);
    const std::string path = WriteTempFile("pellicor_image_assign.jpg", jpeg);
    TFlashMovie movie(0, 0, 100, 100, 12, true);
    TFlashImage& image = movie.AddImage(path);
    EXPECT_EQ(image.GetCharacterId(), 1);
    EXPECT_EQ(image.Owner(), &movie);
    ASSERT_EQ(movie.Images().size(), 1u);
    EXPECT_EQ(image.Width(), 16);

    TFlashImage copy;
    copy.Assign(image);
    std::remove(path.c_str());  // the copy holds the bytes themselves
    EXPECT_EQ(copy.Owner(), &movie);
    EXPECT_EQ(copy.GetCharacterId(), 1);
    EXPECT_EQ(copy.DataKind(), TImageDataKind::JpegMemory);
    EXPECT_EQ(test::ObjectBytes(copy), test::ObjectBytes(image));

    // A BMP image copies its reader too, so a copy made before the first writing converts.
    TFlashImage bmp;
    const std::string bmpPath = WriteTempFile(
        "pellicor_image_assign.bmp", BmpFile{.width = 2, .height = 2, .bits = 24, .data = PackRows(24, {{1, 2}, {3, 4}})}.Build());
    bmp.LoadFromFile(bmpPath);
    std::remove(bmpPath.c_str());
    TFlashImage bmpCopy;
    bmpCopy.Assign(bmp);
    EXPECT_TRUE(bmpCopy.DataBytes().empty());
    EXPECT_EQ(test::ObjectBytes(bmpCopy), test::ObjectBytes(bmp));
}

// The frame pipeline's way: a first-frame picture from the object list, then frames written
// straight into the file from owner-less images and shapes. libavformat must read it.
TEST(FlashImage, MovieWithImageRectanglesOpensInLibavformat) {
    constexpr int kWidth = 48, kHeight = 32;
    const std::string picturePath = WriteTempFile("pellicor_image_first.jpg", EncodeJpeg(kWidth, kHeight, false));
    const std::string moviePath = test_support::TestTempDir() + "pellicor_image_movie.swf";
    {
        TFlashMovie movie(moviePath, 0, 0, kWidth * 20, kHeight * 20, 10, false);
        movie.SetPixelCoordinates(true);
        TFlashShape& rectangle = movie.AddRectangle(0, 0, kWidth, kHeight);
        TFlashImage& picture = movie.AddImage();
        picture.LoadFromFile(picturePath);
        rectangle.SetImageFill(picture, 1, 1, 1);
        movie.PlaceObject(&rectangle, 1);
        movie.ShowFrame();
        movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerFirst));
        movie.Objects.push_back(TFlashMovie::NewSectionMarker(kSectionMarkerLast));
        movie.WriteSection(0, kSectionMarkerFirst, true, false);

        const Bytes frameJpeg = EncodeJpeg(kWidth, kHeight, false);
        for (int frame = 0; frame < 2; ++frame) {
            TFlashImage image;
            image.LoadFromMemory(frameJpeg, true, kWidth, kHeight);
            image.SetCharacterId(movie.NextCharacterId++);
            TFlashShape shape;
            shape.SetBounds(0, 0, kWidth * 20, kHeight * 20);
            shape.Edges().MoveTo(0, 0);
            shape.Edges().Rectangle(kWidth * 20, kHeight * 20);
            shape.Edges().EndShape();
            shape.SetImageFill(image, 1, 1, 1);
            shape.SetCharacterId(movie.NextCharacterId++);
            image.WriteToStream(movie.Engine());
            shape.WriteToStream(movie.Engine());
            TFlashPlaceObject& place = movie.PlaceObject(&shape, 10);
            place.SetReplace(frame > 0);
            place.WriteToStream(movie.Engine());
            TSWFShowFrame show;
            show.WriteToStream(movie.Engine());
            movie.AddFramesWritten(1);
        }
        movie.WriteSection(kSectionMarkerFirst, kSectionMarkerLast, false, true);
        movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), 10,
                          static_cast<std::uint16_t>(movie.FramesWritten()));
    }
    std::remove(picturePath.c_str());

    TMemoryStream file;
    file.LoadFromFile(moviePath);
    const test::TagList tags = test::ParseTags(test::AfterHeader(file.Bytes()));
    EXPECT_EQ(test::TagCodes(tags),
              (std::vector<std::uint16_t>{tagDefineBitsJPEG2, tagDefineShape2, tagPlaceObject2, tagShowFrame,
                                          tagDefineBitsJPEG2, tagDefineShape2, tagPlaceObject2, tagShowFrame,
                                          tagDefineBitsJPEG2, tagDefineShape2, tagPlaceObject2, tagShowFrame, tagEnd}));

    AVFormatContext* format = nullptr;
    ASSERT_EQ(avformat_open_input(&format, moviePath.c_str(), nullptr, nullptr), 0);
    EXPECT_STREQ(format->iformat->name, "swf");
    AVPacket* packet = av_packet_alloc();
    int jpegFrames = 0;
    while (av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        if (stream->codecpar->codec_id == AV_CODEC_ID_MJPEG) {
            ++jpegFrames;
            // Each frame is one whole JPEG stream.
            const Bytes data(packet->data, packet->data + packet->size);
            ASSERT_GE(data.size(), 4u);
            EXPECT_EQ(Bytes(data.begin(), data.begin() + 2), (Bytes{0xFF, 0xD8}));
            EXPECT_NE(Bytes(data.begin() + 2, data.begin() + 4), (Bytes{0xFF, 0xD8}));  // no second start marker
            EXPECT_EQ(ProbeJpegSize(data), (TJpegSize{kWidth, kHeight}));
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    std::remove(moviePath.c_str());
    EXPECT_EQ(jpegFrames, 3);
}

}  // namespace
}  // namespace pellicor
