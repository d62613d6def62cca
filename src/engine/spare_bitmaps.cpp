#include "engine/spare_bitmaps.h"

#include <utility>

namespace pellicor {

void TSpareBitmaps::Put(TBitmap&& bitmap) {
    if (bitmap.pixels.empty()) return;
    std::lock_guard lock(mutex_);
    if (bitmaps_.size() < limit_) bitmaps_.push_back(std::move(bitmap));
}

TBitmap TSpareBitmaps::Take() {
    std::lock_guard lock(mutex_);
    if (bitmaps_.empty()) return {};
    TBitmap spare = std::move(bitmaps_.back());
    bitmaps_.pop_back();
    return spare;
}

std::shared_ptr<const TBitmap> TSpareBitmaps::Lend(const std::shared_ptr<TSpareBitmaps>& spares, TBitmap&& bitmap) {
    // The deleter holds the spares, so a bitmap let go after its pool is gone is still safe.
    return std::shared_ptr<TBitmap>(new TBitmap(std::move(bitmap)), [spares](TBitmap* lent) {
        const std::unique_ptr<TBitmap> owned(lent);
        spares->Put(std::move(*owned));
    });
}

}  // namespace pellicor
