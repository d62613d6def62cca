#include "swf/do_action_tags.h"

#include <algorithm>

namespace pellicor {

TSWFDoAction::TSWFDoAction(std::uint16_t tagID, TSWFActionList* borrowed) : TSWFObject(tagID) {
    if (borrowed) {
        actions_ = borrowed;
    } else {
        ownedActions_ = std::make_unique<TSWFActionList>();
        actions_ = ownedActions_.get();
    }
}

void TSWFDoAction::Assign(const TBasedSWFObject& source) {
    TSWFObject::Assign(source);
    const auto& doAction = AssignSource<TSWFDoAction>(source);
    if (&doAction == this) return;
    ownedActions_ = doAction.Actions().Clone();
    actions_ = ownedActions_.get();
}

int TSWFDoAction::MinVersion() const {
    return std::max(3, actions_->MinVersion());
}

void TSWFDoAction::ReadFromStream(TBitsEngine& engine) {
    actions_->ReadActions(engine, engine.Context.ParseActions);
}

void TSWFDoAction::WriteTagBody(TBitsEngine& engine) {
    actions_->WriteActions(engine);
    engine.WriteByte(actionEnd);
}

void TSWFDoInitAction::Assign(const TBasedSWFObject& source) {
    TSWFDoAction::Assign(source);
    SpriteID = AssignSource<TSWFDoInitAction>(source).SpriteID;
}

int TSWFDoInitAction::MinVersion() const {
    return std::max(6, Actions().MinVersion());
}

void TSWFDoInitAction::ReadFromStream(TBitsEngine& engine) {
    SpriteID = engine.ReadWord();
    TSWFDoAction::ReadFromStream(engine);
}

void TSWFDoInitAction::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(SpriteID);
    TSWFDoAction::WriteTagBody(engine);
}

}  // namespace pellicor
