// Animated GIF files through the decoder wrapper: loading, then every frame drawn onto a
// canvas the size of the logical screen, as the frame stage does.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "media/bitmap.h"
#include "media/gif_image.h"
#include "media/media_error.h"

using namespace pellicor;

namespace {

// The decoder reads files: one file in memory, rewritten for every input.
const std::string& InputPath() {
    static const std::string path = [] {
        const int fd = memfd_create("fuzz-gif", 0);
        return fd < 0 ? std::string() : "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

bool Store(const std::uint8_t* data, std::size_t size) {
    const std::string& path = InputPath();
    if (path.empty()) return false;
    const int fd = std::stoi(path.substr(path.rfind('/') + 1));
    if (ftruncate(fd, 0) != 0) return false;
    for (std::size_t at = 0; at < size;) {
        const ssize_t written = pwrite(fd, data + at, size - at, static_cast<off_t>(at));
        if (written <= 0) return false;
        at += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!Store(data, size)) return 0;
    try {
        TGIFImage gif;
        gif.LoadFromFile(InputPath());
        if (std::size_t(gif.Width()) * std::size_t(gif.Height()) > (std::size_t{1} << 22)) return 0;
        TBitmap canvas(gif.Width(), gif.Height());
        for (int i = 0; i < gif.FrameCount(); ++i) {
            const TGIFFrameInfo& frame = gif.Frame(i);
            gif.DrawFrame(i, canvas, frame.left, frame.top);
        }
    } catch (const EMediaError&) {
    }
    return 0;
}
