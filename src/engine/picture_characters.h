#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "settings/cov_settings.h"

namespace pellicor {

class TBitsEngine;
class TFlashMovie;
class TFlashVisualObject;

// The characters that show a picture: a bitmap and a rectangle shape of the picture's size
// (in pixels, from the origin) filled with it so that it covers the shape exactly, or a
// rectangle with a solid colour. The Add... forms define them in the movie (first-frame
// pictures) and return the shape; WriteFramePicture writes a video frame's pair at once.

TFlashVisualObject& AddJpegPicture(TFlashMovie& movie, std::span<const std::uint8_t> jpeg, int width, int height);
// A JPEG or BMP file (EImageError or the stream's error when it cannot be read).
TFlashVisualObject& AddImageFilePicture(TFlashMovie& movie, const std::string& fileName, int width, int height);
// color 0x00BBGGRR, opaque.
TFlashVisualObject& AddSolidPicture(TFlashMovie& movie, int width, int height, TColor color);

// DefineBitsJPEG2 with imageId, then the shape tag with shapeId, straight to the writer.
void WriteFramePicture(TBitsEngine& writer, std::span<const std::uint8_t> jpeg, int width, int height,
                       std::uint16_t imageId, std::uint16_t shapeId);

}  // namespace pellicor
