#include "swf/streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pellicor {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) throw EStreamError("Stream read error: unexpected end of data");
}

std::uint64_t TStream::BytesLeft() const {
    const std::uint64_t size = Size(), position = Position();
    return position < size ? size - position : 0;
}

std::uint64_t TStream::CopyFrom(TStream& source, std::uint64_t count) {
    if (count == 0) {
        source.Seek(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(count, 1 << 16)));
    std::uint64_t remaining = count;
    while (remaining > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
        source.ReadBuffer(buffer.data(), chunk);
        Write(buffer.data(), chunk);
        remaining -= chunk;
    }
    return count;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (position_ >= data_.size()) return 0;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, data_.size() - position_));
    if (n > 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    const std::uint64_t end = position_ + count;
    if (end > data_.size()) data_.resize(static_cast<std::size_t>(end));
    std::memcpy(data_.data() + position_, buffer, count);
    position_ = end;
}

void TMemoryStream::SetSize(std::uint64_t size) { data_.resize(static_cast<std::size_t>(size)); }

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, TFileStream::Mode::OpenRead);
    Clear();
    CopyFrom(file, 0);
    position_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, TFileStream::Mode::Create);
    file.Write(data_.data(), data_.size());
    file.Close();
}

TFileStream::TFileStream(const std::string& fileName, Mode mode) : fileName_(fileName) {
    const char* openMode = mode == Mode::Create ? "w+b" : mode == Mode::OpenRead ? "rb" : "r+b";
    file_ = std::fopen(fileName.c_str(), openMode);
    if (!file_) Fail(mode == Mode::Create ? "Cannot create file" : "Cannot open file");
}

TFileStream::~TFileStream() {
    if (file_) std::fclose(file_);
}

void TFileStream::Fail(const char* what) const {
    throw EStreamError(std::string(what) + " \"" + fileName_ + "\": " + std::strerror(errno));
}

std::uint64_t TFileStream::Size() const {
    if (!file_) return 0;
    std::fflush(file_);
    const off_t position = ftello(file_);
    if (fseeko(file_, 0, SEEK_END) != 0) Fail("Cannot seek in file");
    const off_t size = ftello(file_);
    fseeko(file_, position, SEEK_SET);
    return size < 0 ? 0 : static_cast<std::uint64_t>(size);
}

std::uint64_t TFileStream::Position() const {
    if (!file_) return 0;
    const off_t position = ftello(file_);
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
}

void TFileStream::Seek(std::uint64_t position) {
    if (!file_ || fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) Fail("Cannot seek in file");
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    if (!file_) return 0;
    const std::size_t n = std::fread(buffer, 1, count, file_);
    if (n < count && std::ferror(file_)) Fail("Cannot read file");
    return n;
}

void TFileStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    if (!file_ || std::fwrite(buffer, 1, count, file_) != count) Fail("Cannot write file");
}

void TFileStream::SetSize(std::uint64_t size) {
    if (!file_) Fail("Cannot resize closed file");
    const std::uint64_t position = Position();
    if (std::fflush(file_) != 0 || ftruncate(fileno(file_), static_cast<off_t>(size)) != 0)
        Fail("Cannot resize file");
    Seek(position);
}

void TFileStream::Flush() {
    if (file_ && std::fflush(file_) != 0) Fail("Cannot write file");
}

void TFileStream::Close() {
    if (!file_) return;
    std::FILE* file = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) Fail("Cannot write file");
}

}  // namespace pellicor
