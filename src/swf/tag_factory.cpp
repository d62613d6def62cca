#include "swf/tag_factory.h"

#include <algorithm>
#include <iterator>

#include "swf/bitmap_tags.h"
#include "swf/button_tags.h"
#include "swf/control_tags.h"
#include "swf/display_tags.h"
#include "swf/do_action_tags.h"
#include "swf/font_tags.h"
#include "swf/morph_shape.h"
#include "swf/shape_tags.h"
#include "swf/sound_tags.h"
#include "swf/sprite_tags.h"
#include "swf/text_tags.h"

namespace pellicor {

namespace {

struct TSWFTagClass {
    std::uint16_t Code;
    const char* Name;
    std::unique_ptr<TSWFObject> (*Make)();
};

template <class T>
std::unique_ptr<TSWFObject> Make() {
    return std::make_unique<T>();
}

// Every tag the library knows, by ascending code: the code, its standard name, its class.
constexpr TSWFTagClass kTagTable[] = {
    {tagEnd, "End", &Make<TSWFEnd>},
    {tagShowFrame, "ShowFrame", &Make<TSWFShowFrame>},
    {tagDefineShape, "DefineShape", &Make<TSWFDefineShape>},
    {tagPlaceObject, "PlaceObject", &Make<TSWFPlaceObject>},
    {tagRemoveObject, "RemoveObject", &Make<TSWFRemoveObject>},
    {tagDefineBits, "DefineBits", &Make<TSWFDefineBits>},
    {tagDefineButton, "DefineButton", &Make<TSWFDefineButton>},
    {tagJPEGTables, "JPEGTables", &Make<TSWFJPEGTables>},
    {tagSetBackgroundColor, "SetBackgroundColor", &Make<TSWFSetBackgroundColor>},
    {tagDefineFont, "DefineFont", &Make<TSWFDefineFont>},
    {tagDefineText, "DefineText", &Make<TSWFDefineText>},
    {tagDoAction, "DoAction", &Make<TSWFDoAction>},
    {tagDefineFontInfo, "DefineFontInfo", &Make<TSWFDefineFontInfo>},
    {tagDefineSound, "DefineSound", &Make<TSWFDefineSound>},
    {tagStartSound, "StartSound", &Make<TSWFStartSound>},
    {tagDefineButtonSound, "DefineButtonSound", &Make<TSWFDefineButtonSound>},
    {tagSoundStreamHead, "SoundStreamHead", &Make<TSWFSoundStreamHead>},
    {tagSoundStreamBlock, "SoundStreamBlock", &Make<TSWFSoundStreamBlock>},
    {tagDefineBitsLossless, "DefineBitsLossless", &Make<TSWFDefineBitsLossless>},
    {tagDefineBitsJPEG2, "DefineBitsJPEG2", &Make<TSWFDefineBitsJPEG2>},
    {tagDefineShape2, "DefineShape2", &Make<TSWFDefineShape2>},
    {tagDefineButtonCxform, "DefineButtonCxform", &Make<TSWFDefineButtonCxform>},
    {tagProtect, "Protect", &Make<TSWFProtect>},
    {tagPlaceObject2, "PlaceObject2", &Make<TSWFPlaceObject2>},
    {tagRemoveObject2, "RemoveObject2", &Make<TSWFRemoveObject2>},
    {tagDefineShape3, "DefineShape3", &Make<TSWFDefineShape3>},
    {tagDefineText2, "DefineText2", &Make<TSWFDefineText2>},
    {tagDefineButton2, "DefineButton2", &Make<TSWFDefineButton2>},
    {tagDefineBitsJPEG3, "DefineBitsJPEG3", &Make<TSWFDefineBitsJPEG3>},
    {tagDefineBitsLossless2, "DefineBitsLossless2", &Make<TSWFDefineBitsLossless2>},
    {tagDefineEditText, "DefineEditText", &Make<TSWFDefineEditText>},
    {tagDefineSprite, "DefineSprite", &Make<TSWFDefineSprite>},
    {tagFrameLabel, "FrameLabel", &Make<TSWFFrameLabel>},
    {tagSoundStreamHead2, "SoundStreamHead2", &Make<TSWFSoundStreamHead2>},
    {tagDefineMorphShape, "DefineMorphShape", &Make<TSWFDefineMorphShape>},
    {tagDefineFont2, "DefineFont2", &Make<TSWFDefineFont2>},
    {tagExportAssets, "ExportAssets", &Make<TSWFExportAssets>},
    {tagImportAssets, "ImportAssets", &Make<TSWFImportAssets>},
    {tagEnableDebugger, "EnableDebugger", &Make<TSWFEnableDebugger>},
    {tagDoInitAction, "DoInitAction", &Make<TSWFDoInitAction>},
    {tagDefineVideoStream, "DefineVideoStream", &Make<TSWFDefineVideoStream>},
    {tagVideoFrame, "VideoFrame", &Make<TSWFVideoFrame>},
    {tagDefineFontInfo2, "DefineFontInfo2", &Make<TSWFDefineFontInfo2>},
    {tagEnableDebugger2, "EnableDebugger2", &Make<TSWFEnableDebugger2>},
    {tagScriptLimits, "ScriptLimits", &Make<TSWFScriptLimits>},
    {tagSetTabIndex, "SetTabIndex", &Make<TSWFSetTabIndex>},
};

static_assert(std::is_sorted(std::begin(kTagTable), std::end(kTagTable),
                             [](const TSWFTagClass& a, const TSWFTagClass& b) { return a.Code < b.Code; }),
              "the tag table is kept in ascending code order");

const TSWFTagClass* FindTagClass(std::uint16_t code) {
    const auto found = std::lower_bound(std::begin(kTagTable), std::end(kTagTable), code,
                                        [](const TSWFTagClass& row, std::uint16_t key) { return row.Code < key; });
    return found != std::end(kTagTable) && found->Code == code ? found : nullptr;
}

}  // namespace

std::unique_ptr<TSWFObject> CreateSWFTag(std::uint16_t code) {
    const TSWFTagClass* tagClass = FindTagClass(code);
    return tagClass ? tagClass->Make() : nullptr;
}

std::vector<std::uint16_t> KnownSWFTagCodes() {
    std::vector<std::uint16_t> codes;
    for (const auto& row : kTagTable) codes.push_back(row.Code);
    return codes;
}

const char* SWFTagName(std::uint16_t code) {
    if (code == tagErrorTag) return "ErrorTag";
    const TSWFTagClass* tagClass = FindTagClass(code);
    return tagClass ? tagClass->Name : "Unknown";
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

}  // namespace pellicor
