#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/action_list_fwd.h"
#include "swf/actions.h"

namespace pellicor {

// An ordered, owning list of action records, with the markers that branches and block sizes
// refer to.
//
// Building:
//     TSWFActionList list;
//     auto& push = list.Add<TSWFActionPush>();
//     push.AddValue("msStart");                  // string, inferred
//     push.AddValue(5);                          // integer, inferred
//     push.AddValue(2, pushConstant8);           // explicit type
//     auto& skip = list.Add<TSWFActionIf>();     // forward: branch past the Stop
//     list.Add<TSWFActionStop>();
//     list.PlaceMarker(skip.Marker());           // the If's marker, placed here
//     auto& loop = list.AddMarker("loop");       // backward: a marker first ...
//     list.Add<TSWFActionPlay>();
//     list.Add<TSWFActionJump>().SetMarker(&loop);  // ... then the branch to it
//
// A marker may be referred to by any number of records of the same list, before or after it.
// Records and their markers must belong to the same list.
class TSWFActionList : public TSWFActionListBase {
public:
    TSWFActionList() = default;
    ~TSWFActionList() override;
    // A copy holds copies of every record, and the fields that refer to the source's
    // markers refer to the copies of those markers.
    TSWFActionList(const TSWFActionList& source);
    TSWFActionList& operator=(const TSWFActionList& source);

    std::size_t Count() const { return actions_.size(); }
    bool Empty() const { return actions_.empty(); }
    TSWFAction& operator[](std::size_t index) const { return *actions_.at(index); }
    TSWFAction* Last() const { return actions_.empty() ? nullptr : actions_.back().get(); }
    const std::vector<std::unique_ptr<TSWFAction>>& Items() const { return actions_; }

    // Appends a record; the list owns it (a marker becomes ManagedByList).
    TSWFAction& Add(std::unique_ptr<TSWFAction> action);
    template <class T>
    T& Add() {
        return static_cast<T&>(Add(std::make_unique<T>()));
    }
    TSWFAction& Insert(std::size_t index, std::unique_ptr<TSWFAction> action);
    // A new marker at the end of the list.
    TSWFOffsetMarker& AddMarker(std::string label = {});
    // Places a record's own marker (one created by Marker() or EndMarker()) at the end of the
    // list, which takes it over; ESWFError when it is already in a list or owned by no record.
    TSWFOffsetMarker& PlaceMarker(TSWFOffsetMarker& marker);
    void Clear() { actions_.clear(); }

    std::unique_ptr<TSWFActionList> Clone() const { return std::make_unique<TSWFActionList>(*this); }

    // Replaces the contents with the action bytes the engine holds from its position to the
    // end. parse: into records (a closing ActionEnd is dropped, since writers add it; records
    // without a class, pseudo codes, and records whose parsed form would not write back the
    // same bytes are kept as raw byte code; branches and block sizes that end on a record
    // boundary become markers, others keep their fixed values). Otherwise one raw byte-code
    // record (without the closing ActionEnd). Truncated records throw ESWFReadError.
    void ReadActions(TBitsEngine& engine, bool parse);

    // Writes the records in order (no ActionEnd).
    void WriteActions(TBitsEngine& engine) override;
    // True when the last written record is ActionEnd (markers write nothing).
    bool EndsWithActionEnd() const override;
    void ReadActions(TBitsEngine& engine) override { ReadActions(engine, true); }
    // The largest MinVersion of the records; 1 for an empty list.
    int MinVersion() const override;
    std::unique_ptr<TSWFActionListBase> CloneList() const override { return Clone(); }

private:
    void ParseActions(std::span<const std::uint8_t> bytes);

    std::vector<std::unique_ptr<TSWFAction>> actions_;
};

}  // namespace pellicor
