#include "media/mcl_image.h"

namespace pellicor {

TMclImageHandle MclImgCreate() { return std::make_unique<TMclImage>(); }

void MclImgFree(TMclImageHandle& image) { image.reset(); }

TMclDIB MclImgToDIB(const TMclImage& image) { return std::make_unique<TBitmap>(image); }

void MclReleaseDIB(TMclDIB& bitmap) { bitmap.reset(); }

void MclDIBToImg(TMclImage& image, const TBitmap& bitmap) { image = bitmap; }

}  // namespace pellicor
