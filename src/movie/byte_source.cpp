#include "movie/byte_source.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <sys/stat.h>

namespace pellicor {

std::vector<std::uint8_t> TByteSource::ReadBlock(std::uint64_t position, std::size_t count) {
    std::vector<std::uint8_t> block(count);
    block.resize(ReadAt(position, block.data(), count));
    return block;
}

std::size_t TMemoryByteSource::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
    if (position >= bytes_.size()) return 0;
    const std::size_t n = std::min<std::uint64_t>(count, bytes_.size() - position);
    std::memcpy(buffer, bytes_.data() + position, n);
    return n;
}

std::unique_ptr<TFileByteSource> TFileByteSource::Open(const std::string& fileName) {
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file) return nullptr;
    struct stat status {};
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) {  // a folder, a pipe
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<TFileByteSource>(new TFileByteSource(file, static_cast<std::uint64_t>(status.st_size)));
}

TFileByteSource::~TFileByteSource() { std::fclose(file_); }

std::size_t TFileByteSource::ReadAt(std::uint64_t position, void* buffer, std::size_t count) {
    if (position >= size_) return 0;
    count = std::min<std::uint64_t>(count, size_ - position);
    if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, count, file_);
}

std::string UpperExtension(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t point = fileName.find_last_of('.');
    if (point == std::string::npos || (slash != std::string::npos && point < slash)) return {};
    std::string extension = fileName.substr(point + 1);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace pellicor
