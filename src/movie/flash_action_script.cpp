#include "movie/flash_action_script.h"

#include <algorithm>

#include "swf/do_action_tags.h"

namespace pellicor {

TFlashActionScript::TFlashActionScript(TFlashMovie* owner, TSWFActionList* list)
    : TFlashObject(owner), actions_(list ? TOwnedOrLent<TSWFActionList>(*list) : TOwnedOrLent<TSWFActionList>()) {}

TFlashActionScript::~TFlashActionScript() = default;

void TFlashActionScript::SetActions(TSWFActionList& list) {
    if (&list == &*actions_) return;
    actions_ = TOwnedOrLent<TSWFActionList>(list);
}

void TFlashActionScript::Add2() { Add<TSWFActionAdd2>(); }
void TFlashActionScript::CallMethod() { Add<TSWFActionCallMethod>(); }

void TFlashActionScript::ConstantPool(const std::vector<std::string>& strings) {
    Add<TSWFActionConstantPool>().Constants = strings;
}

void TFlashActionScript::GetMember() { Add<TSWFActionGetMember>(); }
void TFlashActionScript::GetTime() { Add<TSWFActionGetTime>(); }

void TFlashActionScript::GetUrl(const std::string& url, const std::string& target) {
    auto& action = Add<TSWFActionGetURL>();
    action.URL = url;
    action.Target = target;
}

void TFlashActionScript::GetUrl2(std::uint8_t sendVarsMethod, bool loadTarget, bool loadVariables) {
    auto& action = Add<TSWFActionGetURL2>();
    action.SendVarsMethod = sendVarsMethod;
    action.LoadTargetFlag = loadTarget;
    action.LoadVariablesFlag = loadVariables;
}

void TFlashActionScript::GetVariable() { Add<TSWFActionGetVariable>(); }
TSWFActionJump& TFlashActionScript::Jump() { return Add<TSWFActionJump>(); }
TSWFActionIf& TFlashActionScript::If() { return Add<TSWFActionIf>(); }
void TFlashActionScript::Less2() { Add<TSWFActionLess2>(); }
void TFlashActionScript::Not() { Add<TSWFActionNot>(); }
void TFlashActionScript::Play() { Add<TSWFActionPlay>(); }
void TFlashActionScript::Pop() { Add<TSWFActionPop>(); }

TSWFActionPush& TFlashActionScript::Push(const std::vector<TPushVariant>& values, const std::vector<std::uint8_t>& types) {
    TSWFAction* last = actions_->Last();
    auto* push = last && last->ActionCode() == actionPush ? dynamic_cast<TSWFActionPush*>(last) : nullptr;
    if (!push) push = &Add<TSWFActionPush>();
    for (std::size_t i = 0; i < values.size(); ++i)
        push->AddValue(values[i], i < types.size() ? types[i] : pushInferType);
    return *push;
}

TSWFOffsetMarker& TFlashActionScript::SetMarker(TSWFOffsetMarker* marker, bool jumpToBack) {
    if (!marker) {
        TSWFOffsetMarker& added = actions_->AddMarker();
        added.JumpToBack = true;
        return added;
    }
    marker->JumpToBack = jumpToBack;
    return actions_->PlaceMarker(*marker);
}

void TFlashActionScript::SetProperty() { Add<TSWFActionSetProperty>(); }
void TFlashActionScript::SetVariable() { Add<TSWFActionSetVariable>(); }
void TFlashActionScript::Stop() { Add<TSWFActionStop>(); }
void TFlashActionScript::Subtract() { Add<TSWFActionSubtract>(); }

void TFlashActionScript::Assign(const TBasedSWFObject& source) {
    const auto& script = AssignSource<TFlashActionScript>(source);
    TFlashObject::Assign(source);
    if (&script == this) return;
    if (script.OwnsActions() && !OwnsActions()) actions_ = TOwnedOrLent<TSWFActionList>();
    *actions_ = script.Actions();
}

int TFlashActionScript::MinVersion() const { return std::max(1, actions_->MinVersion()); }

void TFlashActionScript::WriteToStream(TBitsEngine& writer) {
    TSWFDoAction tag(*actions_);
    tag.WriteToStream(writer);
}

}  // namespace pellicor
