#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// End (0): empty body.
class TSWFEnd : public TSWFValueTag<TSWFEnd> {
public:
    TSWFEnd() : TSWFValueTag(tagEnd) {}
};

// ShowFrame (1): empty body.
class TSWFShowFrame : public TSWFValueTag<TSWFShowFrame> {
public:
    TSWFShowFrame() : TSWFValueTag(tagShowFrame) {}
};

// SetBackgroundColor (9): RGB.
class TSWFSetBackgroundColor : public TSWFValueTag<TSWFSetBackgroundColor> {
public:
    TSWFSetBackgroundColor() : TSWFValueTag(tagSetBackgroundColor) {}
    TSWFRGB Color;

    void ReadFromStream(TBitsEngine& engine) override { Color = engine.ReadRGB(); }
    void WriteTagBody(TBitsEngine& engine) override { engine.WriteRGB(Color); }
};

// FrameLabel (43): Name, then the byte 1 for a named anchor.
class TSWFFrameLabel : public TSWFValueTag<TSWFFrameLabel> {
public:
    TSWFFrameLabel() : TSWFValueTag(tagFrameLabel) {}
    std::string Name;
    bool NamedAnchor = false;

    int MinVersion() const override { return NamedAnchor ? 6 : 3; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// ScriptLimits (65): MaxRecursionDepth, ScriptTimeoutSeconds.
class TSWFScriptLimits : public TSWFValueTag<TSWFScriptLimits> {
public:
    TSWFScriptLimits() : TSWFValueTag(tagScriptLimits) {}
    std::uint16_t MaxRecursionDepth = 0;
    std::uint16_t ScriptTimeoutSeconds = 0;

    int MinVersion() const override { return 7; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// SetTabIndex (66): Depth, TabIndex.
class TSWFSetTabIndex : public TSWFValueTag<TSWFSetTabIndex> {
public:
    TSWFSetTabIndex() : TSWFValueTag(tagSetTabIndex) {}
    std::uint16_t Depth = 0;
    std::uint16_t TabIndex = 0;

    int MinVersion() const override { return 7; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

// Protect (24): the reserved UI16 0 and the MD5-crypt hash of the password; an empty body
// when there is no password of either kind.
class TSWFProtect : public TSWFValueTag<TSWFProtect> {
public:
    TSWFProtect() : TSWFValueTag(tagProtect) {}
    // Plain text; when set, writing stores its hash in EncodedPassword (a fresh random salt,
    // unless EncodedPassword already is a hash of this password).
    std::string Password;
    // The hash text, written as it is when there is no Password (a tag read from a file).
    std::string EncodedPassword;

    int MinVersion() const override { return Password.empty() && EncodedPassword.empty() ? 2 : 5; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFProtect(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// EnableDebugger (58): the body of Protect.
class TSWFEnableDebugger : public TSWFValueTag<TSWFEnableDebugger, TSWFProtect> {
public:
    TSWFEnableDebugger() : TSWFValueTag(tagEnableDebugger) {}
    int MinVersion() const override { return 5; }

protected:
    explicit TSWFEnableDebugger(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// EnableDebugger2 (64): the body of Protect.
class TSWFEnableDebugger2 : public TSWFValueTag<TSWFEnableDebugger2, TSWFEnableDebugger> {
public:
    TSWFEnableDebugger2() : TSWFValueTag(tagEnableDebugger2) {}
    int MinVersion() const override { return 6; }
};

struct TSWFAsset {
    std::string Name;
    std::uint16_t CharacterID = 0;
    bool operator==(const TSWFAsset&) const = default;
};

// ExportAssets (56): Count, then (character id, name) pairs.
class TSWFExportAssets : public TSWFValueTag<TSWFExportAssets> {
public:
    TSWFExportAssets() : TSWFValueTag(tagExportAssets) {}
    std::vector<TSWFAsset> Assets;

    void AddAsset(const std::string& name, std::uint16_t characterID) { Assets.push_back({name, characterID}); }
    int MinVersion() const override { return 5; }
    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;

protected:
    explicit TSWFExportAssets(std::uint16_t tagID) : TSWFValueTag(tagID) {}
};

// ImportAssets (57): URL, then the ExportAssets layout.
class TSWFImportAssets : public TSWFValueTag<TSWFImportAssets, TSWFExportAssets> {
public:
    TSWFImportAssets() : TSWFValueTag(tagImportAssets) {}
    std::string URL;

    void ReadFromStream(TBitsEngine& engine) override;
    void WriteTagBody(TBitsEngine& engine) override;
};

}  // namespace pellicor
