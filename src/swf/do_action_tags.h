#pragma once

#include <cstdint>
#include <memory>

#include "swf/action_list.h"
#include "swf/swf_object.h"

namespace pellicor {

// DoAction (12): the actions, then ActionEnd (0), always.
class TSWFDoAction : public TSWFObject {
public:
    // Over a new list of its own.
    TSWFDoAction() : TSWFDoAction(tagDoAction, nullptr) {}
    // Over an existing list, which it does not free.
    explicit TSWFDoAction(TSWFActionList& actions) : TSWFDoAction(tagDoAction, &actions) {}

    TSWFActionList& Actions() { return *actions_; }
    const TSWFActionList& Actions() const { return *actions_; }
    bool OwnsActions() const { return ownedActions_ != nullptr; }

    // Copies the source's actions into a list of its own.
    void Assign(const TBasedSWFObject& source) override;
    // The largest MinVersion of the actions, at least 3.
    int MinVersion() const override;
    // engine.Context.ParseActions selects records or one raw byte-code record.
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    TSWFDoAction(std::uint16_t tagID, TSWFActionList* borrowed);

private:
    std::unique_ptr<TSWFActionList> ownedActions_;
    TSWFActionList* actions_;
};

// DoInitAction (59): SpriteID (UI16), then the DoAction body.
class TSWFDoInitAction : public TSWFDoAction {
public:
    TSWFDoInitAction() : TSWFDoAction(tagDoInitAction, nullptr) {}
    explicit TSWFDoInitAction(TSWFActionList& actions) : TSWFDoAction(tagDoInitAction, &actions) {}

    std::uint16_t SpriteID = 0;

    void Assign(const TBasedSWFObject& source) override;
    // 6, or more when the actions need it.
    int MinVersion() const override;
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
