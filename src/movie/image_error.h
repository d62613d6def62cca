#pragma once

#include <stdexcept>
#include <string>

namespace pellicor {

// Raised by the image readers (BMP files, JPEG size probe) and the image objects built on
// them: a file that cannot be opened, is not a picture they understand, or is damaged
// beyond use. The message is meant for people.
class EImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace pellicor
