// Picture characters written with the bitmap and shape tags directly, until the movie's
// image and shape objects (TFlashImage, TFlashShape) are there. The bytes are those that
// TFlashImage and TFlashShape write for these pictures: DefineBitsJPEG2 (or DefineBitsLossless
// for a BMP first frame) and a DefineShape2 (DefineShape3 only for a colour with alpha)
// whose single style-change record selects fill style 1, four straight edges around
// (0, 0, width, height) and the end record; the bitmap fill is clipped (0x41), translated by
// (-5, -5) twips and scaled by shape twips / image pixels + 15/4096.
#include <algorithm>
#include <memory>

#include "engine/picture_characters.h"
#include "movie/bmp_reader.h"
#include "movie/flash_movie.h"
#include "movie/image_error.h"
#include "movie/jpeg_probe.h"
#include "swf/bitmap_tags.h"
#include "swf/shape_tags.h"
#include "swf/streams.h"

namespace pellicor {

namespace {

constexpr double kFitScaleExtra = 15.0 / 4096.0;

// A character that writes one tag and gives it its id.
class TTagCharacter : public TFlashVisualObject {
public:
    TTagCharacter(std::unique_ptr<TSWFObject> tag, std::uint16_t* tagId) : tag_(std::move(tag)), tagId_(tagId) {}
    void SetCharacterId(std::uint16_t id) override {
        TFlashVisualObject::SetCharacterId(id);
        *tagId_ = id;
    }
    int MinVersion() const override { return tag_->MinVersion(); }
    void WriteToStream(TBitsEngine& writer) override { tag_->WriteToStream(writer); }

private:
    std::unique_ptr<TSWFObject> tag_;
    std::uint16_t* tagId_;
};

// The rectangle (0, 0, w, h) in twips, fill style 1 selected, no lines.
void DrawRectangle(TSWFDefineShape& shape, std::int32_t widthTwips, std::int32_t heightTwips) {
    shape.ShapeBounds = TSWFRect(0, widthTwips, 0, heightTwips);
    shape.AddStyleChange().SetFillStyle1(1);
    shape.AddStraightEdge(widthTwips, 0);
    shape.AddStraightEdge(0, heightTwips);
    shape.AddStraightEdge(-widthTwips, 0);
    shape.AddStraightEdge(0, -heightTwips);
    shape.AddEndRecord();
}

std::unique_ptr<TSWFDefineShape> ImageShape(std::uint16_t imageId, int imageWidth, int imageHeight,
                                            std::int32_t widthTwips, std::int32_t heightTwips) {
    auto shape = std::make_unique<TSWFDefineShape2>();
    TSWFMatrix matrix;
    matrix.SetScale(static_cast<double>(widthTwips) / std::max(imageWidth, 1) + kFitScaleExtra,
                    static_cast<double>(heightTwips) / std::max(imageHeight, 1) + kFitScaleExtra);
    matrix.SetTranslate(-5, -5);
    shape->AddImageFill(imageId, matrix, kFillClippedBitmap);
    DrawRectangle(*shape, widthTwips, heightTwips);
    return shape;
}

template <class Tag, class Base>
TTagCharacter& AddTag(TFlashMovie& movie, std::unique_ptr<Tag> tag, std::uint16_t Base::*id) {
    std::uint16_t* idField = &((*tag).*id);
    auto character = std::make_unique<TTagCharacter>(std::move(tag), idField);
    TTagCharacter& added = *character;
    added.SetOwner(&movie);
    added.SetCharacterId(movie.NextCharacterId++);
    movie.AddObject(std::move(character));
    return added;
}

TFlashVisualObject& AddImageShape(TFlashMovie& movie, std::uint16_t imageId, int imageWidth, int imageHeight,
                                  int width, int height) {
    const int factor = movie.TwipsFactor();
    return AddTag(movie, ImageShape(imageId, imageWidth, imageHeight, width * factor, height * factor),
                  &TSWFDefineShape::ShapeID);
}

}  // namespace

TFlashVisualObject& AddJpegPicture(TFlashMovie& movie, std::span<const std::uint8_t> jpeg, int width, int height) {
    auto image = std::make_unique<TSWFDefineBitsJPEG2>();
    image->SetData(std::vector<std::uint8_t>(jpeg.begin(), jpeg.end()));
    const std::uint16_t imageId = AddTag(movie, std::move(image), &TSWFImageTag::CharacterID).GetCharacterId();
    return AddImageShape(movie, imageId, width, height, width, height);
}

TFlashVisualObject& AddImageFilePicture(TFlashMovie& movie, const std::string& fileName, int width, int height) {
    const std::string extension = UpperExtension(fileName);
    int imageWidth = 0, imageHeight = 0;
    std::uint16_t imageId = 0;
    if (extension == "JPG" || extension == "JPEG") {
        const TJpegSize size = ProbeJpegSizeFromFile(fileName);
        imageWidth = size.Width;
        imageHeight = size.Height;
        TMemoryStream bytes;
        bytes.LoadFromFile(fileName);
        auto image = std::make_unique<TSWFDefineBitsJPEG2>();
        image->SetData(bytes.TakeBytes());
        imageId = AddTag(movie, std::move(image), &TSWFImageTag::CharacterID).GetCharacterId();
    } else if (extension == "BMP") {
        TBMPReader reader;
        reader.LoadFromFile(fileName);
        const TLosslessFormat format = LosslessFormatFromBMP(reader);
        auto image = format.HasAlpha ? std::make_unique<TSWFDefineBitsLossless2>()
                                     : std::make_unique<TSWFDefineBitsLossless>();
        image->BitmapFormat = format.Format == 1 ? kBitmapFormatRGB32 : format.Format;
        image->BitmapWidth = static_cast<std::uint16_t>(reader.Width());
        image->BitmapHeight = static_cast<std::uint16_t>(reader.Height());
        if (format.Format == kBitmapFormatColorMapped)
            image->BitmapColorTableSize = static_cast<std::uint8_t>(format.ColourCount - 1);
        image->SetData(LosslessPixelData(reader, format));
        imageWidth = reader.Width();
        imageHeight = reader.Height();
        imageId = AddTag(movie, std::move(image), &TSWFImageTag::CharacterID).GetCharacterId();
    } else {
        throw EImageError("Image format \"" + extension + "\" not supported!");
    }
    return AddImageShape(movie, imageId, imageWidth, imageHeight, width, height);
}

TFlashVisualObject& AddSolidPicture(TFlashMovie& movie, int width, int height, TColor color) {
    auto shape = std::make_unique<TSWFDefineShape2>();
    TSWFRGBA rgba;
    rgba.SetRGB(color);
    shape->AddSolidFill(rgba);
    const int factor = movie.TwipsFactor();
    DrawRectangle(*shape, width * factor, height * factor);
    return AddTag(movie, std::move(shape), &TSWFDefineShape::ShapeID);
}

void WriteFramePicture(TBitsEngine& writer, std::span<const std::uint8_t> jpeg, int width, int height,
                       std::uint16_t imageId, std::uint16_t shapeId) {
    TSWFDefineBitsJPEG2 image;
    image.CharacterID = imageId;
    image.SetData(jpeg.data(), jpeg.size());
    image.WriteToStream(writer);
    auto shape = ImageShape(imageId, width, height, width * 20, height * 20);
    shape->ShapeID = shapeId;
    shape->WriteToStream(writer);
}

}  // namespace pellicor
