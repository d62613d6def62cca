#include "engine/compress_flash.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "settings/cov_settings.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"
#include "util/temporary_file.h"

namespace pellicor {

namespace {

constexpr std::uint64_t kMaxBuffer = 1 << 20;  // a chunk is read in pieces of at most this

}  // namespace

std::uint64_t CopyCompressed(TStream& source, TStream& compression, std::uint64_t count, TProgress* progress) {
    if (count == 0) {
        source.Seek(0);
        count = source.Size();
    }
    if (progress) {
        progress->SetPosition(0);
        progress->SetMaximum(static_cast<std::int64_t>(count));
    }
    const std::uint64_t chunk = std::clamp<std::uint64_t>(count / 50, 1, std::max<std::uint64_t>(count, 1));
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(chunk, kMaxBuffer)));
    std::uint64_t remaining = count;
    while (remaining > 0 && ContinueLoop(progress)) {
        std::uint64_t step = std::min(chunk, remaining);
        remaining -= step;
        while (step > 0) {
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(step, buffer.size()));
            source.ReadBuffer(buffer.data(), piece);
            compression.Write(buffer.data(), piece);
            step -= piece;
        }
        if (progress) progress->SetPosition(static_cast<std::int64_t>(count - remaining));
    }
    return count - remaining;
}

bool CompressFlashInto(const std::string& moviePath, const std::string& compressedPath, const std::string& shownPath,
                       TProgress* progress) {
    LogStage(progress, kStageCompressingFlash, kMessageCompressingFlash, shownPath);
    TFileStream movie(moviePath, TFileStream::Mode::OpenRead);
    TFileStream compressed(compressedPath, TFileStream::Mode::Create);
    const std::uint64_t size = movie.Size();
    WriteCompressedSWFHeader(compressed, size);
    TCompressionStream compression(compressed);
    movie.Seek(8);
    const bool complete = size == 8 || CopyCompressed(movie, compression, size - 8, progress) == size - 8;
    compression.Finish();
    compressed.Close();
    return complete;
}

bool CompressFlash(const std::string& moviePath, TProgress* progress) {
    TTemporaryFile compressed(moviePath, ".swftmp");
    // Stopped during the copy: the uncompressed movie stays, complete and valid.
    if (!CompressFlashInto(moviePath, compressed.Path(), moviePath, progress)) return true;
    try {
        compressed.Commit();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

}  // namespace pellicor
