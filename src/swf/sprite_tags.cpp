#include "swf/sprite_tags.h"

#include <algorithm>

#include "swf/tag_factory.h"

namespace pellicor {

int TSWFDefineSprite::MinVersion() const {
    int version = 3;
    for (const auto& tag : ControlTags) version = std::max(version, tag->MinVersion());
    return version;
}

void TSWFDefineSprite::ReadFromStream(TBitsEngine& engine) {
    ControlTags.clear();
    SpriteID = engine.ReadWord();
    FrameCount = engine.ReadWord();
    while (engine.BytesLeft() > 0) {
        const std::uint64_t start = engine.Position();
        const TSWFTagHeader header = ReadSWFTagHeader(engine);
        if (header.Code == tagEnd) break;
        engine.Stream().Seek(start);
        ControlTags.push_back(ReadSWFTag(engine, header.Code != tagDefineSprite));
    }
}

void TSWFDefineSprite::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(SpriteID);
    engine.WriteWord(FrameCount);
    for (const auto& tag : ControlTags) tag->WriteToStream(engine);
    if (ControlTags.empty() || ControlTags.back()->TagID() != tagEnd) engine.WriteWord(0);
}

}  // namespace pellicor
