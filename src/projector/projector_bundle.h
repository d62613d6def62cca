#pragma once

// The movie inside a projector: the stub, then the movie, then an eight-byte trailer (the
// signature and the movie size, both 32-bit little-endian).

#include <cstdint>
#include <stdexcept>
#include <string>

namespace pellicor::projector {

// The projector file is not one (no signature) or was cut short or damaged: the message
// says what is wrong, for the person who ran it.
class TProjectorDamage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file could not be read or written: the message names it and the system's reason.
class TProjectorIoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TMovieLocation {
    std::uint64_t offset = 0;  // where the movie starts in the projector
    std::uint32_t size = 0;
};

// An open file, closed when it goes out of scope.
class TOpenFile {
public:
    // Opens `path` for reading; throws TProjectorIoError when it cannot.
    explicit TOpenFile(const std::string& path);
    ~TOpenFile();
    TOpenFile(const TOpenFile&) = delete;
    TOpenFile& operator=(const TOpenFile&) = delete;

    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    std::uint64_t Size() const { return size_; }

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Reads the trailer of `projector` and checks it: the signature, a movie size that fits in
// the file before the trailer, and a movie that starts like an SWF file ("FWS", "CWS" or
// "ZWS"). Throws TProjectorDamage otherwise.
TMovieLocation LocateMovie(const TOpenFile& projector);

// Writes the movie at `location` of `projector` to `path` (a new file with mode 0600, or a
// temporary beside it renamed over `path` when `replace` is set). Throws TProjectorIoError.
void WriteMovie(const TOpenFile& projector, const TMovieLocation& location, const std::string& path, bool replace);

}  // namespace pellicor::projector
