#pragma once

#include <cstdint>
#include <string>

#include "engine/pass_settings.h"

namespace pellicor {

class TStream;

// Writes the compressed copy of the finished, uncompressed movie `moviePath` into
// `compressedPath` (created or truncated): "CWS", version 6, the uncompressed size, then
// bytes 8.. of the movie deflated at zlib's default level. The stage log names
// `shownPath` (the movie's final name). True when the copy is complete; false when
// Converting was cleared during the copy (the copy is then unfinished and useless).
// Reading and writing errors throw; the movie file is never changed.
bool CompressFlashInto(const std::string& moviePath, const std::string& compressedPath, const std::string& shownPath,
                       TProgress* progress);

// Compresses the movie in place: the compressed copy goes to a temporary file beside it
// ("<movie>.<pid>-<n>.swftmp", unique to the process) that replaces the movie in one
// rename. True when the compressed movie is in place, and when Converting was cleared
// during the copy (the temporary is then dropped and the uncompressed movie, complete and
// valid, stays). A failed rename gives false. Exceptions while reading or writing leave
// the uncompressed movie in place and remove the temporary file.
bool CompressFlash(const std::string& moviePath, TProgress* progress);

// Copies `count` bytes from the source's position into the compression stream in about 50
// chunks (chunk = count / 50, at least 1), one per loop iteration, with progress; 0 copies
// the whole source from its start. Returns the number of bytes copied (fewer when
// Converting was cleared).
std::uint64_t CopyCompressed(TStream& source, TStream& compression, std::uint64_t count, TProgress* progress);

}  // namespace pellicor
