#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "movie/bmp_reader.h"
#include "movie/flash_object.h"
#include "swf/streams.h"
#include "util/clone_ptr.h"

namespace pellicor {

// What the data of an image holds.
enum class TImageDataKind : std::uint8_t {
    None = 0,        // nothing loaded
    Empty = 1,       // an empty memory stream
    Lossless = 2,    // zlib-compressed lossless pixel data (empty until the first writing)
    JpegMemory = 3,  // JPEG bytes in memory
    JpegFile = 4,    // the JPEG file itself, open for reading and embedded as it is
};

// Lossless formats of an image (DefineBitsLossless BitmapFormat, plus 1 for 32-bit pixels
// with alpha, written as 5 in DefineBitsLossless2).
inline constexpr std::uint8_t kImageFormatAlpha32 = 1;

// The data of an image and its alpha plane. The bytes are the image's own, bytes a caller
// lent (LoadFromMemory), or an open JPEG file read on writing. A copy always owns its bytes,
// so that it outlives the lender and the file: lent bytes are copied, a JPEG file is read
// into memory (the copy's kind is then JpegMemory), the alpha plane is copied.
struct TFlashImageData {
    TImageDataKind Kind = TImageDataKind::None;
    std::vector<std::uint8_t> Owned;
    // The bytes in use: Owned, or the lent bytes; empty for a JPEG file.
    std::span<const std::uint8_t> Bytes;
    std::unique_ptr<TFileStream> File;
    std::unique_ptr<TMemoryStream> Alpha;

    TFlashImageData() = default;
    explicit TFlashImageData(TImageDataKind kind) : Kind(kind) {}
    TFlashImageData(const TFlashImageData& other);
    TFlashImageData& operator=(const TFlashImageData& other);
    TFlashImageData(TFlashImageData&&) noexcept = default;
    TFlashImageData& operator=(TFlashImageData&&) noexcept = default;
};

// A bitmap character: JPEG data (DefineBitsJPEG2, or DefineBitsJPEG3 with an alpha plane)
// or lossless pixels from a BMP file (DefineBitsLossless, or DefineBitsLossless2 for 32-bit
// pictures), turned into the tag's compressed pixel data on the first writing.
class TFlashImage : public TFlashValueObject<TFlashImage, TFlashIDObject> {
public:
    // Loads the file when a name is given.
    explicit TFlashImage(TFlashMovie* owner = nullptr, const std::string& fileName = {});
    ~TFlashImage() override;

    // When on, a JPEG file whose size the probe cannot read is decoded; a progressive one is
    // re-encoded as baseline JPEG.
    bool ConvertProgressive = false;

    // By upper-cased extension: "JPG" and "JPEG" are embedded as they are (kept open) after
    // reading their size; "BMP" is read with the BMP reader. Any other extension throws
    // EImageError "Image format \"EXT\" not supported!" and changes nothing. A file that
    // cannot be opened throws EStreamError, a damaged BMP EImageError.
    void LoadFromFile(const std::string& fileName);
    // Copies the whole source (from its start) as the image data: JPEG bytes, or compressed
    // lossless pixel data of the given format, colour count and alpha. Earlier data is
    // dropped.
    void LoadFromStream(TStream& source, bool isJpeg, std::uint16_t width, std::uint16_t height,
                        std::uint8_t format = 0, std::uint32_t colourCount = 0, bool hasAlpha = false);
    // The same without a copy: the image refers to the caller's bytes, which must stay
    // alive and unchanged until the image has been written, reloaded or freed.
    void LoadFromMemory(std::span<const std::uint8_t> bytes, bool isJpeg, std::uint16_t width, std::uint16_t height,
                        std::uint8_t format = 0, std::uint32_t colourCount = 0, bool hasAlpha = false);

    // The uncompressed alpha plane of a JPEG image (one byte per pixel, top row first),
    // created on first use; a non-empty plane makes the image a DefineBitsJPEG3. EImageError
    // for a lossless image.
    TMemoryStream& AlphaData();
    // The BMP reader, created on first use.
    TBMPReader& Reader();

    bool IsJpeg() const { return isJpeg_; }
    bool HasAlpha() const { return hasAlpha_; }
    std::uint16_t Width() const { return width_; }
    std::uint16_t Height() const { return height_; }
    // Pixels per output row including padding (lossless only).
    std::uint32_t RowWidth() const { return rowWidth_; }
    std::uint8_t Format() const { return format_; }
    std::uint32_t ColourCount() const { return colourCount_; }
    TImageDataKind DataKind() const { return data_.Kind; }
    // The data held in memory (empty for a JPEG file, which is read on writing).
    std::span<const std::uint8_t> DataBytes() const { return data_.Bytes; }

    // 2, or 3 for pixels with alpha or a JPEG with an alpha plane.
    int MinVersion() const override;
    // The bitmap tag with this image's id; lossless data is produced first when missing.
    void WriteToStream(TBitsEngine& writer) override;

private:
    // Empties the data; JPEG and lossless fields are left to the caller.
    void DropData();
    void SetFields(bool isJpeg, std::uint16_t width, std::uint16_t height, std::uint8_t format,
                   std::uint32_t colourCount, bool hasAlpha);
    void LoadJpegFile(const std::string& fileName);
    void LoadBMPFile(const std::string& fileName);
    bool HasAlphaPlane() const { return data_.Alpha && data_.Alpha->Size() > 0; }
    void WriteJpeg(TBitsEngine& writer);
    void WriteLossless(TBitsEngine& writer);

    bool isJpeg_ = false;
    bool hasAlpha_ = false;
    std::uint16_t width_ = 0;
    std::uint16_t height_ = 0;
    std::uint32_t rowWidth_ = 0;
    std::uint8_t format_ = 0;
    std::uint32_t colourCount_ = 0;
    // A copy owns its bytes: lent bytes are copied, a JPEG file is read into memory.
    TFlashImageData data_;
    // A copy has a reader of its own with the same picture.
    TClonePtr<TBMPReader> reader_;
};

}  // namespace pellicor
