#include "movie/flash_object.h"

#include "movie/flash_movie.h"

namespace pellicor {

void TFlashObject::SetOwner(TFlashMovie* owner) {
    owner_ = owner;
    OwnerChanged();
}

void TFlashObject::Assign(const TBasedSWFObject& source) {
    const auto& object = AssignSource<TFlashObject>(source);
    if (!owner_ && object.owner_) SetOwner(object.owner_);
}

void TFlashObject::KeepOwnerAfterCopy(TFlashMovie* kept) {
    if (kept) owner_ = kept;
    // Parts made during the copy took the source's owner; they follow the one kept.
    OwnerChanged();
}

void TFlashIDObject::Assign(const TBasedSWFObject& source) {
    const auto& object = AssignSource<TFlashIDObject>(source);
    TFlashObject::Assign(source);
    SetCharacterId(object.GetCharacterId());
}

int TFlashVisualObject::UnitMultiplier() const {
    if (TwipsOverride || !Owner()) return 1;
    return Owner()->TwipsFactor();
}

void TFlashVisualObject::Assign(const TBasedSWFObject& source) {
    const auto& object = AssignSource<TFlashVisualObject>(source);
    TFlashIDObject::Assign(source);
    TwipsOverride = object.TwipsOverride;
    OriginX = object.OriginX;
    OriginY = object.OriginY;
}

}  // namespace pellicor
