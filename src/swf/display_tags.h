#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "swf/action_list_fwd.h"
#include "swf/swf_object.h"

namespace pellicor {

// Base of the two placing tags: the character and the depth.
class TSWFBasedPlaceObject : public TSWFObject {
public:
    std::uint16_t CharacterID() const { return characterID_; }
    virtual void SetCharacterID(std::uint16_t id) { characterID_ = id; }
    std::uint16_t Depth = 0;


protected:
    explicit TSWFBasedPlaceObject(std::uint16_t tagID) : TSWFObject(tagID) {}

private:
    std::uint16_t characterID_ = 0;
};

// PlaceObject (4): CharacterID, Depth, MATRIX, and a CXFORM (no alpha) when
// HasColorTransform is set or the transform has terms.
class TSWFPlaceObject : public TSWFValueTag<TSWFPlaceObject, TSWFBasedPlaceObject> {
public:
    TSWFPlaceObject() : TSWFValueTag(tagPlaceObject) {}
    TSWFMatrix Matrix;
    TSWFColorTransform ColorTransform;
    bool HasColorTransform = false;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// Clip event bits, by index (the order in which they are written).
enum TSWFClipEvent : int {
    ceKeyUp = 0, ceKeyDown, ceMouseUp, ceMouseDown, ceMouseMove, ceUnload, ceEnterFrame, ceLoad,
    ceDragOver, ceRollOut, ceRollOver, ceReleaseOutside, ceRelease, cePress, ceInitialize, ceData,
    ceConstruct, ceKeyPress, ceDragOut,
};
constexpr std::uint32_t ClipEventBit(TSWFClipEvent event) { return 1u << event; }

// One clip action record: the events it answers, a key code and its actions.
class TSWFClipActionRecord {
public:
    std::uint32_t EventFlags = 0;
    std::uint8_t KeyCode() const { return keyCode_; }
    // A non-zero key code sets the KeyPress event bit, 0 clears it.
    void SetKeyCode(std::uint8_t keyCode);
    // The actions, created (parsed kind) on first access.
    TSWFActionListBase& Actions();
    const TSWFActionListBase* ActionsIfAny() const { return actions_.get(); }
    void SetActions(std::unique_ptr<TSWFActionListBase> actions) { actions_ = std::move(actions); }

private:
    std::uint8_t keyCode_ = 0;
    TClonePtr<TSWFActionListBase> actions_;
};

// The clip actions of a PlaceObject2.
class TSWFClipActions {
public:
    // Union of all records' event flags.
    std::uint32_t AllEventFlags = 0;
    TCloneList<TSWFClipActionRecord> Records;

    // Adds a record; its flags (and the KeyPress bit of a key code) join AllEventFlags.
    TSWFClipActionRecord& AddRecord(std::uint32_t eventFlags, std::uint8_t keyCode = 0);
};

// PlaceObject2 (26).
class TSWFPlaceObject2 : public TSWFValueTag<TSWFPlaceObject2, TSWFBasedPlaceObject> {
public:
    TSWFPlaceObject2() : TSWFValueTag(tagPlaceObject2) {}

    bool PlaceFlagHasClipActions = false;
    bool PlaceFlagHasClipDepth = false;
    bool PlaceFlagHasName = false;
    bool PlaceFlagHasRatio = false;
    bool PlaceFlagHasColorTransform = false;
    bool PlaceFlagHasMatrix = false;
    bool PlaceFlagHasCharacter = false;
    bool PlaceFlagMove = false;
    // Version of the movie being written; selects the width of the clip event fields.
    std::uint8_t SWFVersion = 3;

    void SetCharacterID(std::uint16_t id) override;
    // Created on first access, which sets PlaceFlagHasMatrix.
    TSWFMatrix& Matrix();
    // Created on first access with HasAlpha on, which sets PlaceFlagHasColorTransform.
    TSWFColorTransform& ColorTransform();
    std::uint16_t Ratio() const { return ratio_; }
    void SetRatio(std::uint16_t ratio);
    const std::string& Name() const { return name_; }
    // A non-empty name sets PlaceFlagHasName.
    void SetName(const std::string& name);
    std::uint16_t ClipDepth() const { return clipDepth_; }
    void SetClipDepth(std::uint16_t depth);
    // Created on first access, which sets PlaceFlagHasClipActions.
    TSWFClipActions& ClipActions();
    const TSWFClipActions* ClipActionsIfAny() const { return clipActions_.get(); }

    // 3 without clip actions; with them the larger of 5 and SWFVersion, and at least 6
    // when a record uses an event that only SWF 6 can carry (Construct, KeyPress, DragOut).
    int MinVersion() const override;
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

private:
    bool WritesClipActions() const;
    void WriteEventFlags(TBitsEngine& engine, std::uint32_t flags) const;
    std::uint32_t ReadEventFlags(TBitsEngine& engine) const;

    TClonePtr<TSWFMatrix> matrix_;
    TClonePtr<TSWFColorTransform> colorTransform_;
    std::uint16_t ratio_ = 0;
    std::string name_;
    std::uint16_t clipDepth_ = 0;
    TClonePtr<TSWFClipActions> clipActions_;
};

// RemoveObject (5): CharacterID, Depth.
class TSWFRemoveObject : public TSWFValueTag<TSWFRemoveObject> {
public:
    TSWFRemoveObject() : TSWFValueTag(tagRemoveObject) {}
    std::uint16_t CharacterID = 0;
    std::uint16_t Depth = 0;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// RemoveObject2 (28): Depth.
class TSWFRemoveObject2 : public TSWFValueTag<TSWFRemoveObject2> {
public:
    TSWFRemoveObject2() : TSWFValueTag(tagRemoveObject2) {}
    std::uint16_t Depth = 0;

    int MinVersion() const override { return 3; }
    void ReadFromStream(TBitsEngine& engine) override { Depth = engine.ReadWord(); }
    void WriteTagBody(TBitsEngine& engine) override { engine.WriteWord(Depth); }
};

}  // namespace pellicor
