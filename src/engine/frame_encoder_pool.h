#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

#include "engine/spare_bitmaps.h"
#include "media/bitmap.h"
#include "media/jpeg_encoder.h"
#include "media/yuv_picture.h"

namespace pellicor {

// A frame's picture on its way to the JPEG encoder: the decoder's planes, an RGB bitmap, or
// an RGB bitmap the frame stage keeps reading as well (lent, see Lend).
using TFramePicture = std::variant<TYuvPicture, TBitmap, std::shared_ptr<const TBitmap>>;

// Encodes frame pictures on worker threads while the caller reads the next frames, and
// hands the JPEG bytes back in the order the pictures came in, so that one writer puts the
// frames into the movie in order and the file does not depend on the number of workers.
// At most `window` pictures are in flight: memory does not grow with the clip.
//
// With optimised Huffman tables, the pictures go in groups of kFramesPerTableGroup by their
// place in the sequence: the first of each group gets tables made for it (two passes), and
// the others are encoded in one pass with tables made from the first one's symbols (with a
// code for every symbol). The bytes depend only on the pictures and their order.
class TFrameEncoderPool {
public:
    // `workers` threads; with none, Submit encodes on the calling thread.
    TFrameEncoderPool(const TJpegEncoder& encoder, int workers, std::size_t window);
    // Stops and joins the workers; pictures still in flight are dropped.
    ~TFrameEncoderPool();
    TFrameEncoderPool(const TFrameEncoderPool&) = delete;
    TFrameEncoderPool& operator=(const TFrameEncoderPool&) = delete;

    // `window` pictures are in flight: take the oldest before submitting another.
    bool Full() const;
    bool Empty() const;

    void Submit(TFramePicture picture);
    // The JPEG bytes of the oldest picture in flight: waits for them when `wait`, else
    // nothing while they are not ready (or nothing is in flight). An exception of the
    // encoder for that picture is thrown here.
    std::optional<std::vector<std::uint8_t>> TakeOldest(bool wait);
    // A bitmap whose picture has been encoded, for the caller to put the next picture into:
    // its buffer is reused instead of a new one for every frame (a frame of megabytes, which
    // the allocator would map and unmap each time). Empty when none is spare.
    TBitmap TakeSpareBitmap();
    // The bitmap as a picture to submit that the caller keeps reading too; its buffer
    // becomes a spare once it is encoded and the caller lets go of it.
    std::shared_ptr<const TBitmap> Lend(TBitmap&& bitmap);

    static constexpr std::size_t kFramesPerTableGroup = 30;

    // Threads for `requested` (0: as many as the machine has cores, at least 1).
    static int ResolveThreads(int requested);

private:
    struct TJob {
        TFramePicture picture;
        std::vector<std::uint8_t> jpeg;
        std::exception_ptr error;
        std::size_t sequence = 0;
        bool done = false;
    };

    void Encode(TJob& job);
    void EncodeGroupFirst(TJob& job);
    void EncodeWithGroupTables(TJob& job);
    void PublishTables(std::size_t group, std::optional<THuffmanTables> tables);
    void ReleasePicture(TJob& job);
    void Work();

    const TJpegEncoder encoder_;
    const std::size_t window_;
    mutable std::mutex mutex_;
    std::condition_variable jobAdded_;
    std::condition_variable jobDone_;
    std::condition_variable tablesMade_;
    // The tables of each group in flight; none where its first picture failed, whose
    // group is then encoded picture by picture.
    std::map<std::size_t, std::optional<THuffmanTables>> groupTables_;
    std::size_t submitted_ = 0;
    std::deque<std::unique_ptr<TJob>> inFlight_;  // in the order submitted
    std::deque<TJob*> waiting_;                   // not yet taken by a worker
    const std::shared_ptr<TSpareBitmaps> spareBitmaps_;  // at most window_
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace pellicor
