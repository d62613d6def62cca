#include "engine/frame_encoder_pool.h"

#include <algorithm>
#include <system_error>

namespace pellicor {

namespace {

// What the encoder reads of a picture.
const TYuvPicture& Pixels(const TYuvPicture& planes) { return planes; }
const TBitmap& Pixels(const TBitmap& bitmap) { return bitmap; }
const TBitmap& Pixels(const std::shared_ptr<const TBitmap>& lent) { return *lent; }

}  // namespace

TFrameEncoderPool::TFrameEncoderPool(const TJpegEncoder& encoder, int workers, std::size_t window)
    : encoder_(encoder),
      window_(std::max<std::size_t>(window, 1)),
      spareBitmaps_(std::make_shared<TSpareBitmaps>(window_)) {
    try {
        for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // Fewer threads to be had: the ones that started do the work (none: Submit does).
    }
}

TFrameEncoderPool::~TFrameEncoderPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobAdded_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

int TFrameEncoderPool::ResolveThreads(int requested) {
    if (requested > 0) return requested;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

bool TFrameEncoderPool::Full() const {
    std::lock_guard lock(mutex_);
    return inFlight_.size() >= window_;
}

bool TFrameEncoderPool::Empty() const {
    std::lock_guard lock(mutex_);
    return inFlight_.empty();
}

void TFrameEncoderPool::PublishTables(std::size_t group, std::optional<THuffmanTables> tables) {
    {
        std::lock_guard lock(mutex_);
        groupTables_[group] = std::move(tables);
    }
    tablesMade_.notify_all();
}

void TFrameEncoderPool::EncodeGroupFirst(TJob& job) {
    std::optional<THuffmanTables> tables;
    try {
        std::visit([&](const auto& picture) { encoder_.Encode(Pixels(picture), job.jpeg); }, job.picture);
        tables = TablesCoveringEverySymbol(CountJpegSymbols(job.jpeg));
    } catch (...) {
        if (job.jpeg.empty()) job.error = std::current_exception();
        tables.reset();
    }
    PublishTables(job.sequence / kFramesPerTableGroup, std::move(tables));
}

void TFrameEncoderPool::EncodeWithGroupTables(TJob& job) {
    std::optional<THuffmanTables> tables;
    {
        // The group's first picture was taken by a worker before this one (or encoded
        // already): its tables come.
        std::unique_lock lock(mutex_);
        const std::size_t group = job.sequence / kFramesPerTableGroup;
        tablesMade_.wait(lock, [&] { return groupTables_.contains(group); });
        tables = groupTables_[group];
    }
    try {
        std::visit(
            [&](const auto& picture) {
                if (tables)
                    encoder_.Encode(Pixels(picture), job.jpeg, *tables);
                else
                    encoder_.Encode(Pixels(picture), job.jpeg);
            },
            job.picture);
    } catch (...) {
        job.error = std::current_exception();
    }
}

void TFrameEncoderPool::Encode(TJob& job) {
    if (!encoder_.OptimizedHuffman()) {
        try {
            std::visit([&](const auto& picture) { encoder_.Encode(Pixels(picture), job.jpeg); }, job.picture);
        } catch (...) {
            job.error = std::current_exception();
        }
    } else if (job.sequence % kFramesPerTableGroup == 0) {
        EncodeGroupFirst(job);
    } else {
        EncodeWithGroupTables(job);
    }
    ReleasePicture(job);
}

// The decoder's planes go back to it as soon as they are encoded; a bitmap is kept for the
// caller's next picture (a lent one once the caller lets go of it too).
void TFrameEncoderPool::ReleasePicture(TJob& job) {
    if (auto* bitmap = std::get_if<TBitmap>(&job.picture)) spareBitmaps_->Put(std::move(*bitmap));
    job.picture = TBitmap();
}

TBitmap TFrameEncoderPool::TakeSpareBitmap() { return spareBitmaps_->Take(); }

std::shared_ptr<const TBitmap> TFrameEncoderPool::Lend(TBitmap&& bitmap) {
    return TSpareBitmaps::Lend(spareBitmaps_, std::move(bitmap));
}

void TFrameEncoderPool::Submit(TFramePicture picture) {
    auto job = std::make_unique<TJob>();
    job->picture = std::move(picture);
    job->sequence = submitted_++;
    TJob* raw = job.get();
    if (workers_.empty()) {
        Encode(*raw);
        raw->done = true;
        std::lock_guard lock(mutex_);
        inFlight_.push_back(std::move(job));
        return;
    }
    {
        std::lock_guard lock(mutex_);
        inFlight_.push_back(std::move(job));
        waiting_.push_back(raw);
    }
    jobAdded_.notify_one();
}

std::optional<std::vector<std::uint8_t>> TFrameEncoderPool::TakeOldest(bool wait) {
    std::unique_lock lock(mutex_);
    if (inFlight_.empty()) return std::nullopt;
    if (wait) jobDone_.wait(lock, [this] { return inFlight_.front()->done; });
    if (!inFlight_.front()->done) return std::nullopt;
    std::unique_ptr<TJob> job = std::move(inFlight_.front());
    inFlight_.pop_front();
    // Every picture still to be encoded comes after this one: older groups' tables go.
    std::erase_if(groupTables_, [&](const auto& entry) { return entry.first < job->sequence / kFramesPerTableGroup; });
    lock.unlock();
    if (job->error) std::rethrow_exception(job->error);
    return std::move(job->jpeg);
}

void TFrameEncoderPool::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        jobAdded_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) return;
        TJob* job = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        Encode(*job);
        lock.lock();
        job->done = true;
        jobDone_.notify_all();
    }
}

}  // namespace pellicor
