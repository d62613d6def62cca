#pragma once

#include <cstdint>
#include <memory>

struct AVFrame;

namespace pellicor {

// A decoded picture as the decoder left it: one luma and two chroma planes of 8-bit samples,
// the chroma planes subsampled by 1, 2 (or, vertically, 1 or 2). Copies share the decoder's
// buffers (reference counted), so handing a picture from the reader to the JPEG encoder
// copies no pixels. The samples are YCbCr of the matrix Matrix() tells (BT.601, the JPEG
// one, or BT.709), in full range (0..255) or in studio range (Y 16..235, Cb and Cr 16..240)
// as FullRange() tells.
enum class EYuvMatrix { Bt601, Bt709 };

class TYuvPicture {
public:
    TYuvPicture();
    ~TYuvPicture();
    TYuvPicture(const TYuvPicture& other);
    TYuvPicture& operator=(const TYuvPicture& other);
    TYuvPicture(TYuvPicture&& other) noexcept;
    TYuvPicture& operator=(TYuvPicture&& other) noexcept;

    // Shares the planes of a decoded frame (which the caller keeps).
    static TYuvPicture Reference(const AVFrame& frame, bool fullRange, EYuvMatrix matrix = EYuvMatrix::Bt601);

    bool empty() const { return !frame_; }
    int width() const;
    int height() const;
    // log2 of the chroma subsampling: 1 for 4:2:0 in both, 1 and 0 for 4:2:2, 0 for 4:4:4.
    int ChromaShiftX() const { return chromaShiftX_; }
    int ChromaShiftY() const { return chromaShiftY_; }
    bool FullRange() const { return fullRange_; }
    EYuvMatrix Matrix() const { return matrix_; }

    // Plane 0 is Y, 1 is Cb, 2 is Cr.
    int PlaneWidth(int plane) const;
    int PlaneHeight(int plane) const;
    const std::uint8_t* Row(int plane, int y) const;

private:
    struct TFrameFreer {
        void operator()(AVFrame* frame) const;
    };
    std::unique_ptr<AVFrame, TFrameFreer> frame_;
    int chromaShiftX_ = 0;
    int chromaShiftY_ = 0;
    bool fullRange_ = true;
    EYuvMatrix matrix_ = EYuvMatrix::Bt601;
};

}  // namespace pellicor
