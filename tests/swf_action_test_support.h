#pragma once

// Writing action records and lists to bytes and reading lists back, for the action tests.

#include <memory>

#include "swf/action_list.h"
#include "swf_test_support.h"

namespace pellicor::test {

// One record as WriteToStream writes it.
inline Bytes RecordBytes(TSWFAction& action) {
    return WrittenBytes([&](TBitsEngine& engine) { action.WriteToStream(engine); });
}

// The records of a list, as WriteActions writes them.
inline Bytes ListBytes(TSWFActionList& list) {
    return WrittenBytes([&](TBitsEngine& engine) { list.WriteActions(engine); });
}

// A list parsed from bytes, its records parsed too.
inline std::unique_ptr<TSWFActionList> ReadList(const Bytes& bytes) {
    TMemoryStream stream(bytes);
    TBitsEngine engine(stream);
    auto list = std::make_unique<TSWFActionList>();
    list->ReadActions(engine, true);
    return list;
}

}  // namespace pellicor::test
