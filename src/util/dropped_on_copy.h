#pragma once

#include <memory>
#include <utility>

namespace pellicor {

// An owning pointer to a part that a copy of its holder starts without: a cache or a
// working state that the copy makes again when it first needs it (a font engine, built
// glyph outlines, the position of a sound stream). A class holding such parts through it
// keeps its defaulted copy constructor and copy assignment.
template <class T>
class TDroppedOnCopy {
public:
    TDroppedOnCopy() = default;
    TDroppedOnCopy(const TDroppedOnCopy&) {}
    TDroppedOnCopy& operator=(const TDroppedOnCopy& other) {
        if (this != &other) owned_.reset();
        return *this;
    }
    TDroppedOnCopy(TDroppedOnCopy&&) noexcept = default;
    TDroppedOnCopy& operator=(TDroppedOnCopy&&) noexcept = default;

    // Makes the part anew from these arguments, replacing any it had.
    template <class... Args>
    T& emplace(Args&&... args) {
        owned_ = std::make_unique<T>(std::forward<Args>(args)...);
        return *owned_;
    }
    void reset() { owned_.reset(); }

    T* get() const { return owned_.get(); }
    T& operator*() const { return *owned_; }
    T* operator->() const { return owned_.get(); }
    explicit operator bool() const { return owned_ != nullptr; }

private:
    std::unique_ptr<T> owned_;
};

}  // namespace pellicor
