#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// End (0): empty body.
class TSWFEnd : public TSWFObject {
public:
    TSWFEnd() : TSWFObject(tagEnd) {}
};

// ShowFrame (1): empty body.
class TSWFShowFrame : public TSWFObject {
public:
    TSWFShowFrame() : TSWFObject(tagShowFrame) {}
};

// SetBackgroundColor (9): RGB.
class TSWFSetBackgroundColor : public TSWFObject {
public:
    TSWFSetBackgroundColor() : TSWFObject(tagSetBackgroundColor) {}
    TSWFRGB Color;

    void Assign(const TBasedSWFObject& source) override;
    void ReadFromStream(TBitsEngine& engine) override { Color = engine.ReadRGB(); }
    void WriteTagBody(TBitsEngine& engine) override { engine.WriteRGB(Color); }
};

// FrameLabel (43): Name, then the byte 1 for a named anchor.
class TSWFFrameLabel : public TSWFObject {
public:
    TSWFFrameLabel() : TSWFObject(tagFrameLabel) {}
    std::string Name;
    bool NamedAnchor = false;

    void Assign(const TBasedSWFObject& source) override;
    int MinVersion() const override { return NamedAnchor ? 6 : 3; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// ScriptLimits (65): MaxRecursionDepth, ScriptTimeoutSeconds.
class TSWFScriptLimits : public TSWFObject {
public:
    TSWFScriptLimits() : TSWFObject(tagScriptLimits) {}
    std::uint16_t MaxRecursionDepth = 0;
    std::uint16_t ScriptTimeoutSeconds = 0;

    void Assign(const TBasedSWFObject& source) override;
    int MinVersion() const override { return 7; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// SetTabIndex (66): Depth, TabIndex.
class TSWFSetTabIndex : public TSWFObject {
public:
    TSWFSetTabIndex() : TSWFObject(tagSetTabIndex) {}
    std::uint16_t Depth = 0;
    std::uint16_t TabIndex = 0;

    void Assign(const TBasedSWFObject& source) override;
    int MinVersion() const override { return 7; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
