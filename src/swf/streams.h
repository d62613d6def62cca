#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellicor {

// Failure of the byte stream itself: a file that cannot be opened, a disk that is full,
// a short read where the caller demanded an exact count.
class EStreamError : public std::runtime_error {
public:
    explicit EStreamError(const std::string& message) : std::runtime_error(message) {}
};

// A seekable byte stream. Positions and sizes are 64-bit byte offsets.
class TStream {
public:
    virtual ~TStream() = default;

    virtual std::uint64_t Size() const = 0;
    virtual std::uint64_t Position() const = 0;
    // Any position may be set; writing past the end extends the stream (a gap reads as zeros).
    virtual void Seek(std::uint64_t position) = 0;
    // Reads up to count bytes; returns how many were read (fewer only at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes all count bytes or throws EStreamError.
    virtual void Write(const void* buffer, std::size_t count) = 0;
    // Truncates or extends (with zeros); the position is kept.
    virtual void SetSize(std::uint64_t size) = 0;

    // Reads exactly count bytes or throws EStreamError.
    void ReadBuffer(void* buffer, std::size_t count);
    void Write(std::span<const std::uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
    std::uint64_t BytesLeft() const;
    // Copies count bytes from the source's current position to this stream's position.
    // count 0 copies the whole source from its start. Returns the number of bytes copied;
    // a source that ends early throws EStreamError.
    std::uint64_t CopyFrom(TStream& source, std::uint64_t count);
};

// A stream in memory; the body of every tag is built in one.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}
    TMemoryStream(const std::uint8_t* bytes, std::size_t count) : data_(bytes, bytes + count) {}

    std::uint64_t Size() const override { return data_.size(); }
    std::uint64_t Position() const override { return position_; }
    void Seek(std::uint64_t position) override { position_ = position; }
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    using TStream::Write;
    void SetSize(std::uint64_t size) override;

    void Clear() { data_.clear(); position_ = 0; }
    const std::vector<std::uint8_t>& Bytes() const { return data_; }
    std::vector<std::uint8_t> TakeBytes() { position_ = 0; return std::move(data_); }
    const std::uint8_t* Data() const { return data_.data(); }

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName) const;

private:
    std::vector<std::uint8_t> data_;
    std::uint64_t position_ = 0;
};

// A stream on a file.
class TFileStream : public TStream {
public:
    enum class Mode {
        Create,         // create or truncate, read and write
        OpenRead,       // existing file, read only
        OpenReadWrite,  // existing file, read and write
    };

    TFileStream(const std::string& fileName, Mode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::uint64_t Size() const override;
    std::uint64_t Position() const override;
    void Seek(std::uint64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    using TStream::Write;
    void SetSize(std::uint64_t size) override;

    // Writes buffered data to the file; errors (a full disk) throw EStreamError.
    void Flush();
    // Flushes and closes; later calls do nothing. The destructor closes without throwing.
    void Close();
    const std::string& FileName() const { return fileName_; }

private:
    [[noreturn]] void Fail(const char* what) const;

    std::string fileName_;
    std::FILE* file_ = nullptr;
};

}  // namespace pellicor
