#include "swf/do_action_tags.h"

#include <algorithm>

namespace pellicor {

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
