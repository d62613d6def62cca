#pragma once

#include <stdexcept>
#include <string>

namespace pellicor {

// Raised by the sound readers (wave files, MPEG audio, ID3 tags): a file that cannot be
// opened or read. A file whose content is not understood is not an error; the readers
// then stay empty. The message is meant for people.
class ESoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace pellicor
