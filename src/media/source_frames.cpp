#include "media/source_frames.h"

#include <cstring>

#include "media/media_error.h"

namespace pellicor {

const TBitmap& TGifCanvas::Show(const TGIFImage& gif, int frame) {
    if (frame < 0 || frame >= gif.FrameCount()) throw EMediaError("GIF frame " + std::to_string(frame) + " is not in the animation");
    if (drawn_ < 0 || frame < drawn_ || canvas_.width != gif.Width() || canvas_.height != gif.Height()) {
        canvas_ = TBitmap(gif.Width(), gif.Height());
        const auto background = gif.BackgroundColor();
        for (std::size_t at = 0; at < canvas_.pixels.size(); at += 3) std::memcpy(&canvas_.pixels[at], background.data(), 3);
        drawn_ = -1;
    }
    for (int next = drawn_ + 1; next <= frame; ++next) {
        const TGIFFrameInfo& info = gif.Frame(next);
        gif.DrawFrame(next, canvas_, info.left, info.top);
        drawn_ = next;
    }
    return canvas_;
}

TSourceFrames::TSourceFrames(const std::string& path, bool animatedGif) {
    if (animatedGif) {
        gif_ = std::make_unique<TGIFImage>();
        gif_->LoadFromFile(path);
        if (gif_->FrameCount() == 0) throw EMediaError("the GIF file holds no frame");
        return;
    }
    reader_ = MclReadOpen(path);
    if (!reader_->HasVideo()) throw EMediaError("the file holds no video");
    image_ = MclImgCreate();
}

TSourceFrames::~TSourceFrames() = default;

TBitmap TSourceFrames::Read(int index) {
    if (gif_) return canvas_.Show(*gif_, index);
    MclReadImage(*reader_, index, *image_);
    return *image_;
}

}  // namespace pellicor
