#include "swf/control_tags.h"

#include "swf/md5_crypt.h"

namespace pellicor {

void TSWFFrameLabel::ReadFromStream(TBitsEngine& engine) {
    Name = engine.ReadString();
    NamedAnchor = engine.BytesLeft() > 0 && engine.ReadByte() == 1;
}

void TSWFFrameLabel::WriteTagBody(TBitsEngine& engine) {
    engine.WriteString(Name);
    if (NamedAnchor) engine.WriteByte(1);
}

void TSWFScriptLimits::ReadFromStream(TBitsEngine& engine) {
    MaxRecursionDepth = engine.ReadWord();
    ScriptTimeoutSeconds = engine.ReadWord();
}

void TSWFScriptLimits::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(MaxRecursionDepth);
    engine.WriteWord(ScriptTimeoutSeconds);
}

void TSWFSetTabIndex::ReadFromStream(TBitsEngine& engine) {
    Depth = engine.ReadWord();
    TabIndex = engine.ReadWord();
}

void TSWFSetTabIndex::WriteTagBody(TBitsEngine& engine) {
    engine.WriteWord(Depth);
    engine.WriteWord(TabIndex);
}

void TSWFProtect::ReadFromStream(TBitsEngine& engine) {
    Password.clear();
    EncodedPassword.clear();
    if (engine.BytesLeft() == 0) return;
    engine.ReadWord();  // reserved
    if (engine.BytesLeft() > 0) EncodedPassword = engine.ReadString();
}

void TSWFProtect::WriteTagBody(TBitsEngine& engine) {
    if (!Password.empty()) {
        const std::string salt = MD5CryptSalt(EncodedPassword);
        if (salt.size() != 2 || MD5Crypt(Password, salt) != EncodedPassword) EncodedPassword = MD5Crypt(Password);
    }
    if (EncodedPassword.empty()) return;
    engine.WriteWord(0);
    engine.WriteString(EncodedPassword);
}

void TSWFExportAssets::ReadFromStream(TBitsEngine& engine) {
    Assets.clear();
    const std::uint16_t count = engine.ReadWord();
    for (std::uint16_t i = 0; i < count; ++i) {
        TSWFAsset asset;
        asset.CharacterID = engine.ReadWord();
        asset.Name = engine.ReadString();
        Assets.push_back(std::move(asset));
    }
}

void TSWFExportAssets::WriteTagBody(TBitsEngine& engine) {
    if (Assets.size() > 0xFFFF) throw ESWFError("ExportAssets holds more than 65535 names");
    engine.WriteWord(static_cast<std::uint16_t>(Assets.size()));
    for (const auto& asset : Assets) {
        engine.WriteWord(asset.CharacterID);
        engine.WriteString(asset.Name);
    }
}

void TSWFImportAssets::ReadFromStream(TBitsEngine& engine) {
    URL = engine.ReadString();
    TSWFExportAssets::ReadFromStream(engine);
}

void TSWFImportAssets::WriteTagBody(TBitsEngine& engine) {
    engine.WriteString(URL);
    TSWFExportAssets::WriteTagBody(engine);
}

}  // namespace pellicor
