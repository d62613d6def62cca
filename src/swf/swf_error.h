#pragma once

#include <stdexcept>
#include <string>

namespace pellicor {

// Errors of the SWF family: writing a tag that cannot be framed, reading a tag or file
// that is truncated or inconsistent. Readers of untrusted SWF data throw only these
// (or EStreamError from the underlying file), never run past their data.
class ESWFError : public std::runtime_error {
public:
    explicit ESWFError(const std::string& message) : std::runtime_error(message) {}
};

// Reading ran out of data or met a value that the data cannot hold.
class ESWFReadError : public ESWFError {
public:
    explicit ESWFReadError(const std::string& message) : ESWFError(message) {}
};

}  // namespace pellicor
