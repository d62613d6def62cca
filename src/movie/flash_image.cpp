#include "movie/flash_image.h"

#include <array>
#include <climits>

#include "movie/byte_source.h"
#include "movie/flash_movie.h"
#include "movie/jpeg_probe.h"
#include "movie/jpeg_recode.h"
#include "swf/bitmap_tags.h"

namespace pellicor {

namespace {

// Reads a stream for the JPEG size probe.
class TStreamByteSource : public TByteSource {
public:
    explicit TStreamByteSource(TStream& stream) : stream_(stream) {}
    std::uint64_t Size() const override { return stream_.Size(); }
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) override {
        if (position >= stream_.Size()) return 0;
        stream_.Seek(position);
        return stream_.Read(buffer, count);
    }

private:
    TStream& stream_;
};

std::vector<std::uint8_t> ReadWholeStream(TStream& stream) {
    const std::uint64_t size = stream.Size();
    if (size > static_cast<std::uint64_t>(INT32_MAX)) throw EImageError("Image data larger than 2 GiB");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    stream.Seek(0);
    stream.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

}  // namespace

TFlashImageData::TFlashImageData(const TFlashImageData& other)
    : Kind(other.File ? TImageDataKind::JpegMemory : other.Kind),
      Owned(other.File ? ReadWholeStream(*other.File) : std::vector<std::uint8_t>(other.Bytes.begin(), other.Bytes.end())),
      Bytes(Owned),
      Alpha(other.Alpha ? std::make_unique<TMemoryStream>(other.Alpha->Bytes()) : nullptr) {}

TFlashImageData& TFlashImageData::operator=(const TFlashImageData& other) {
    if (this != &other) *this = TFlashImageData(other);
    return *this;
}

TFlashImage::TFlashImage(TFlashMovie* owner, const std::string& fileName) : TFlashValueObject(owner) {
    if (!fileName.empty()) LoadFromFile(fileName);
}

TFlashImage::~TFlashImage() = default;

void TFlashImage::DropData() { data_ = TFlashImageData(TImageDataKind::Empty); }

void TFlashImage::SetFields(bool isJpeg, std::uint16_t width, std::uint16_t height, std::uint8_t format,
                            std::uint32_t colourCount, bool hasAlpha) {
    isJpeg_ = isJpeg;
    width_ = width;
    height_ = height;
    rowWidth_ = isJpeg ? 0 : width;
    format_ = isJpeg ? 0 : format;
    colourCount_ = isJpeg ? 0 : colourCount;
    hasAlpha_ = !isJpeg && hasAlpha;
}

void TFlashImage::LoadFromFile(const std::string& fileName) {
    const std::string extension = UpperExtension(fileName);
    if (extension == "JPG" || extension == "JPEG") {
        LoadJpegFile(fileName);
    } else if (extension == "BMP") {
        LoadBMPFile(fileName);
    } else {
        throw EImageError("Image format \"" + extension + "\" not supported!");
    }
}

void TFlashImage::LoadJpegFile(const std::string& fileName) {
    auto file = std::make_unique<TFileStream>(fileName, TFileStream::Mode::OpenRead);
    TStreamByteSource source(*file);
    const TJpegSize size = ProbeJpegSize(source);
    TJpegRecodeResult recoded;
    if (ConvertProgressive && (size.Width == 0 || size.Height == 0))
        recoded = RecodeProgressiveJpeg(ReadWholeStream(*file));

    DropData();
    reader_.reset();
    if (!recoded.Baseline.empty()) {
        SetFields(true, recoded.Width, recoded.Height, 0, 0, false);
        data_.Owned = std::move(recoded.Baseline);
        data_.Bytes = data_.Owned;
        data_.Kind = TImageDataKind::JpegMemory;
        return;
    }
    // Embedded as it is; a stream the probe could not measure keeps the decoder's size.
    if (recoded.Decoded) {
        SetFields(true, recoded.Width, recoded.Height, 0, 0, false);
    } else {
        SetFields(true, size.Width, size.Height, 0, 0, false);
    }
    data_.File = std::move(file);
    data_.Kind = TImageDataKind::JpegFile;
}

void TFlashImage::LoadBMPFile(const std::string& fileName) {
    TBMPReader& reader = Reader();
    reader.LoadFromFile(fileName);
    const TLosslessFormat format = LosslessFormatFromBMP(reader);
    DropData();
    SetFields(false, static_cast<std::uint16_t>(reader.Width()), static_cast<std::uint16_t>(reader.Height()),
              format.Format, format.ColourCount, format.HasAlpha);
    rowWidth_ = format.RowWidth;
    data_.Kind = TImageDataKind::Lossless;
}

void TFlashImage::LoadFromStream(TStream& source, bool isJpeg, std::uint16_t width, std::uint16_t height,
                                 std::uint8_t format, std::uint32_t colourCount, bool hasAlpha) {
    std::vector<std::uint8_t> bytes = ReadWholeStream(source);
    LoadFromMemory({}, isJpeg, width, height, format, colourCount, hasAlpha);
    data_.Owned = std::move(bytes);
    data_.Bytes = data_.Owned;
}

void TFlashImage::LoadFromMemory(std::span<const std::uint8_t> bytes, bool isJpeg, std::uint16_t width,
                                 std::uint16_t height, std::uint8_t format, std::uint32_t colourCount,
                                 bool hasAlpha) {
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) throw EImageError("Image data larger than 2 GiB");
    DropData();
    reader_.reset();
    SetFields(isJpeg, width, height, format, colourCount, hasAlpha);
    data_.Bytes = bytes;
    data_.Kind = isJpeg ? TImageDataKind::JpegMemory : TImageDataKind::Lossless;
}

