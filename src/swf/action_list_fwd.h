#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/bits_engine.h"

namespace pellicor {

// What tags that carry action records (the clip actions of PlaceObject2) need from an
// action list, without depending on the action classes. The action list of
// swf/action_list.h derives from this; NewSWFActionList makes one when actions are parsed,
// else a list kept as raw byte code (TSWFRawActionList).
class TSWFActionListBase {
public:
    virtual ~TSWFActionListBase() = default;

    // Writes the records in order, with no closing ActionEnd of its own.
    virtual void WriteActions(TBitsEngine& engine) = 0;
    // True when the written bytes already end with ActionEnd (0): the last record has code
    // 0, or the list ends with raw bytes whose last byte is 0.
    virtual bool EndsWithActionEnd() const = 0;
    // Replaces the contents with the records read from the engine, which holds exactly the
    // list's bytes (including a closing ActionEnd, when the data has one). Bad data throws
    // ESWFError.
    virtual void ReadActions(TBitsEngine& engine) = 0;
    // The lowest SWF version the records need.
    virtual int MinVersion() const = 0;
    virtual std::unique_ptr<TSWFActionListBase> CloneList() const = 0;
};

// Action byte code kept as it is.
class TSWFRawActionList : public TSWFActionListBase {
public:
    std::vector<std::uint8_t> Bytes;

    void WriteActions(TBitsEngine& engine) override { engine.WriteBytes(Bytes); }
    bool EndsWithActionEnd() const override { return !Bytes.empty() && Bytes.back() == 0; }
    void ReadActions(TBitsEngine& engine) override { Bytes = engine.ReadRest(); }
    int MinVersion() const override { return 3; }
    std::unique_ptr<TSWFActionListBase> CloneList() const override {
        return std::make_unique<TSWFRawActionList>(*this);
    }
};

// A new empty list: an action list (TSWFActionList) when parse is on, else raw byte code.
std::unique_ptr<TSWFActionListBase> NewSWFActionList(bool parse = true);

// Writes the list and then ActionEnd unless the list already ends with one.
void WriteActionsWithEnd(TBitsEngine& engine, TSWFActionListBase& actions);

}  // namespace pellicor
