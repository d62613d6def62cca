#include "swf/action_list.h"

#include <algorithm>
#include <map>

namespace pellicor {

namespace {

// The record as its parsed object writes it.
std::vector<std::uint8_t> WrittenRecord(TSWFAction& action) {
    TMemoryStream stream;
    TBitsEngine engine(stream);
    action.WriteToStream(engine);
    return stream.TakeBytes();
}

// The parsed record for the bytes of one whole record, or raw byte code for codes without
// a class and for payloads whose parsed form would write back other bytes.
std::unique_ptr<TSWFAction> ParseRecord(std::span<const std::uint8_t> record) {
    const std::uint8_t code = record[0];
    std::unique_ptr<TSWFAction> action;
    if (code != actionEnd && code < actionByteCode) action = CreateSWFAction(code);
    if (action) {
        const std::size_t header = code >= 0x80 ? 3 : 1;
        action->Length = static_cast<std::uint16_t>(record.size() - header);
        TMemoryStream payload(record.data() + header, record.size() - header);
        TBitsEngine engine(payload);
        try {
            action->ReadActionBody(engine);
        } catch (const ESWFError& error) {
            throw ESWFReadError(std::string("Action ") + SWFActionName(code) + ": " + error.what());
        }
        try {
            const std::vector<std::uint8_t> written = WrittenRecord(*action);
            if (std::equal(written.begin(), written.end(), record.begin(), record.end())) return action;
        } catch (const ESWFError&) {
            // e.g. an address that grows past the payload limit when written as UTF-8
        }
    }
    return std::make_unique<TSWFActionByteCode>(std::vector<std::uint8_t>(record.begin(), record.end()));
}

}  // namespace

TSWFActionList::~TSWFActionList() = default;

TSWFAction& TSWFActionList::Add(std::unique_ptr<TSWFAction> action) {
    return Insert(actions_.size(), std::move(action));
}

TSWFAction& TSWFActionList::Insert(std::size_t index, std::unique_ptr<TSWFAction> action) {
    if (!action) throw ESWFError("No action to add to the action list");
    if (index > actions_.size()) throw ESWFError("Action list index out of range");
    if (auto* marker = dynamic_cast<TSWFOffsetMarker*>(action.get())) marker->place_.ManagedByList = true;
    actions_.insert(actions_.begin() + static_cast<std::ptrdiff_t>(index), std::move(action));
    return *actions_[index];
}

TSWFOffsetMarker& TSWFActionList::AddMarker(std::string label) {
    auto marker = std::make_unique<TSWFOffsetMarker>();
    marker->Label = std::move(label);
    return static_cast<TSWFOffsetMarker&>(Add(std::move(marker)));
}

TSWFOffsetMarker& TSWFActionList::PlaceMarker(TSWFOffsetMarker& marker) {
    if (marker.ManagedByList()) throw ESWFError("The marker is already in an action list");
    if (!marker.place_.Owner) throw ESWFError("The marker belongs to no record; add it to the list as a new object");
    return static_cast<TSWFOffsetMarker&>(Add(marker.place_.Owner->ReleaseOwned()));
}

TSWFActionList::TSWFActionList(const TSWFActionList& source) : TSWFActionListBase(source) {
    // A copied record still shares the source's markers (TSWFMarkerLink): point those at the
    // copies made here.
    std::map<const TSWFOffsetMarker*, TSWFOffsetMarker*> copies;
    for (const auto& action : source.actions_) {
        TSWFAction& copy = Add(action->Clone());
        if (auto* marker = dynamic_cast<TSWFOffsetMarker*>(&copy))
            copies[static_cast<const TSWFOffsetMarker*>(action.get())] = marker;
    }
    for (const auto& action : actions_) {
        for (TSWFMarkedField* field : action->MarkedFields()) {
            if (field->Link.OwnsMarker()) continue;
            const auto found = copies.find(field->Link.Get());
            if (found != copies.end()) field->Link.Set(found->second);
        }
    }
}

TSWFActionList& TSWFActionList::operator=(const TSWFActionList& source) {
    if (&source != this) {
        TSWFActionList copy(source);
        actions_.swap(copy.actions_);
    }
    return *this;
}

void TSWFActionList::ReadActions(TBitsEngine& engine, bool parse) {
    std::vector<std::uint8_t> bytes = engine.ReadRest();
    Clear();
    if (parse) {
        ParseActions(bytes);
        return;
    }
    if (!bytes.empty() && bytes.back() == actionEnd) bytes.pop_back();
    if (!bytes.empty()) Add(std::make_unique<TSWFActionByteCode>(std::move(bytes)));
}

void TSWFActionList::ParseActions(std::span<const std::uint8_t> bytes) {
    struct TReadRecord {
        std::unique_ptr<TSWFAction> Action;
        std::int64_t Start;
        std::int64_t End;
    };
    std::vector<TReadRecord> records;
    std::vector<std::int64_t> starts;
    std::size_t position = 0;
    std::size_t listEnd = bytes.size();
    while (position < bytes.size()) {
        const std::uint8_t code = bytes[position];
        if (code == actionEnd && position + 1 == bytes.size()) {
            listEnd = position;  // the closing ActionEnd
            break;
        }
        std::size_t recordEnd = position + 1;
        if (code >= 0x80) {
            if (bytes.size() - position < 3)
                throw ESWFReadError(std::string("Action ") + SWFActionName(code) + " is cut off in its header");
            recordEnd = position + 3 + (bytes[position + 1] | (bytes[position + 2] << 8));
            if (recordEnd > bytes.size())
                throw ESWFReadError(std::string("Action ") + SWFActionName(code) + " runs past the end of its list");
        }
        records.push_back({ParseRecord(bytes.subspan(position, recordEnd - position)),
                           static_cast<std::int64_t>(position), static_cast<std::int64_t>(recordEnd)});
        starts.push_back(static_cast<std::int64_t>(position));
        position = recordEnd;
    }

    // Branch targets and block ends on a record boundary (or at the end of the list) become
    // markers, one per position, shared by the records that refer to it.
    const auto onBoundary = [&](std::int64_t target) {
        return target == static_cast<std::int64_t>(listEnd) || std::binary_search(starts.begin(), starts.end(), target);
    };
    std::map<std::int64_t, std::unique_ptr<TSWFOffsetMarker>> markers;
    for (const TReadRecord& record : records) {
        std::int64_t base = record.End;
        for (TSWFMarkedField* field : record.Action->MarkedFields()) {
            const std::int64_t target = base + field->Value();
            base = target;
            if (!onBoundary(target)) continue;
            auto& marker = markers[target];
            if (!marker) marker = std::make_unique<TSWFOffsetMarker>();
            if (target > record.Start) marker->JumpToBack = false;
            field->Link.Set(marker.get());
            field->Static = false;
        }
    }

    auto nextMarker = markers.begin();
    for (TReadRecord& record : records) {
        for (; nextMarker != markers.end() && nextMarker->first <= record.Start; ++nextMarker)
            Add(std::move(nextMarker->second));
        Add(std::move(record.Action));
    }
    for (; nextMarker != markers.end(); ++nextMarker) Add(std::move(nextMarker->second));
}

void TSWFActionList::WriteActions(TBitsEngine& engine) {
    for (const auto& action : actions_) {
        if (auto* marker = dynamic_cast<TSWFOffsetMarker*>(action.get())) marker->ResetPass();
        for (TSWFMarkedField* field : action->MarkedFields())
            if (TSWFOffsetMarker* marker = field->Link.Get()) marker->ResetPass();
    }
    for (const auto& action : actions_) action->WriteToStream(engine);
}

bool TSWFActionList::EndsWithActionEnd() const {
    for (auto it = actions_.rbegin(); it != actions_.rend(); ++it) {
        const TSWFAction& action = **it;
        if (action.ActionCode() == actionOffsetMarker) continue;
        if (const auto* code = dynamic_cast<const TSWFActionByteCode*>(&action)) return code->EndsWithActionEnd();
        return action.ActionCode() == actionEnd;
    }
    return false;
}

int TSWFActionList::MinVersion() const {
    int version = 1;
    for (const auto& action : actions_) version = std::max(version, action->MinVersion());
    return version;
}

std::unique_ptr<TSWFActionListBase> NewSWFActionList(bool parse) {
    if (parse) return std::make_unique<TSWFActionList>();
    return std::make_unique<TSWFRawActionList>();
}

void WriteActionsWithEnd(TBitsEngine& engine, TSWFActionListBase& actions) {
    actions.WriteActions(engine);
    if (!actions.EndsWithActionEnd()) engine.WriteByte(0);
}

}  // namespace pellicor
