#pragma once

#include <memory>
#include <utility>

#include "util/clone_ptr.h"

namespace pellicor {

// Refers to an object it owns, or to one lent by the caller, who keeps it alive while this
// refers to it. A copy always owns a copy of the object: the copy may outlive the lender.
// So a class that either owns its part or works over a caller's part keeps its defaulted
// copy.
template <class T>
class TOwnedOrLent {
public:
    // Owns a new T.
    TOwnedOrLent() : TOwnedOrLent(std::make_unique<T>()) {}
    explicit TOwnedOrLent(std::unique_ptr<T> owned) : owned_(std::move(owned)), object_(owned_.get()) {}
    explicit TOwnedOrLent(T& lent) : object_(&lent) {}

    TOwnedOrLent(const TOwnedOrLent& other) : TOwnedOrLent(clone_detail::CloneOf(*other.object_)) {}
    TOwnedOrLent& operator=(const TOwnedOrLent& other) {
        if (this != &other) *this = TOwnedOrLent(other);
        return *this;
    }
    TOwnedOrLent(TOwnedOrLent&&) noexcept = default;
    TOwnedOrLent& operator=(TOwnedOrLent&&) noexcept = default;

    bool Owns() const { return owned_ != nullptr; }
    T& operator*() const { return *object_; }
    T* operator->() const { return object_; }

private:
    std::unique_ptr<T> owned_;
    T* object_;
};

}  // namespace pellicor
