#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace pellicor {

// Random-access reading of an untrusted file or buffer for the image and sound readers.
// A read never goes past the end: it returns the bytes that exist, so every reader can
// check what it got against what it asked for.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies up to count bytes from position; returns how many were copied (0 past the end).
    virtual std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) = 0;

    // Up to count bytes from position (fewer at the end of the data).
    std::vector<std::uint8_t> ReadBlock(std::uint64_t position, std::size_t count);
};

// A borrowed byte buffer; the buffer must outlive the source.
class TMemoryByteSource : public TByteSource {
public:
    explicit TMemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) override;

private:
    std::span<const std::uint8_t> bytes_;
};

// A file opened for reading; its size is taken once, when it is opened.
class TFileByteSource : public TByteSource {
public:
    // nullptr when the file cannot be opened.
    static std::unique_ptr<TFileByteSource> Open(const std::string& fileName);
    ~TFileByteSource() override;
    TFileByteSource(const TFileByteSource&) = delete;
    TFileByteSource& operator=(const TFileByteSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) override;

private:
    TFileByteSource(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}
    std::FILE* file_;
    std::uint64_t size_;
};

// A file source held with its name. A copy opens the file again by name, so each holder
// reads through a handle of its own; a file that has gone meanwhile leaves the copy without
// a source (its name stays).
class TReopenedFileSource {
public:
    TReopenedFileSource() = default;
    TReopenedFileSource(std::string fileName, std::unique_ptr<TFileByteSource> source)
        : fileName_(std::move(fileName)), source_(std::move(source)) {}
    TReopenedFileSource(const TReopenedFileSource& other)
        : fileName_(other.fileName_), source_(other.source_ ? TFileByteSource::Open(fileName_) : nullptr) {}
    TReopenedFileSource& operator=(const TReopenedFileSource& other) {
        if (this != &other) *this = TReopenedFileSource(other);
        return *this;
    }
    TReopenedFileSource(TReopenedFileSource&&) noexcept = default;
    TReopenedFileSource& operator=(TReopenedFileSource&&) noexcept = default;

    const std::string& FileName() const { return fileName_; }
    TFileByteSource* get() const { return source_.get(); }
    TFileByteSource* operator->() const { return source_.get(); }
    explicit operator bool() const { return source_ != nullptr; }

private:
    std::string fileName_;
    std::unique_ptr<TFileByteSource> source_;
};

// Upper-cased extension of a file name without its point ("photo.Jpeg" -> "JPEG"); empty
// when the name (after its last "/") has no point.
std::string UpperExtension(const std::string& fileName);

// Big- and little-endian values from a byte pointer the caller has bounds-checked.
inline std::uint16_t BigEndian16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t BigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
inline std::uint16_t LittleEndian16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace pellicor
