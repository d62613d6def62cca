#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

namespace pellicor {

namespace clone_detail {

template <class T>
concept HasClone = requires(const T& value) { value.Clone(); };
// Interfaces whose Clone() is taken by a derived class with a narrower result (the action
// lists) name their virtual copy CloneList().
template <class T>
concept HasCloneList = requires(const T& value) { value.CloneList(); };

// A new copy of value as a T: through its own Clone() (or CloneList()) when the class has
// one (polymorphic records copy as their real class), else through the copy constructor.
template <class T>
std::unique_ptr<T> CloneOf(const T& value) {
    if constexpr (HasClone<T>) {
        auto copy = value.Clone();
        return std::unique_ptr<T>(static_cast<T*>(copy.release()));
    } else if constexpr (HasCloneList<T>) {
        auto copy = value.CloneList();
        return std::unique_ptr<T>(static_cast<T*>(copy.release()));
    } else {
        static_assert(!std::is_polymorphic_v<T> || std::is_final_v<T>,
                      "a polymorphic class held by TClonePtr needs a Clone() that keeps its real class");
        return std::make_unique<T>(value);
    }
}

}  // namespace clone_detail

// An owning pointer that copies what it points to. A record that holds its children
// through it can keep the defaulted copy constructor and copy assignment: a copy owns
// copies of the children, never the originals.
template <class T>
class TClonePtr {
public:
    TClonePtr() = default;
    TClonePtr(std::nullptr_t) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    TClonePtr(std::unique_ptr<U> owned) : owned_(std::move(owned)) {}

    TClonePtr(const TClonePtr& other) : owned_(other ? clone_detail::CloneOf(*other) : nullptr) {}
    TClonePtr& operator=(const TClonePtr& other) {
        if (this != &other) owned_ = other ? clone_detail::CloneOf(*other) : nullptr;
        return *this;
    }
    TClonePtr(TClonePtr&&) noexcept = default;
    TClonePtr& operator=(TClonePtr&&) noexcept = default;

    T* get() const { return owned_.get(); }
    T& operator*() const { return *owned_; }
    T* operator->() const { return owned_.get(); }
    explicit operator bool() const { return owned_ != nullptr; }

    void reset(T* value = nullptr) { owned_.reset(value); }
    T* release() { return owned_.release(); }
    std::unique_ptr<T> take() { return std::move(owned_); }

private:
    std::unique_ptr<T> owned_;
};

// A list that owns its items and copies them with the list.
template <class T>
using TCloneList = std::vector<TClonePtr<T>>;

}  // namespace pellicor
