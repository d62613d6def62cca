#pragma once

#include <cstdint>
#include <memory>

#include "movie/flash_object.h"
#include "swf/button_tags.h"
#include "util/clone_ptr.h"

namespace pellicor {

class TFlashActionScript;

// The parts of a button that copy as values: the button tag in use (one of the two) and
// the sound tag. TFlashButton adds the action script, which works over the button tag's own
// lists and so is made anew over a copy's.
class TFlashButtonParts : public TFlashVisualObject {
public:
    using TFlashVisualObject::TFlashVisualObject;

protected:
    TClonePtr<TSWFDefineButton2> button2_;
    TClonePtr<TSWFDefineButton> button1_;
    TSWFDefineButtonSound sound_;
};

// A button character: DefineButton2 (records with colour transforms, condition actions) or
// DefineButton (one action list), with an optional DefineButtonSound.
class TFlashButton : public TFlashValueObject<TFlashButton, TFlashButtonParts> {
public:
    // useButton2: a DefineButton2 with TrackAsMenu and, at once, a condition action for
    // OverDownToOverUp (release) whose list the action script uses. Otherwise a DefineButton
    // whose single list the script uses. The sound tag starts empty.
    TFlashButton(TFlashMovie* owner, bool trackAsMenu, bool useButton2);
    // The parts' copy and a new action script, pointed at the copy's release actions when
    // it has them (a copy without them gets none added).
    TFlashButton(const TFlashButton& other);
    TFlashButton& operator=(const TFlashButton& other);
    ~TFlashButton() override;

    bool IsButton2() const { return static_cast<bool>(button2_); }
    // The button tag in use.
    TSWFBasedButton& ButtonTag();
    // DefineButton2 or DefineButton, whichever is in use (else none).
    TSWFDefineButton2* Button2() const { return button2_.get(); }
    TSWFDefineButton* Button1() const { return button1_.get(); }
    TSWFDefineButtonSound& SoundTag() { return sound_; }

    // A record placing the object (id 0 without one) at the depth in these states
    // (TSWFButtonState bits). In a DefineButton2 the record carries a colour transform.
    // Records are written in the order added.
    TSWFButtonRecord& AddRecord(TFlashIDObject* object, std::uint8_t states, std::uint16_t depth);
    // A new condition action for this set of ButtonConditionBit values, appended
    // (DefineButton2; ESWFError for a DefineButton). The reference stays valid until the
    // next condition action is added.
    TSWFButtonCondAction& AddCondAction(std::uint16_t conditions);
    // The first condition action whose set holds the condition, else a new one with only it.
    TSWFButtonCondAction& FindCondAction(TSWFButtonCondition condition);
    // The action script, pointed at the release actions: those of
    // FindCondAction(OverDownToOverUp) in a DefineButton2, the button's list otherwise.
    TFlashActionScript& ReleaseActions();
    // The action script (appends where it was last pointed).
    TFlashActionScript& ActionScript() { return *actionScript_; }

    // Also the button tag's id.
    void SetCharacterId(std::uint16_t id) override;
    // The action script follows the owner.
    void OwnerChanged() override;
    // DefineButton2: 3 (more when its actions need it); DefineButton: 1 (more when its
    // actions need it); 2 at least when a DefineButtonSound is written.
    int MinVersion() const override;
    // The button tag, then DefineButtonSound (with the button's id) when a state sound is
    // present.
    void WriteToStream(TBitsEngine& writer) override;

private:
    bool HasSounds() const;
    // A new action script, pointed at the release actions when the button has them.
    void MakeActionScript();

    std::unique_ptr<TFlashActionScript> actionScript_;
};

}  // namespace pellicor
