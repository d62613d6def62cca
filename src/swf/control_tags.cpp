#include "swf/control_tags.h"

#include "swf/tag_factory.h"

namespace pellicor {

namespace {
[[maybe_unused]] const bool registered = RegisterSWFTagClasses({
    {tagEnd, &MakeSWFTag<TSWFEnd>},
    {tagShowFrame, &MakeSWFTag<TSWFShowFrame>},
    {tagSetBackgroundColor, &MakeSWFTag<TSWFSetBackgroundColor>},
    {tagFrameLabel, &MakeSWFTag<TSWFFrameLabel>},
    {tagScriptLimits, &MakeSWFTag<TSWFScriptLimits>},
    {tagSetTabIndex, &MakeSWFTag<TSWFSetTabIndex>},
});
}  // namespace

void TSWFSetBackgroundColor::Assign(const TBasedSWFObject& source) {
    TSWFObject::Assign(source);
    Color.Assign(AssignSource<TSWFSetBackgroundColor>(source).Color);
}

void TSWFFrameLabel::Assign(const TBasedSWFObject& source) {
    const auto& label = AssignSource<TSWFFrameLabel>(source);
    TSWFObject::Assign(source);
    Name = label.Name;
    NamedAnchor = label.NamedAnchor;
}

void TSWFFrameLabel::ReadFromStream(TBitsEngine& engine) {
    Name = engine.ReadString();
    NamedAnchor = engine.BytesLeft() > 0 && engine.ReadByte() == 1;
}

void TSWFFrameLabel::WriteTagBody(TBitsEngine& engine) {
    engine.WriteString(Name);
    if (NamedAnchor) engine.WriteByte(1);
}

void TSWFScriptLimits::Assign(const TBasedSWFObject& source) {
    const auto& limits = AssignSource<TSWFScriptLimits>(source);
    TSWFObject::Assign(source);
    MaxRecursionDepth = limits.MaxRecursionDepth;
    ScriptTimeoutSeconds = limits.ScriptTimeoutSeconds;
}

void TSWFScriptLimits::ReadFromStream(TBitsEngine& engine) {
    MaxRecursionDepth = engine.ReadWord();
    ScriptTimeoutSeconds = engine.ReadWord();
}

void TSWFScriptLimits::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(MaxRecursionDepth);
    engine.WriteWord(ScriptTimeoutSeconds);
}

void TSWFSetTabIndex::Assign(const TBasedSWFObject& source) {
    const auto& index = AssignSource<TSWFSetTabIndex>(source);
    TSWFObject::Assign(source);
    Depth = index.Depth;
    TabIndex = index.TabIndex;
}

void TSWFSetTabIndex::ReadFromStream(TBitsEngine& engine) {
    Depth = engine.ReadWord();
    TabIndex = engine.ReadWord();
}

void TSWFSetTabIndex::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(Depth);
    engine.WriteWord(TabIndex);
}

}  // namespace pellicor