TMemoryStream& TFlashImage::AlphaData() {
    if (!isJpeg_) throw EImageError("Only JPEG images carry an alpha plane");
    if (!data_.Alpha) data_.Alpha = std::make_unique<TMemoryStream>();
    return *data_.Alpha;
}

TBMPReader& TFlashImage::Reader() {
    if (!reader_) reader_ = std::make_unique<TBMPReader>();
    return *reader_;
}

int TFlashImage::MinVersion() const { return hasAlpha_ || (isJpeg_ && HasAlphaPlane()) ? 3 : 2; }

void TFlashImage::WriteToStream(TBitsEngine& writer) {
    if (isJpeg_) {
        WriteJpeg(writer);
    } else {
        WriteLossless(writer);
    }
}

void TFlashImage::WriteJpeg(TBitsEngine& writer) {
    TSWFDefineBitsJPEG3 withAlpha;
    TSWFDefineBitsJPEG2 plain;
    TSWFDefineBits& tag = HasAlphaPlane() ? static_cast<TSWFDefineBits&>(withAlpha) : plain;
    tag.CharacterID = GetCharacterId();
    if (TFileStream* file = data_.File.get()) {
        // The file's bytes go straight into the tag body.
        tag.OnDataWrite = [file](TSWFDataObject&, TBitsEngine& body) {
            std::array<std::uint8_t, 32 * 1024> buffer;
            file->Seek(0);
            while (const std::size_t count = file->Read(buffer.data(), buffer.size())) body.WriteBytes(buffer.data(), count);
        };
    } else {
        tag.SetData(data_.Bytes.data(), data_.Bytes.size());
    }
    if (HasAlphaPlane())
        withAlpha.OnAlphaDataWrite = [this](TSWFDataObject&, TBitsEngine& body) { ZlibCompressTo(body, data_.Alpha->Bytes()); };
    tag.WriteToStream(writer);
}

void TFlashImage::WriteLossless(TBitsEngine& writer) {
    if (data_.Bytes.empty()) {
        if (!reader_ || reader_->Empty()) throw EImageError("The image holds no picture to write");
        data_.Owned = LosslessPixelData(*reader_, TLosslessFormat{format_, rowWidth_, colourCount_, hasAlpha_});
        data_.Bytes = data_.Owned;
        data_.Kind = TImageDataKind::Lossless;
    }
    TSWFDefineBitsLossless2 withAlpha;
    TSWFDefineBitsLossless plain;
    TSWFDefineBitsLossless& tag = hasAlpha_ ? withAlpha : plain;
    tag.CharacterID = GetCharacterId();
    tag.BitmapFormat = format_ == kImageFormatAlpha32 ? kBitmapFormatRGB32 : format_;
    tag.BitmapWidth = width_;
    tag.BitmapHeight = height_;
    if (format_ == kBitmapFormatColorMapped) tag.BitmapColorTableSize = static_cast<std::uint8_t>(colourCount_ - 1);
    tag.SetData(data_.Bytes.data(), data_.Bytes.size());
    tag.WriteToStream(writer);
}

// ---- the movie's image operation ----

TFlashImage& TFlashMovie::AddImage(const std::string& fileName) {
    return AddCharacter(std::make_unique<TFlashImage>(this, fileName), Images());
}

}  // namespace pellicor
