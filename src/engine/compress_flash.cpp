#include "engine/compress_flash.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "settings/cov_settings.h"
#include "swf/bits_engine.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"
#include "swf/swf_error.h"

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

bool CompressFlash(const std::string& moviePath, TProgress* progress) {
    LogStage(progress, kStageCompressingFlash, kMessageCompressingFlash, moviePath);
    const std::string tempPath = ChangeExtension(moviePath, ".swftmp");
    bool complete = false;
    try {
        TFileStream movie(moviePath, TFileStream::Mode::OpenRead);
        TFileStream temp(tempPath, TFileStream::Mode::Create);
        const std::uint64_t size = movie.Size();
        if (size < 8) throw ESWFError("An SWF file is at least 8 bytes long");
        if (size > 0xFFFFFFFFull) throw ESWFError("An SWF file larger than 4 GiB cannot be compressed");
        {
            TBitsEngine header(temp);
            header.WriteBytes("CWS", 3);
            header.WriteByte(6);
            header.WriteDWord(static_cast<std::uint32_t>(size));
        }
        TCompressionStream compression(temp);
        movie.Seek(8);
        complete = size == 8 || CopyCompressed(movie, compression, size - 8, progress) == size - 8;
        compression.Finish();
        temp.Close();
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(tempPath, ignored);
        throw;
    }
    std::error_code error;
    if (!complete) {
        std::filesystem::remove(tempPath, error);
        return true;
    }
    std::filesystem::rename(tempPath, moviePath, error);
    return !error;
}

}  // namespace pellicor
