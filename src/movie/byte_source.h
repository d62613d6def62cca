#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
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
