#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "movie/flash_object.h"
#include "swf/display_tags.h"

namespace pellicor {

class TFlashActionScript;

// The parts of a placement that copy as values: the PlaceObject2 and the placed object
// (borrowed). TFlashPlaceObject adds the clip-action script, which works over the
// PlaceObject2's own records and so is attached anew to a copy's.
class TFlashPlaceObjectParts : public TFlashObject {
public:
    using TFlashObject::TFlashObject;

protected:
    TSWFPlaceObject2 placeObject_;
    TFlashIDObject* object_ = nullptr;
};

// A placement of a character on the display list, written as PlaceObject2.
//   5 GetCharacterId (the placed character's id).
class TFlashPlaceObject : public TFlashValueObject<TFlashPlaceObject, TFlashPlaceObjectParts> {
public:
    // A PlaceObject2 at the depth, with the object's character id when an object is given.
    // A placed sprite also gets ClipActions.
    TFlashPlaceObject(TFlashMovie* owner, std::uint16_t depth, TFlashIDObject* object = nullptr);
    // The parts' copy; a copy of a placement with clip actions gets a script of its own over
    // the copied PlaceObject2's last clip action record.
    TFlashPlaceObject(const TFlashPlaceObject& other);
    TFlashPlaceObject& operator=(const TFlashPlaceObject& other);
    ~TFlashPlaceObject() override;

    virtual std::uint16_t GetCharacterId() const { return placeObject_.CharacterID(); }

    TSWFPlaceObject2& PlaceObject() { return placeObject_; }
    const TSWFPlaceObject2& PlaceObject() const { return placeObject_; }
    // The placed object (borrowed), or none.
    TFlashIDObject* PlacedObject() const { return object_; }

    // The translation (the placed visual object's origin plus x, y times the owner's
    // TwipsFactor). Does nothing for (0, 0) while there is no matrix and the move flag is off.
    void SetTranslate(std::int32_t x, std::int32_t y);
    // Scale factors, 1.0 = 100 %.
    void SetScale(double scaleX, double scaleY);
    void SetName(const std::string& name) { placeObject_.SetName(name); }
    // The move flag: the placement replaces the character at its depth.
    void SetReplace(bool replace) { placeObject_.PlaceFlagMove = replace; }
    void SetRatio(std::uint16_t ratio) { placeObject_.SetRatio(ratio); }

    // The clip actions of a placed sprite (none for other placements). The script appends
    // to the record that AddClipEvent created last.
    TFlashActionScript* ClipActions() const { return clipActions_.get(); }
    // A new clip action record for these events (TSWFClipEvent bits); ClipActions then
    // appends to it. Creates ClipActions for a placement of something other than a sprite.
    TFlashActionScript& AddClipEvent(std::uint32_t eventFlags, std::uint8_t keyCode = 0);

    // The file version that selects the clip-action encoding (the movie sets it on writing).
    void SetFileVersion(int version);

    // The clip-action script follows the owner.
    void OwnerChanged() override;
    // The PlaceObject2's: 3, or 5 and more with clip actions.
    int MinVersion() const override { return placeObject_.MinVersion(); }
    // The PlaceObject2.
    void WriteToStream(TBitsEngine& writer) override { placeObject_.WriteToStream(writer); }

private:
    // The script over the PlaceObject2's clip actions, pointed at the last record's list.
    void AttachClipActions();

    std::unique_ptr<TFlashActionScript> clipActions_;
};

}  // namespace pellicor
