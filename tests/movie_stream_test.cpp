#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

#include <zlib.h>

#include <cstdio>

#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/action_records.h"
#include "swf/do_action_tags.h"
#include "swf/movie_stream.h"
#include "swf/sprite_tags.h"
#include "swf_test_support.h"
#include "test_temp_dir.h"

namespace pellicor {
namespace {

using test::Bytes;
using test::HexBytes;

Bytes StreamBytes(TBasedSWFStream& movie) {
    return dynamic_cast<TMemoryStream&>(movie.Stream()).Bytes();
}

TEST(SWFMovieStream, HeaderAndVersionBookkeeping) {
    TBasedSWFStream movie(false, TRect{0, 0, 11000, 8000}, 12);
    EXPECT_EQ(movie.Version(), 5);
    EXPECT_EQ(movie.TwipsFactor(), 1);
    EXPECT_EQ(movie.Width(), 11000);
    movie.SetPixelCoordinates(true);
    EXPECT_EQ(movie.TwipsFactor(), 20);
    EXPECT_EQ(movie.Width(), 550);
    EXPECT_EQ(movie.Height(), 400);
    movie.WriteHeader();
    EXPECT_EQ(StreamBytes(movie), HexBytes("46 57 53 05 00 00 00 00  78 00 05 5F 00 00 0F A0 00  00 0C 00 00"));

    TSWFShowFrame showFrame;
    for (int i = 0; i < 3; ++i) movie.WriteObject(showFrame);
    EXPECT_EQ(movie.FramesWritten(), 3);
    TSWFFrameLabel anchor;
    anchor.Name = "a";
    anchor.NamedAnchor = true;
    movie.WriteObject(anchor);
    EXPECT_EQ(movie.Version(), 6);
    TSWFEnd end;
    movie.WriteObject(end);
    movie.WriteEndTag(&end);  // the last object already was End
    const std::uint64_t size = movie.Stream().Size();
    EXPECT_EQ(size, 21u + 6 + 5 + 2);
    movie.PatchHeader(static_cast<std::uint32_t>(size), 25, static_cast<std::uint16_t>(movie.FramesWritten()));
    EXPECT_EQ(movie.Stream().Position(), size);
    const Bytes bytes = StreamBytes(movie);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 21),
              HexBytes("46 57 53 06 22 00 00 00  78 00 05 5F 00 00 0F A0 00  00 19 03 00"));
    EXPECT_EQ(movie.FrameRate(), 25.0);
    movie.WriteEndTag(&showFrame);
    EXPECT_EQ(movie.Stream().Size(), size + 2);

    // Pixel coordinates are applied before the rectangle is scaled.
    TBasedSWFStream pixels(true, TRect{0, 0, 320, 240}, 29.97);
    EXPECT_EQ(pixels.FrameRect(), TSWFRect(0, 6400, 0, 4800));
    EXPECT_NEAR(pixels.FrameRate(), 29.97, 1.0 / 256);

    // Compression needs version 6 or later.
    TBasedSWFStream compressed(false, TRect{0, 0, 20, 20}, 1);
    compressed.SetCompressed(true);
    EXPECT_EQ(compressed.Version(), 6);
    compressed.SetVersion(5);
    EXPECT_EQ(compressed.Version(), 6);
    compressed.SetVersion(8);
    EXPECT_EQ(compressed.Version(), 8);
}

TEST(SWFMovieStream, CompressedLayout) {
    Bytes plain(1000);
    for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7 % 251);
    std::copy_n(HexBytes("46 57 53 05 E8 03 00 00").begin(), 8, plain.begin());
    TMemoryStream source(plain), target;
    CompressSWF(source, target);
    const Bytes packed = target.Bytes();
    ASSERT_GT(packed.size(), 8u);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 8), HexBytes("43 57 53 06 E8 03 00 00"));
    // Bytes 8.. are one complete zlib stream of bytes 8..999.
    Bytes inflated(992 + 16);
    uLongf inflatedSize = inflated.size();
    ASSERT_EQ(uncompress(inflated.data(), &inflatedSize, packed.data() + 8, packed.size() - 8), Z_OK);
    inflated.resize(inflatedSize);
    EXPECT_EQ(inflated, Bytes(plain.begin() + 8, plain.end()));

    // And back: the FWS form keeps the compressed file's version byte.
    TMemoryStream packedStream(packed), unpacked;
    DecompressSWF(packedStream, unpacked);
    Bytes expected = plain;
    expected[3] = 6;
    EXPECT_EQ(unpacked.Bytes(), expected);
    TMemoryStream plainStream(plain), copied;
    DecompressSWF(plainStream, copied);
    EXPECT_EQ(copied.Bytes(), plain);

    // Damaged inputs are clean errors.
    const auto fails = [](const Bytes& bytes) {
        TMemoryStream in(bytes), out;
        EXPECT_THROW(DecompressSWF(in, out), ESWFReadError) << test::HexString(bytes);
    };
    fails(HexBytes("46 57"));
    fails(HexBytes("47 49 46 38 39 61 00 00"));
    fails(Bytes(packed.begin(), packed.end() - 20));  // inflates short
    Bytes longer = packed;
    longer[5] = 0x08;  // claims 2024 bytes
    fails(longer);
    Bytes corrupt = packed;
    corrupt[8] ^= 0xFF;
    fails(corrupt);
}

