#pragma once

#include <memory>

#include "media/bitmap.h"

namespace pellicor {

// The media library's image is the engine's bitmap itself; the "device-independent
// bitmap" handed out by MclImgToDIB is a separate copy the caller releases.
using TMclImage = TBitmap;
using TMclImageHandle = std::unique_ptr<TMclImage>;
using TMclDIB = std::unique_ptr<TBitmap>;

// A new empty image / released.
TMclImageHandle MclImgCreate();
void MclImgFree(TMclImageHandle& image);

// A new bitmap with the image's pixels; released by MclReleaseDIB once copied.
TMclDIB MclImgToDIB(const TMclImage& image);
void MclReleaseDIB(TMclDIB& bitmap);

// The image takes the bitmap's pixels and size.
void MclDIBToImg(TMclImage& image, const TBitmap& bitmap);

}  // namespace pellicor
