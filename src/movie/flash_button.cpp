#include "movie/flash_button.h"

#include <algorithm>

#include "movie/flash_action_script.h"
#include "movie/flash_movie.h"

namespace pellicor {

namespace {
constexpr TSWFButtonSoundTransition kSoundTransitions[] = {
    TSWFButtonSoundTransition::OverUpToIdle, TSWFButtonSoundTransition::IdleToOverUp,
    TSWFButtonSoundTransition::OverUpToOverDown, TSWFButtonSoundTransition::OverDownToOverUp};
}  // namespace

TFlashButton::TFlashButton(TFlashMovie* owner, bool trackAsMenu, bool useButton2) : TFlashValueObject(owner) {
    actionScript_ = std::make_unique<TFlashActionScript>(owner);
    if (useButton2) {
        button2_ = std::make_unique<TSWFDefineButton2>();
        button2_->TrackAsMenu = trackAsMenu;
        AddCondAction(ButtonConditionBit(bcOverDownToOverUp));
    } else {
        button1_ = std::make_unique<TSWFDefineButton>();
    }
    ReleaseActions();
}

TFlashButton::TFlashButton(const TFlashButton& other) : TFlashValueObject(other) { MakeActionScript(); }

TFlashButton& TFlashButton::operator=(const TFlashButton& other) {
    if (this == &other) return *this;
    TFlashButtonParts::operator=(other);
    MakeActionScript();
    return *this;
}

TFlashButton::~TFlashButton() = default;

void TFlashButton::MakeActionScript() {
    actionScript_ = std::make_unique<TFlashActionScript>(Owner());
    const std::uint16_t release = ButtonConditionBit(bcOverDownToOverUp);
    if (button1_ || std::any_of(button2_->CondActions.begin(), button2_->CondActions.end(),
                                [release](const TSWFButtonCondAction& action) { return action.Conditions & release; }))
        ReleaseActions();
}

void TFlashButton::OwnerChanged() {
    if (actionScript_) actionScript_->SetOwner(Owner());
}

TFlashButton& TFlashMovie::AddButton(bool trackAsMenu, bool useButton2) {
    return AddCharacter(std::make_unique<TFlashButton>(this, trackAsMenu, useButton2), buttons_);
}

TSWFBasedButton& TFlashButton::ButtonTag() {
    if (button2_) return *button2_;
    return *button1_;
}

TSWFButtonRecord& TFlashButton::AddRecord(TFlashIDObject* object, std::uint8_t states, std::uint16_t depth) {
    TSWFButtonRecord& record = ButtonTag().AddRecord(states, object ? object->GetCharacterId() : 0, depth);
    if (button2_) record.ColorTransform();
    return record;
}

TSWFButtonCondAction& TFlashButton::AddCondAction(std::uint16_t conditions) {
    if (!button2_) throw ESWFError("Condition actions belong to DefineButton2");
    TSWFButtonCondAction& action = button2_->AddCondAction(conditions);
    AppendableActions(action);
    // The vector may have moved its elements; the lists themselves stay where they are.
    return action;
}

TSWFButtonCondAction& TFlashButton::FindCondAction(TSWFButtonCondition condition) {
    if (!button2_) throw ESWFError("Condition actions belong to DefineButton2");
    const std::uint16_t bit = ButtonConditionBit(condition);
    for (auto& action : button2_->CondActions)
        if (action.Conditions & bit) return action;
    return AddCondAction(bit);
}

TFlashActionScript& TFlashButton::ReleaseActions() {
    if (button2_)
        actionScript_->SetActions(AppendableActions(FindCondAction(bcOverDownToOverUp)));
    else
        actionScript_->SetActions(AppendableActions(*button1_));
    return *actionScript_;
}

void TFlashButton::SetCharacterId(std::uint16_t id) {
    TFlashVisualObject::SetCharacterId(id);
    ButtonTag().ButtonID = id;
}

bool TFlashButton::HasSounds() const {
    return std::any_of(std::begin(kSoundTransitions), std::end(kSoundTransitions),
                       [this](TSWFButtonSoundTransition transition) { return sound_.SoundIfAny(transition) != nullptr; });
}

int TFlashButton::MinVersion() const {
    int version = button2_ ? button2_->MinVersion() : 1;
    if (button1_) {
        if (const TSWFActionListBase* actions = button1_->ActionsIfAny()) version = std::max(version, actions->MinVersion());
    }
    if (HasSounds()) version = std::max(version, 2);
    return version;
}

void TFlashButton::WriteToStream(TBitsEngine& writer) {
    ButtonTag().WriteToStream(writer);
    if (HasSounds()) {
        sound_.ButtonID = GetCharacterId();
        sound_.WriteToStream(writer);
    }
}

}  // namespace pellicor
