#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/flash_object.h"
#include "swf/action_list.h"
#include "swf/action_records.h"
#include "util/owned_or_lent.h"

namespace pellicor {

// Builds an action list: frame actions (over a list of its own, written as one DoAction tag),
// button actions and clip actions (over a list that belongs to the button or placement).
// Each operation appends one action record.
class TFlashActionScript : public TFlashObject {
public:
    // Without a list the script creates and owns its own.
    explicit TFlashActionScript(TFlashMovie* owner = nullptr, TSWFActionList* list = nullptr);
    ~TFlashActionScript() override;

    TSWFActionList& Actions() const { return *actions_; }
    bool OwnsActions() const { return actions_.Owns(); }
    // Points the script at another list, which it does not own (an owned list is freed).
    void SetActions(TSWFActionList& list);

    void Add2();
    void CallMethod();
    void ConstantPool(const std::vector<std::string>& strings);
    void GetMember();
    void GetTime();
    void GetUrl(const std::string& url, const std::string& target);
    void GetUrl2(std::uint8_t sendVarsMethod, bool loadTarget, bool loadVariables);
    void GetVariable();
    TSWFActionJump& Jump();
    TSWFActionIf& If();
    void Less2();
    void Not();
    void Play();
    void Pop();
    // Appends the values to the last action when it is a Push, else to a new Push. Each value
    // takes the type at the same index of types (pushInferType, or a missing entry, infers it).
    TSWFActionPush& Push(const std::vector<TPushVariant>& values, const std::vector<std::uint8_t>& types = {});
    // Places the branch target of a Jump or If (or, with none, a new marker) at the current
    // end of the list, with jumpToBack as its flag (a new marker gets true).
    TSWFOffsetMarker& SetMarker(TSWFOffsetMarker* marker = nullptr, bool jumpToBack = false);
    void SetProperty();
    void SetVariable();
    void Stop();
    void Subtract();

    // A copy owns a copy of the list, whoever owns the original's (the copy may outlive it).
    std::unique_ptr<TFlashActionScript> Clone() const { return std::make_unique<TFlashActionScript>(*this); }
    // Copies the actions into the list this script works over: its own, or the one a button
    // or placement lent it, which stays lent (so this is not the value copy of Clone). A
    // script over a lent list gets a list of its own first when the source owns its list.
    void Assign(const TBasedSWFObject& source) override;
    // The highest need of the actions, at least 1.
    int MinVersion() const override;
    // One DoAction tag holding the list.
    void WriteToStream(TBitsEngine& writer) override;

private:
    template <class T>
    T& Add() {
        return actions_->Add<T>();
    }

    TOwnedOrLent<TSWFActionList> actions_;
};

// The holder's actions (a clip action record, a button condition action, DefineButton) as
// a list that can be appended to. Raw byte code (a tag read without parsing its actions)
// moves into a byte-code record of a new list, without its closing ActionEnd.
template <class Holder>
TSWFActionList& AppendableActions(Holder& holder) {
    if (auto* list = dynamic_cast<TSWFActionList*>(&holder.Actions())) return *list;
    auto parsed = std::make_unique<TSWFActionList>();
    if (const auto* raw = dynamic_cast<const TSWFRawActionList*>(holder.ActionsIfAny())) {
        std::vector<std::uint8_t> bytes = raw->Bytes;
        if (!bytes.empty() && bytes.back() == actionEnd) bytes.pop_back();
        if (!bytes.empty()) parsed->Add(std::make_unique<TSWFActionByteCode>(std::move(bytes)));
    }
    TSWFActionList& result = *parsed;
    holder.SetActions(std::move(parsed));
    return result;
}

}  // namespace pellicor
