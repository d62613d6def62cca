#include "projector/projector_bundle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "batch/export_packaging.h"

namespace pellicor::projector {

namespace {

constexpr std::uint64_t kTrailerSize = 8;

std::string Reason() { return std::strerror(errno); }

// Reads exactly `size` bytes at `offset`; false when the file ends first.
bool ReadAt(int fd, std::uint64_t offset, void* data, std::size_t size) {
    char* cursor = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = pread(fd, cursor, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        cursor += got;
        offset += static_cast<std::uint64_t>(got);
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) throw TProjectorIoError("Cannot write \"" + path + "\": " + Reason());
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void CopyRange(const TOpenFile& from, const TMovieLocation& location, int to, const std::string& toPath) {
    std::array<char, 1 << 16> buffer{};
    std::uint64_t offset = location.offset;
    std::uint64_t left = location.size;
    while (left > 0) {
        const std::size_t chunk = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
        if (!ReadAt(from.Descriptor(), offset, buffer.data(), chunk))
            throw TProjectorIoError("Cannot read \"" + from.Path() + "\": it ended early");
        WriteAll(to, buffer.data(), chunk, toPath);
        offset += chunk;
        left -= chunk;
    }
}

}  // namespace

TOpenFile::TOpenFile(const std::string& path) : path_(path) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw TProjectorIoError("Cannot read \"" + path + "\": " + Reason());
    struct stat info {};
    if (fstat(fd_, &info) != 0) throw TProjectorIoError("Cannot read \"" + path + "\": " + Reason());
    size_ = static_cast<std::uint64_t>(info.st_size);
}

TOpenFile::~TOpenFile() {
    if (fd_ >= 0) close(fd_);
}

TMovieLocation LocateMovie(const TOpenFile& projector) {
    const std::string name = "\"" + projector.Path() + "\"";
    std::array<unsigned char, kTrailerSize> trailer{};
    if (projector.Size() < kTrailerSize ||
        !ReadAt(projector.Descriptor(), projector.Size() - kTrailerSize, trailer.data(), trailer.size()))
        throw TProjectorDamage("The projector " + name + " is too short to hold a movie.");
    if (LittleEndian32(trailer.data()) != kProjectorSignature)
        throw TProjectorDamage("The projector " + name +
                               " is damaged or cut short: its last bytes are not the movie signature.");
    TMovieLocation location;
    location.size = LittleEndian32(trailer.data() + 4);
    const std::uint64_t before = projector.Size() - kTrailerSize;
    if (location.size > before)
        throw TProjectorDamage("The projector " + name + " is damaged: it says the movie has " +
                               std::to_string(location.size) + " bytes, but only " + std::to_string(before) +
                               " come before its end.");
    location.offset = before - location.size;

    std::array<char, 3> magic{};
    const bool swf = location.size >= magic.size() && ReadAt(projector.Descriptor(), location.offset, magic.data(), 3) &&
                     (magic[0] == 'F' || magic[0] == 'C' || magic[0] == 'Z') && magic[1] == 'W' && magic[2] == 'S';
    if (!swf) throw TProjectorDamage("The projector " + name + " is damaged: the movie inside is no SWF movie.");
    return location;
}

void WriteMovie(const TOpenFile& projector, const TMovieLocation& location, const std::string& path, bool replace) {
    const std::string target = replace ? path + ".part" + std::to_string(getpid()) : path;
    const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replace ? 0666 : 0600);
    if (fd < 0) throw TProjectorIoError("Cannot create \"" + path + "\": " + Reason());
    try {
        CopyRange(projector, location, fd, path);
        if (fsync(fd) != 0) throw TProjectorIoError("Cannot write \"" + path + "\": " + Reason());
    } catch (...) {
        close(fd);
        unlink(target.c_str());
        throw;
    }
    if (close(fd) != 0) {
        unlink(target.c_str());
        throw TProjectorIoError("Cannot write \"" + path + "\": " + Reason());
    }
    if (replace && rename(target.c_str(), path.c_str()) != 0) {
        const std::string reason = Reason();
        unlink(target.c_str());
        throw TProjectorIoError("Cannot replace \"" + path + "\": " + reason);
    }
}

}  // namespace pellicor::projector
