#include "movie/flash_place_object.h"

#include <algorithm>

#include "movie/flash_action_script.h"
#include "movie/flash_movie.h"
#include "movie/flash_sprite.h"

namespace pellicor {

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* owner, std::uint16_t depth, TFlashIDObject* object)
    : TFlashValueObject(owner) {
    object_ = object;
    placeObject_.Depth = depth;
    if (object) placeObject_.SetCharacterID(object->GetCharacterId());
    if (dynamic_cast<TFlashSprite*>(object)) AttachClipActions();
}

TFlashPlaceObject::TFlashPlaceObject(const TFlashPlaceObject& other) : TFlashValueObject(other) {
    if (other.clipActions_) AttachClipActions();
}

TFlashPlaceObject& TFlashPlaceObject::operator=(const TFlashPlaceObject& other) {
    if (this == &other) return *this;
    TFlashPlaceObjectParts::operator=(other);
    clipActions_.reset();
    if (other.clipActions_) AttachClipActions();
    return *this;
}

TFlashPlaceObject::~TFlashPlaceObject() = default;

void TFlashPlaceObject::OwnerChanged() {
    if (clipActions_) clipActions_->SetOwner(Owner());
}

void TFlashPlaceObject::SetTranslate(std::int32_t x, std::int32_t y) {
    if (x == 0 && y == 0 && !placeObject_.PlaceFlagHasMatrix && !placeObject_.PlaceFlagMove) return;
    const std::int64_t factor = Owner() ? Owner()->TwipsFactor() : 1;
    std::int64_t originX = 0, originY = 0;
    if (const auto* visual = dynamic_cast<const TFlashVisualObject*>(object_)) {
        originX = visual->OriginX;
        originY = visual->OriginY;
    }
    placeObject_.Matrix().SetTranslate(static_cast<std::int32_t>(originX + x * factor),
                                       static_cast<std::int32_t>(originY + y * factor));
}

void TFlashPlaceObject::SetScale(double scaleX, double scaleY) { placeObject_.Matrix().SetScale(scaleX, scaleY); }

void TFlashPlaceObject::AttachClipActions() {
    TSWFClipActions& clipActions = placeObject_.ClipActions();
    if (!clipActions_) clipActions_ = std::make_unique<TFlashActionScript>(Owner());
    if (!clipActions.Records.empty()) clipActions_->SetActions(AppendableActions(*clipActions.Records.back()));
}

TFlashActionScript& TFlashPlaceObject::AddClipEvent(std::uint32_t eventFlags, std::uint8_t keyCode) {
    placeObject_.ClipActions().AddRecord(eventFlags, keyCode);
    AttachClipActions();
    return *clipActions_;
}

void TFlashPlaceObject::SetFileVersion(int version) {
    placeObject_.SWFVersion = static_cast<std::uint8_t>(std::clamp(version, 0, 255));
}

}  // namespace pellicor
