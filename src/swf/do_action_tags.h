#pragma once

#include <cstdint>
#include <memory>

#include "swf/action_list.h"
#include "swf/swf_object.h"
#include "util/owned_or_lent.h"

namespace pellicor {

// DoAction (12): the actions, then ActionEnd (0), always. A copy (Assign, Clone) owns a copy
// of the actions, also when the source works over a borrowed list.
class TSWFDoAction : public TSWFValueTag<TSWFDoAction> {
public:
    // Over a new list of its own.
    TSWFDoAction() : TSWFValueTag(tagDoAction) {}
    // Over an existing list, which it does not free.
    explicit TSWFDoAction(TSWFActionList& actions) : TSWFValueTag(tagDoAction), actions_(actions) {}

    TSWFActionList& Actions() { return *actions_; }
    const TSWFActionList& Actions() const { return *actions_; }
    bool OwnsActions() const { return actions_.Owns(); }

    // The largest MinVersion of the actions, at least 3.
    int MinVersion() const override;
    // engine.Context.ParseActions selects records or one raw byte-code record.
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFDoAction(std::uint16_t tagID) : TSWFValueTag(tagID) {}
    TSWFDoAction(std::uint16_t tagID, TSWFActionList& actions) : TSWFValueTag(tagID), actions_(actions) {}

private:
    TOwnedOrLent<TSWFActionList> actions_;
};

// DoInitAction (59): SpriteID (UI16), then the DoAction body.
class TSWFDoInitAction : public TSWFValueTag<TSWFDoInitAction, TSWFDoAction> {
public:
    TSWFDoInitAction() : TSWFValueTag(tagDoInitAction) {}
    explicit TSWFDoInitAction(TSWFActionList& actions) : TSWFValueTag(tagDoInitAction, actions) {}

    std::uint16_t SpriteID = 0;

    // 6, or more when the actions need it.
    int MinVersion() const override;
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
