#include "media/gif_image.h"

#include <algorithm>
#include <memory>

#include <gif_lib.h>

#include "media/media_error.h"

namespace pellicor {

namespace {

constexpr int kMaxSide = 16384;
constexpr std::size_t kMaxTotalPixels = std::size_t{512} << 20;

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

[[noreturn]] void Fail(const std::string& path, int code) {
    const char* text = GifErrorString(code);
    throw EMediaError("cannot read the GIF \"" + path + "\": " + (text ? text : "damaged file"));
}

std::vector<std::array<std::uint8_t, 3>> PaletteOf(const ColorMapObject* map) {
    std::vector<std::array<std::uint8_t, 3>> palette;
    if (!map || !map->Colors) return palette;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    }
    return palette;
}

}  // namespace

void TGIFImage::LoadFromFile(const std::string& path) {
    int error = 0;
    GifPtr gif(DGifOpenFileName(path.c_str(), &error));
    if (!gif) Fail(path, error);
    if (gif->SWidth <= 0 || gif->SHeight <= 0 || gif->SWidth > kMaxSide || gif->SHeight > kMaxSide) {
        throw EMediaError("the GIF \"" + path + "\" has an unusable screen size");
    }
    const auto globalPalette = PaletteOf(gif->SColorMap);
    std::array<std::uint8_t, 3> background{};
    if (gif->SBackGroundColor >= 0 &&
        gif->SBackGroundColor < static_cast<int>(globalPalette.size())) {
        background = globalPalette[gif->SBackGroundColor];
    }

    std::vector<TFrame> frames;
    std::size_t totalPixels = 0;
    GraphicsControlBlock control{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) {
            if (!frames.empty()) break;  // the trailer is missing after whole frames
            Fail(path, gif->Error);
        }
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) Fail(path, gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
                DGifExtensionToGCB(block[0], block + 1, &control);
            }
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) Fail(path, gif->Error);
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Fail(path, gif->Error);
        const GifImageDesc& desc = gif->Image;
        if (desc.Width <= 0 || desc.Height <= 0 || desc.Width > kMaxSide || desc.Height > kMaxSide) {
            throw EMediaError("the GIF \"" + path + "\" has a frame of unusable size");
        }
        const std::size_t pixels = static_cast<std::size_t>(desc.Width) * desc.Height;
        totalPixels += pixels;
        if (totalPixels > kMaxTotalPixels) throw EMediaError("the GIF \"" + path + "\" is too large");

        TFrame frame;
        frame.info.left = desc.Left;
        frame.info.top = desc.Top;
        frame.info.width = desc.Width;
        frame.info.height = desc.Height;
        frame.info.delayMs = std::max(control.DelayTime, 0) * 10;
        frame.info.transparentIndex = control.TransparentColor;
        frame.info.disposal = control.DisposalMode;
        frame.palette = desc.ColorMap ? PaletteOf(desc.ColorMap) : globalPalette;
        frame.indices.resize(pixels);
        // Interlaced frames store rows in four passes.
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        const int passes = desc.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int start = desc.Interlace ? kStart[pass] : 0;
            const int step = desc.Interlace ? kStep[pass] : 1;
            for (int y = start; y < desc.Height; y += step) {
                GifPixelType* row = frame.indices.data() + static_cast<std::size_t>(y) * desc.Width;
                if (DGifGetLine(gif.get(), row, desc.Width) == GIF_ERROR) Fail(path, gif->Error);
            }
        }
        frames.push_back(std::move(frame));
        control = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
    }
    if (frames.empty()) throw EMediaError("the GIF \"" + path + "\" has no frame");

    width_ = gif->SWidth;
    height_ = gif->SHeight;
    background_ = background;
    frames_ = std::move(frames);
}

const TGIFImage::TFrame& TGIFImage::At(int index) const {
    if (index < 0 || index >= FrameCount()) {
        throw EMediaError("GIF frame " + std::to_string(index) + " does not exist");
    }
    return frames_[static_cast<std::size_t>(index)];
}

const TGIFFrameInfo& TGIFImage::Frame(int index) const { return At(index).info; }

std::array<std::uint8_t, 3> TGIFImage::ColorOf(const TFrame& frame, std::uint8_t index) const {
    if (frame.palette.empty()) return {index, index, index};  // no colour table: grey levels
    if (index < frame.palette.size()) return frame.palette[index];
    return {0, 0, 0};
}

TBitmap TGIFImage::FrameBitmap(int index) const {
    const TFrame& frame = At(index);
    TBitmap bitmap(frame.info.width, frame.info.height);
    const std::uint8_t* source = frame.indices.data();
    for (std::size_t i = 0; i < frame.indices.size(); ++i) {
        const bool hidden = source[i] == frame.info.transparentIndex;
        const auto color = hidden ? background_ : ColorOf(frame, source[i]);
        std::copy(color.begin(), color.end(), bitmap.pixels.begin() + static_cast<std::ptrdiff_t>(i * 3));
    }
    return bitmap;
}

std::vector<std::uint8_t> TGIFImage::FrameMask(int index) const {
    const TFrame& frame = At(index);
    std::vector<std::uint8_t> mask(frame.indices.size());
    std::transform(frame.indices.begin(), frame.indices.end(), mask.begin(),
                   [&](std::uint8_t value) { return value == frame.info.transparentIndex ? 0 : 1; });
    return mask;
}

void TGIFImage::DrawFrame(int index, TBitmap& canvas, int x, int y) const {
    const TFrame& frame = At(index);
    const int width = frame.info.width;
    const int fromX = std::max(0, -x);
    const int toX = std::min(width, canvas.width - x);
    const int fromY = std::max(0, -y);
    const int toY = std::min(frame.info.height, canvas.height - y);
    for (int row = fromY; row < toY; ++row) {
        const std::uint8_t* source = frame.indices.data() + static_cast<std::size_t>(row) * width;
        for (int column = fromX; column < toX; ++column) {
            const std::uint8_t value = source[column];
            if (value == frame.info.transparentIndex) continue;
            const auto color = ColorOf(frame, value);
            std::copy(color.begin(), color.end(), canvas.at(x + column, y + row));
        }
    }
}

}  // namespace pellicor