// A small complete movie: header, background, a sprite, a placement, a frame label, three
// frames and End; compressed to CWS; read back by our side and opened by libavformat.
TEST(SWFMovieStream, CompressedMovieOpensInOurReaderAndLibavformat) {
    const std::string plainPath = test_support::TestTempDir() + "pellicor_movie_plain.swf";
    const std::string packedPath = test_support::TestTempDir() + "pellicor_movie.swf";
    {
        TBasedSWFStream movie(plainPath, false, TRect{0, 0, 320 * 20, 240 * 20}, 25);
        movie.SetPixelCoordinates(true);
        movie.SetCompressed(true);
        movie.WriteHeader();
        TSWFSetBackgroundColor background;
        background.Color.SetRGB(0x336699);
        movie.WriteObject(background);
        // A video stream definition (as raw bytes: the tag class lives elsewhere) makes
        // libavformat create a stream whose time base shows the frame rate it read.
        TSWFRawTag video(tagDefineVideoStream);
        video.Body = HexBytes("02 00 03 00 40 01 F0 00 00 02");
        movie.WriteObject(video);
        TSWFDefineSprite sprite;
        sprite.SpriteID = 1;
        // Long enough that the body inflates to more than 4 KiB: libavformat's SWF demuxer
        // drops the output of the inflate call that ends the zlib stream, so a tinier file
        // would look empty to it.
        sprite.FrameCount = 2500;
        for (int i = 0; i < sprite.FrameCount; ++i) sprite.ControlTags.push_back(std::make_unique<TSWFShowFrame>());
        movie.WriteObject(sprite);
        TSWFPlaceObject2 place;
        place.Depth = 1;
        place.SetCharacterID(1);
        place.Matrix().SetTranslate(10 * movie.TwipsFactor(), 20 * movie.TwipsFactor());
        place.SWFVersion = movie.Version();
        movie.WriteObject(place);
        TSWFFrameLabel label;
        label.Name = "start";
        movie.WriteObject(label);
        // A loop: back to the top unless the condition skips the Stop.
        TSWFDoAction actions;
        TSWFActionList& list = actions.Actions();
        auto& top = list.AddMarker("top");
        auto& skip = list.Add<TSWFActionIf>();
        list.Add<TSWFActionStop>();
        list.PlaceMarker(skip.Marker());
        list.Add<TSWFActionJump>().SetMarker(&top);
        movie.WriteObject(actions);
        TSWFShowFrame showFrame;
        for (int i = 0; i < 3; ++i) movie.WriteObject(showFrame);
        movie.WriteEndTag(&showFrame);
        movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), 25,
                          static_cast<std::uint16_t>(movie.FramesWritten()));
        dynamic_cast<TFileStream&>(movie.Stream()).Close();
    }
    {
        TFileStream plain(plainPath, TFileStream::Mode::OpenRead);
        TFileStream packed(packedPath, TFileStream::Mode::Create);
        CompressSWF(plain, packed);
        packed.Close();
    }
    std::remove(plainPath.c_str());

    // Our side: inflate, header, tags.
    TMemoryStream file, uncompressed;
    file.LoadFromFile(packedPath);
    ASSERT_EQ(test::Bytes(file.Bytes().begin(), file.Bytes().begin() + 4), HexBytes("43 57 53 06"));
    DecompressSWF(file, uncompressed);
    TBitsEngine engine(uncompressed);
    const TSWFHeader header = ReadSWFHeader(engine);
    EXPECT_EQ(header.Version, 6);
    EXPECT_EQ(header.FileLength, uncompressed.Size());
    EXPECT_EQ(header.FrameRect, TSWFRect(0, 6400, 0, 4800));
    EXPECT_EQ(header.FrameRate, 0x1900);
    EXPECT_EQ(header.FrameCount, 3);
    engine.Context.Version = header.Version;
    std::vector<std::uint16_t> codes;
    std::string labelRead;
    Bytes actionBody;
    int spriteFrames = -1;
    while (engine.BytesLeft() > 0) {
        auto tag = ReadSWFTag(engine);
        ASSERT_EQ(dynamic_cast<TSWFErrorTag*>(tag.get()), nullptr);
        codes.push_back(tag->TagID());
        if (auto* label = dynamic_cast<TSWFFrameLabel*>(tag.get())) labelRead = label->Name;
        if (tag->TagID() == tagDoAction) actionBody = test::BodyBytes(*tag);
        if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(tag.get())) spriteFrames = static_cast<int>(sprite->ControlTags.size());
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{tagSetBackgroundColor, tagDefineVideoStream, tagDefineSprite,
                                                 tagPlaceObject2, tagFrameLabel, tagDoAction, tagShowFrame, tagShowFrame,
                                                 tagShowFrame, tagEnd}));
    EXPECT_EQ(labelRead, "start");
    // If skips the one-byte Stop (+1); Jump goes back over all eleven bytes (-11).
    EXPECT_EQ(actionBody, HexBytes("9D 02 00 01 00  07  99 02 00 F5 FF  00"));
    EXPECT_EQ(spriteFrames, 2500);

    // libavformat: probes the file as SWF, inflates it and finds the stream, with the time
    // base 256 / (8.8 frame rate) = 1/25.
    AVFormatContext* context = nullptr;
    ASSERT_EQ(avformat_open_input(&context, packedPath.c_str(), nullptr, nullptr), 0);
    EXPECT_STREQ(context->iformat->name, "swf");
    EXPECT_GE(avformat_find_stream_info(context, nullptr), 0);
    ASSERT_EQ(context->nb_streams, 1u);
    EXPECT_EQ(context->streams[0]->codecpar->codec_type, AVMEDIA_TYPE_VIDEO);
    EXPECT_EQ(context->streams[0]->id, 2);
    EXPECT_EQ(av_q2d(context->streams[0]->time_base), 1.0 / 25);
    avformat_close_input(&context);
    std::remove(packedPath.c_str());
}

}  // namespace
}  // namespace pellicor
