#include "swf/tag_factory.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace pellicor {

namespace {

std::map<std::uint16_t, TSWFTagMaker>& Registry() {
    static std::map<std::uint16_t, TSWFTagMaker> registry;
    return registry;
}

}  // namespace

bool RegisterSWFTagClasses(std::initializer_list<TSWFTagClass> classes) {
    auto& registry = Registry();
    for (const auto& tagClass : classes) {
        if (!registry.emplace(tagClass.Code, tagClass.Make).second) {
            std::fprintf(stderr, "SWF tag code %u registered twice\n", static_cast<unsigned>(tagClass.Code));
            std::abort();
        }
    }
    return true;
}

std::unique_ptr<TSWFObject> CreateSWFTag(std::uint16_t code) {
    const auto& registry = Registry();
    const auto found = registry.find(code);
    return found == registry.end() ? nullptr : found->second();
}

std::vector<std::uint16_t> RegisteredSWFTagCodes() {
    std::vector<std::uint16_t> codes;
    for (const auto& entry : Registry()) codes.push_back(entry.first);
    return codes;
}

std::unique_ptr<TSWFObject> ReadSWFTag(TBitsEngine& engine, bool parse, TSWFTagHeader* headerOut) {
    const TSWFTagHeader header = ReadSWFTagHeader(engine);
    if (headerOut) *headerOut = header;
    std::vector<std::uint8_t> body = engine.ReadBytes(header.Length);
    std::unique_ptr<TSWFObject> tag = parse ? CreateSWFTag(header.Code) : nullptr;
    if (tag) {
        try {
            ReadSWFTagBody(*tag, body, engine.Context);
            return tag;
        } catch (const ESWFError& error) {
            return std::make_unique<TSWFErrorTag>(header.Code, error.what(), std::move(body));
        }
    }
    auto raw = std::make_unique<TSWFRawTag>(header.Code);
    raw->Body = std::move(body);
    raw->LongHeader = header.LongHeader;
    raw->SetBodySize(header.Length);
    return raw;
}

const char* SWFTagName(std::uint16_t code) {
    switch (code) {
        case tagEnd: return "End";
        case tagShowFrame: return "ShowFrame";
        case tagDefineShape: return "DefineShape";
        case tagPlaceObject: return "PlaceObject";
        case tagRemoveObject: return "RemoveObject";
        case tagDefineBits: return "DefineBits";
        case tagDefineButton: return "DefineButton";
        case tagJPEGTables: return "JPEGTables";
        case tagSetBackgroundColor: return "SetBackgroundColor";
        case tagDefineFont: return "DefineFont";
        case tagDefineText: return "DefineText";
        case tagDoAction: return "DoAction";
        case tagDefineFontInfo: return "DefineFontInfo";
        case tagDefineSound: return "DefineSound";
        case tagStartSound: return "StartSound";
        case tagDefineButtonSound: return "DefineButtonSound";
        case tagSoundStreamHead: return "SoundStreamHead";
        case tagSoundStreamBlock: return "SoundStreamBlock";
        case tagDefineBitsLossless: return "DefineBitsLossless";
        case tagDefineBitsJPEG2: return "DefineBitsJPEG2";
        case tagDefineShape2: return "DefineShape2";
        case tagDefineButtonCxform: return "DefineButtonCxform";
        case tagProtect: return "Protect";
        case tagPlaceObject2: return "PlaceObject2";
        case tagRemoveObject2: return "RemoveObject2";
        case tagDefineShape3: return "DefineShape3";
        case tagDefineText2: return "DefineText2";
        case tagDefineButton2: return "DefineButton2";
        case tagDefineBitsJPEG3: return "DefineBitsJPEG3";
        case tagDefineBitsLossless2: return "DefineBitsLossless2";
        case tagDefineEditText: return "DefineEditText";
        case tagDefineSprite: return "DefineSprite";
        case tagFrameLabel: return "FrameLabel";
        case tagSoundStreamHead2: return "SoundStreamHead2";
        case tagDefineMorphShape: return "DefineMorphShape";
        case tagDefineFont2: return "DefineFont2";
        case tagExportAssets: return "ExportAssets";
        case tagImportAssets: return "ImportAssets";
        case tagEnableDebugger: return "EnableDebugger";
        case tagDoInitAction: return "DoInitAction";
        case tagDefineVideoStream: return "DefineVideoStream";
        case tagVideoFrame: return "VideoFrame";
        case tagDefineFontInfo2: return "DefineFontInfo2";
        case tagEnableDebugger2: return "EnableDebugger2";
        case tagScriptLimits: return "ScriptLimits";
        case tagSetTabIndex: return "SetTabIndex";
        case tagErrorTag: return "ErrorTag";
        default: return "Unknown";
    }
}

}  // namespace pellicor
