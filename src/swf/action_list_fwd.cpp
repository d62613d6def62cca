#include "swf/action_list_fwd.h"

namespace pellicor {

namespace {
TSWFActionListMaker& Maker() {
    static TSWFActionListMaker maker = nullptr;
    return maker;
}
}  // namespace

bool RegisterSWFActionListMaker(TSWFActionListMaker maker) {
    Maker() = maker;
    return true;
}

std::unique_ptr<TSWFActionListBase> NewSWFActionList(bool parse) {
    if (parse && Maker()) return Maker()();
    return std::make_unique<TSWFRawActionList>();
}

void WriteActionsWithEnd(TBitsEngine& engine, TSWFActionListBase& actions) {
    actions.WriteActions(engine);
    if (!actions.EndsWithActionEnd()) engine.WriteByte(0);
}

}  // namespace pellicor
