#pragma once

#include <memory>

namespace pellicor {

// The copy operations of a class Derived in a polymorphic record family (action records,
// fill styles, shape records). The family's root names itself as TRecordRoot and declares
// the virtual Assign(const TRecordRoot&) and Clone(), and a RequireSameClass check; Derived
// then copies as a value: Assign and Clone go through its own (usually defaulted) copy, so
// every field, including one added later, is copied.
template <class Derived, class Base>
class TSWFRecordValue : public Base {
public:
    using Base::Base;
    using TRoot = typename Base::TRecordRoot;

    void Assign(const TRoot& source) override {
        this->RequireSameClass(source);
        static_cast<Derived&>(*this) = static_cast<const Derived&>(source);
    }
    std::unique_ptr<TRoot> Clone() const override {
        return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
};

}  // namespace pellicor
