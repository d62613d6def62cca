#pragma once

#include <cstdint>

#include "swf/swf_object.h"

namespace pellicor {

// DefineSprite (39): SpriteID, FrameCount, the control tags (each a whole tag), End.
class TSWFDefineSprite : public TSWFValueTag<TSWFDefineSprite> {
public:
    TSWFDefineSprite() : TSWFValueTag(tagDefineSprite) {}
    std::uint16_t SpriteID = 0;
    std::uint16_t FrameCount = 0;
    // Owned. Reading stops at the sprite's End tag, which is not kept in the list.
    TSWFObjectList ControlTags;

    // 3, or more when a control tag needs more.
    int MinVersion() const override;
    // Inner tags are parsed through the tag factory with the engine's context; a nested
    // DefineSprite (not allowed by the format) stays raw, so nesting cannot recurse.
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
