#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "media/bitmap.h"

namespace pellicor {

// Bitmaps whose pictures have been encoded, kept for the next pictures: a frame's buffer of
// megabytes is reused instead of one allocated (and mapped, and unmapped) for every frame.
// At most `limit` are kept; any thread may give one back.
class TSpareBitmaps {
public:
    explicit TSpareBitmaps(std::size_t limit) : limit_(limit) {}

    void Put(TBitmap&& bitmap);
    // A spare bitmap, or an empty one when none is kept.
    TBitmap Take();

    // The bitmap shared by whoever still reads it (its encoding and the frame stage's
    // picture); it comes back here when the last of them lets go.
    static std::shared_ptr<const TBitmap> Lend(const std::shared_ptr<TSpareBitmaps>& spares, TBitmap&& bitmap);

private:
    const std::size_t limit_;
    std::mutex mutex_;
    std::vector<TBitmap> bitmaps_;
};

}  // namespace pellicor
