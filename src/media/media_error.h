#pragma once

#include <stdexcept>
#include <string>

namespace pellicor {

// Raised by the media layer (source reader, file information, GIF decoder, sound objects
// and the wave writer) when a file cannot be opened, decoded or written, or a request
// cannot be served (a frame past the end). The message is meant for people.
class EMediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace pellicor
