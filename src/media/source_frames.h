#pragma once

#include <memory>
#include <string>

#include "media/bitmap.h"
#include "media/gif_image.h"
#include "media/mcl_read.h"

namespace pellicor {

// The picture an animated GIF shows at one frame: the frames from the first up to it drawn
// over each other on a canvas in the background colour. Going forward draws only the new
// frames; going back starts again from the background.
class TGifCanvas {
public:
    // EMediaError for a frame outside the animation.
    const TBitmap& Show(const TGIFImage& gif, int frame);
    void Reset() { drawn_ = -1; }

private:
    TBitmap canvas_;
    int drawn_ = -1;
};

// One source's frames by index (0-based) at source size, for the dialogs that show a frame
// of it: a video through the media layer's reader, an animated GIF through the GIF decoder.
class TSourceFrames {
public:
    // Opens the file; EMediaError when it cannot be read or holds no picture.
    TSourceFrames(const std::string& path, bool animatedGif);
    ~TSourceFrames();
    TSourceFrames(const TSourceFrames&) = delete;
    TSourceFrames& operator=(const TSourceFrames&) = delete;

    // The picture of frame `index`; EMediaError when it cannot be read.
    TBitmap Read(int index);

private:
    TMclReadHandle reader_;
    TMclImageHandle image_;
    std::unique_ptr<TGIFImage> gif_;
    TGifCanvas canvas_;
};

}  // namespace pellicor
