#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "swf/action_list_fwd.h"
#include "swf/sound_tags.h"
#include "swf/swf_object.h"

namespace pellicor {

// Button states a record is shown in (a set).
enum TSWFButtonState : std::uint8_t { bsUp = 1, bsDown = 2, bsOver = 4, bsHitTest = 8 };

// A button record: a character placed in some of the button's states.
class TSWFButtonRecord {
public:
    // A set of TSWFButtonState values.
    std::uint8_t States = 0;
    std::uint16_t CharacterID = 0;
    std::uint16_t PlaceDepth = 0;
    bool HasColorTransform = false;

    TSWFMatrix& PlaceMatrix() { return placeMatrix_; }
    const TSWFMatrix& PlaceMatrix() const { return placeMatrix_; }
    // The non-const access sets HasColorTransform; the transform carries alpha.
    TSWFColorTransform& ColorTransform();
    const TSWFColorTransform& ColorTransform() const { return colorTransform_; }

    // The record; withColorTransform (DefineButton2) adds CXFORMWITHALPHA, an empty one
    // when the record has none. DefineButton records never carry one.
    void WriteToStream(TBitsEngine& engine, bool withColorTransform) const;
    // Reads the fields after the flags byte (already read by the button, non-zero).
    void ReadFromStream(TBitsEngine& engine, std::uint8_t flags, bool withColorTransform);

private:
    TSWFMatrix placeMatrix_;
    TSWFColorTransform colorTransform_;
};

// The parts both button tags share: the button's character id and its records.
class TSWFBasedButton : public TSWFObject {
public:
    std::uint16_t ButtonID = 0;
    std::vector<TSWFButtonRecord> ButtonRecords;

    TSWFButtonRecord& AddRecord(std::uint8_t states, std::uint16_t characterID, std::uint16_t depth);


protected:
    explicit TSWFBasedButton(std::uint16_t tagID) : TSWFObject(tagID) {}
    // The records and the 0 that ends them.
    void WriteRecords(TBitsEngine& engine, bool withColorTransform) const;
    void ReadRecords(TBitsEngine& engine, bool withColorTransform);
};

// DefineButton (7): records without colour transforms and one action list, run on release.
class TSWFDefineButton : public TSWFValueTag<TSWFDefineButton, TSWFBasedButton> {
public:
    TSWFDefineButton() : TSWFValueTag(tagDefineButton) {}

    // The actions, created (the parsed kind when there is one) on first access.
    TSWFActionListBase& Actions();
    const TSWFActionListBase* ActionsIfAny() const { return actions_.get(); }
    void SetActions(std::unique_ptr<TSWFActionListBase> actions) { actions_ = std::move(actions); }

    // The larger of 3 and the actions' version.
    int MinVersion() const override;
    // The actions become records when engine.Context.ParseActions is on (and action
    // records are available), else they stay raw byte code.
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

private:
    TClonePtr<TSWFActionListBase> actions_;
};

// Button transitions a condition action answers (bit numbers in Conditions).
enum TSWFButtonCondition : int {
    bcIdleToOverUp = 0, bcOverUpToIdle, bcOverUpToOverDown, bcOverDownToOverUp, bcOutDownToOverDown,
    bcOverDownToOutDown, bcOutDownToIdle, bcIdleToOverDown, bcOverDownToIdle,
};
constexpr std::uint16_t ButtonConditionBit(TSWFButtonCondition condition) {
    return static_cast<std::uint16_t>(1u << condition);
}

// A condition action of DefineButton2: the transitions and key it answers and its actions.
class TSWFButtonCondAction {
public:
    TSWFButtonCondAction() = default;
    TSWFButtonCondAction(std::uint16_t conditions, std::uint8_t keyPress = 0)
        : Conditions(conditions), KeyPress(keyPress) {}

    // A set of ButtonConditionBit values (9 bits).
    std::uint16_t Conditions = 0;
    // Key code, 7 bits (0: none).
    std::uint8_t KeyPress = 0;

    // The actions, created (the parsed kind when there is one) on first access.
    TSWFActionListBase& Actions();
    const TSWFActionListBase* ActionsIfAny() const { return actions_.get(); }
    void SetActions(std::unique_ptr<TSWFActionListBase> actions) { actions_ = std::move(actions); }

private:
    TClonePtr<TSWFActionListBase> actions_;
};

// DefineButton2 (34): records with colour transforms and condition actions.
class TSWFDefineButton2 : public TSWFValueTag<TSWFDefineButton2, TSWFBasedButton> {
public:
    TSWFDefineButton2() : TSWFValueTag(tagDefineButton2) {}

    bool TrackAsMenu = false;
    std::vector<TSWFButtonCondAction> CondActions;

    TSWFButtonCondAction& AddCondAction(std::uint16_t conditions, std::uint8_t keyPress = 0);

    // The larger of 3 and the condition actions' versions.
    int MinVersion() const override;
    // Condition actions are split by their CondActionSize (0 on the last one); their
    // actions are read as in DefineButton.
    void ReadFromStream(TBitsEngine& engine) override;
    // ActionOffset and every CondActionSize but the last are patched in place; an offset or
    // size beyond 65535 bytes throws ESWFError.
    void WriteTagBody(TBitsEngine& engine) override;
};

// DefineButtonCxform (23): a colour transform (without alpha) for a DefineButton.
class TSWFDefineButtonCxform : public TSWFValueTag<TSWFDefineButtonCxform> {
public:
    TSWFDefineButtonCxform() : TSWFValueTag(tagDefineButtonCxform) {}

    std::uint16_t ButtonID = 0;
    TSWFColorTransform ColorTransform;

    int MinVersion() const override { return 2; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// The four transitions that DefineButtonSound gives sounds to, in their written order.
enum class TSWFButtonSoundTransition : int { OverUpToIdle = 0, IdleToOverUp, OverUpToOverDown, OverDownToOverUp };

// DefineButtonSound (17): a StartSound (SoundId and SOUNDINFO) per transition.
class TSWFDefineButtonSound : public TSWFValueTag<TSWFDefineButtonSound> {
public:
    TSWFDefineButtonSound() : TSWFValueTag(tagDefineButtonSound) {}

    std::uint16_t ButtonID = 0;

    // Created on first access.
    TSWFStartSound& Sound(TSWFButtonSoundTransition transition);
    const TSWFStartSound* SoundIfAny(TSWFButtonSoundTransition transition) const;
    void ClearSound(TSWFButtonSoundTransition transition);

    int MinVersion() const override { return 2; }
    void ReadFromStream(TBitsEngine& engine) override;
    // A transition without a sound, or whose SoundId is 0, is written as UI16 0.
    void WriteTagBody(TBitsEngine& engine) override;

private:
    std::array<TClonePtr<TSWFStartSound>, 4> sounds_;
};

}  // namespace pellicor
