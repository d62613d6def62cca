#include "engine/picture_characters.h"

#include <cctype>
#include <filesystem>

#include "movie/flash_image.h"
#include "movie/image_error.h"
#include "movie/jpeg_recode.h"
#include "movie/flash_movie.h"
#include "movie/flash_shape.h"

namespace pellicor {

namespace {

TFlashVisualObject& AddImageRectangle(TFlashMovie& movie, TFlashImage& image, int width, int height) {
    TFlashShape& shape = movie.AddRectangle(0, 0, width, height);
    shape.SetImageFill(image, kImageFillFit, 1, 1);
    return shape;
}

bool HasJpegExtension(const std::string& fileName) {
    std::string extension = std::filesystem::path(fileName).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".jpg" || extension == ".jpeg";
}

// A JPEG file goes into the movie as it is, so only a stream that libjpeg decodes whole
// may: anything else (another format under the name, a damaged or cut stream) no player
// could show.
void CheckJpegPictureFile(const std::string& fileName) {
    if (!HasJpegExtension(fileName)) return;
    TMemoryStream bytes;
    bytes.LoadFromFile(fileName);
    const std::string problem = JpegDecodeProblem(bytes.Bytes());
    if (!problem.empty()) throw EImageError("The picture \"" + fileName + "\" is not a JPEG picture that can be shown: " + problem);
}

}  // namespace

TFlashVisualObject& AddJpegPicture(TFlashMovie& movie, std::span<const std::uint8_t> jpeg, int width, int height) {
    TFlashImage& image = movie.AddImage();
    TMemoryStream bytes(jpeg.data(), jpeg.size());
    image.LoadFromStream(bytes, true, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    return AddImageRectangle(movie, image, width, height);
}

TFlashVisualObject& AddImageFilePicture(TFlashMovie& movie, const std::string& fileName, int width, int height) {
    CheckJpegPictureFile(fileName);
    TFlashImage& image = movie.AddImage();
    image.LoadFromFile(fileName);
    return AddImageRectangle(movie, image, width, height);
}

TFlashVisualObject& AddSolidPicture(TFlashMovie& movie, int width, int height, TColor color) {
    TFlashShape& shape = movie.AddRectangle(0, 0, width, height);
    shape.SetSolidFill((color & 0xFFFFFF) | 0xFF000000u);
    return shape;
}

void WriteFramePicture(TBitsEngine& writer, std::span<const std::uint8_t> jpeg, int width, int height,
                       std::uint16_t imageId, std::uint16_t shapeId) {
    TFlashImage image;
    image.LoadFromMemory(jpeg, true, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
    image.SetCharacterId(imageId);
    image.WriteToStream(writer);

    TFlashShape shape;
    shape.SetBounds(0, 0, width * 20, height * 20);
    shape.Edges().MoveTo(0, 0);
    shape.Edges().Rectangle(width * 20, height * 20);
    shape.Edges().EndShape();
    shape.SetImageFill(image, kImageFillFit, 1, 1);
    shape.SetCharacterId(shapeId);
    shape.WriteToStream(writer);
}

}  // namespace pellicor
