#pragma once

#include <cstdint>
#include <string>

#include "engine/pass_settings.h"

namespace pellicor {

class TStream;

// Rewrites the finished, uncompressed movie as a compressed SWF ("CWS", version 6, the
// uncompressed size, then its bytes 8.. deflated at zlib's default level) through the
// temporary file beside it with the extension ".swftmp", which then replaces the movie in
// one rename. True when the compressed movie is in place. When Converting is cleared during
// the copy, the temporary file is dropped and the uncompressed movie, complete and valid,
// stays (true). A failed rename gives false and keeps both files. Exceptions while reading
// or writing leave the uncompressed movie in place and remove the temporary file.
bool CompressFlash(const std::string& moviePath, TProgress* progress);

// Copies `count` bytes from the source's position into the compression stream in about 50
// chunks (chunk = count / 50, at least 1), one per loop iteration, with progress; 0 copies
// the whole source from its start. Returns the number of bytes copied (fewer when
// Converting was cleared).
std::uint64_t CopyCompressed(TStream& source, TStream& compression, std::uint64_t count, TProgress* progress);

}  // namespace pellicor
