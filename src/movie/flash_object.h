#pragma once

#include <cstdint>
#include <memory>

#include "swf/swf_object.h"

namespace pellicor {

class TFlashMovie;

// A point as callers hand it in (pixels or twips).
struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Root of the movie-building objects: an object that belongs to a movie (its Owner, which
// may be none for objects a caller writes itself). Virtual operations, in slot order, after
// the four of TBasedSWFObject (Assign, LibraryLevel, MinVersion, WriteToStream):
//   4 OwnerChanged.
class TFlashObject : public TBasedSWFObject {
public:
    explicit TFlashObject(TFlashMovie* owner = nullptr) : owner_(owner) {}

    TFlashMovie* Owner() const { return owner_; }
    // Stores the owner, then calls OwnerChanged.
    void SetOwner(TFlashMovie* owner);

    // Takes the source's owner when this object has none.
    void Assign(const TBasedSWFObject& source) override;
    int LibraryLevel() const override { return 1; }
    // Called after the owner was set; empty here.
    virtual void OwnerChanged() {}

protected:
    // After a whole-object copy over this object, whose owner before it was `kept`: the
    // rule of Assign, an object that had an owner keeps it, one without takes the source's.
    // Then OwnerChanged, so that parts the copy made follow the owner it ends with.
    void KeepOwnerAfterCopy(TFlashMovie* kept);

private:
    TFlashMovie* owner_;
};

// Assign and Clone for a movie object class Derived that copies as a value: its own
// (usually defaulted) copy, with the owner rule of TFlashObject::Assign. Parts whose copy is
// special say so in their own type (TClonePtr, TDroppedOnCopy, ...), so a field added later
// is copied without anyone remembering to.
template <class Derived, class Base>
class TFlashValueObject : public Base {
public:
    using Base::Base;

    // A new object with the same contents and the same owner.
    std::unique_ptr<Derived> Clone() const { return std::make_unique<Derived>(static_cast<const Derived&>(*this)); }

    void Assign(const TBasedSWFObject& source) override {
        const Derived& typed = AssignSource<Derived>(source);
        TFlashMovie* const kept = this->Owner();
        static_cast<Derived&>(*this) = typed;
        this->KeepOwnerAfterCopy(kept);
    }
};

// A character: an object with a character identifier.
//   5 GetCharacterId; 6 SetCharacterId.
class TFlashIDObject : public TFlashObject {
public:
    explicit TFlashIDObject(TFlashMovie* owner = nullptr) : TFlashObject(owner) {}

    virtual std::uint16_t GetCharacterId() const { return characterId_; }
    // Characters that wrap a tag also give the id to the tag.
    virtual void SetCharacterId(std::uint16_t id) { characterId_ = id; }

    // Takes the source's owner when this object has none, and copies the id.
    void Assign(const TBasedSWFObject& source) override;

private:
    std::uint16_t characterId_ = 0;
};

// A character that can be placed on the stage. Coordinates given to it are multiplied by
// its unit multiplier: 1 when TwipsOverride is set or there is no owner, else the owner's
// TwipsFactor (20 while the movie works in pixels).
class TFlashVisualObject : public TFlashIDObject {
public:
    explicit TFlashVisualObject(TFlashMovie* owner = nullptr) : TFlashIDObject(owner) {}

    // Coordinates are taken as twips whatever the owner's units.
    bool TwipsOverride = false;
    // The origin that placements add to their translation, in twips.
    std::int32_t OriginX = 0;
    std::int32_t OriginY = 0;

    int UnitMultiplier() const;

    // TFlashIDObject's copy plus the override flag and the origin.
    void Assign(const TBasedSWFObject& source) override;
};

}  // namespace pellicor
