#include "movie/swf_character_ids.h"

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

// The single id field of a defining tag; none for tags that define no character or
// several (ImportAssets). Raw and error tags share codes with parsed ones, so the class
// decides, not the code.
std::uint16_t* SingleDefinedId(TSWFObject& tag) {
    if (auto* shape = dynamic_cast<TSWFDefineShape*>(&tag)) return &shape->ShapeID;
    if (auto* image = dynamic_cast<TSWFImageTag*>(&tag)) return &image->CharacterID;
    if (auto* button = dynamic_cast<TSWFBasedButton*>(&tag)) return &button->ButtonID;
    if (auto* font = dynamic_cast<TSWFDefineFont*>(&tag)) return &font->FontID;
    if (auto* text = dynamic_cast<TSWFDefineText*>(&tag)) return &text->CharacterID;
    if (auto* sound = dynamic_cast<TSWFDefineSound*>(&tag)) return &sound->SoundId;
    if (auto* edit = dynamic_cast<TSWFDefineEditText*>(&tag)) return &edit->CharacterID;
    if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(&tag)) return &sprite->SpriteID;
    if (auto* morph = dynamic_cast<TSWFDefineMorphShape*>(&tag)) return &morph->CharacterID;
    if (auto* video = dynamic_cast<TSWFDefineVideoStream*>(&tag)) return &video->CharacterID;
    return nullptr;
}

TSWFImportAssets* AsImport(TSWFObject& tag) {
    return tag.TagID() == tagImportAssets ? dynamic_cast<TSWFImportAssets*>(&tag) : nullptr;
}

void Remap(std::uint16_t& id, const TCharacterIdMap& map) { id = map(id); }

void RemapPlacement(TSWFObject& tag, const TCharacterIdMap& map) {
    if (auto* place2 = dynamic_cast<TSWFPlaceObject2*>(&tag)) {
        if (place2->PlaceFlagHasCharacter) place2->SetCharacterID(map(place2->CharacterID()));
    } else if (auto* place = dynamic_cast<TSWFPlaceObject*>(&tag)) {
        place->SetCharacterID(map(place->CharacterID()));
    } else if (auto* remove = dynamic_cast<TSWFRemoveObject*>(&tag)) {
        Remap(remove->CharacterID, map);
    } else if (auto* start = dynamic_cast<TSWFStartSound*>(&tag)) {
        Remap(start->SoundId, map);
    }
}

void RemapButtonSound(TSWFDefineButtonSound& buttonSound, const TCharacterIdMap& map) {
    Remap(buttonSound.ButtonID, map);
    for (int i = 0; i < 4; ++i) {
        const auto transition = static_cast<TSWFButtonSoundTransition>(i);
        if (buttonSound.SoundIfAny(transition)) Remap(buttonSound.Sound(transition).SoundId, map);
    }
}

}  // namespace

std::vector<std::uint16_t> DefinedCharacterIds(const TSWFObject& tag) {
    auto& mutableTag = const_cast<TSWFObject&>(tag);
    if (const std::uint16_t* id = SingleDefinedId(mutableTag)) return {*id};
    std::vector<std::uint16_t> ids;
    if (const auto* import = AsImport(mutableTag))
        for (const auto& asset : import->Assets) ids.push_back(asset.CharacterID);
    return ids;
}

void SetDefinedCharacterIds(TSWFObject& tag, const std::vector<std::uint16_t>& newIds) {
    if (std::uint16_t* id = SingleDefinedId(tag)) {
        if (!newIds.empty()) *id = newIds.front();
        return;
    }
    if (auto* import = AsImport(tag))
        for (std::size_t i = 0; i < import->Assets.size() && i < newIds.size(); ++i)
            import->Assets[i].CharacterID = newIds[i];
}

void RemapCharacterReferences(TSWFObject& tag, const TCharacterIdMap& map) {
    if (auto* shape = dynamic_cast<TSWFDefineShape*>(&tag)) {
        for (TSWFImageFill* fill : shape->ImageFills()) Remap(fill->BitmapID, map);
    } else if (auto* morph = dynamic_cast<TSWFDefineMorphShape*>(&tag)) {
        for (TSWFMorphImageFill* fill : morph->ImageFills()) Remap(fill->BitmapID, map);
    } else if (auto* button = dynamic_cast<TSWFBasedButton*>(&tag)) {
        for (TSWFButtonRecord& record : button->ButtonRecords) Remap(record.CharacterID, map);
    } else if (auto* text = dynamic_cast<TSWFDefineText*>(&tag)) {
        for (TSWFTextRecord& record : text->TextRecords)
            if (record.HasFont) record.SetFontID(map(record.FontID()));
    } else if (auto* info = dynamic_cast<TSWFDefineFontInfo*>(&tag)) {
        Remap(info->FontID, map);
    } else if (auto* edit = dynamic_cast<TSWFDefineEditText*>(&tag)) {
        Remap(edit->FontID, map);
    } else if (auto* buttonSound = dynamic_cast<TSWFDefineButtonSound*>(&tag)) {
        RemapButtonSound(*buttonSound, map);
    } else if (auto* cxform = dynamic_cast<TSWFDefineButtonCxform*>(&tag)) {
        Remap(cxform->ButtonID, map);
    } else if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(&tag)) {
        for (auto& inner : sprite->ControlTags) RemapPlacement(*inner, map);
    } else if (auto* exports = dynamic_cast<TSWFExportAssets*>(&tag); exports && tag.TagID() == tagExportAssets) {
        for (TSWFAsset& asset : exports->Assets) Remap(asset.CharacterID, map);
    } else if (auto* initAction = dynamic_cast<TSWFDoInitAction*>(&tag)) {
        Remap(initAction->SpriteID, map);
    } else if (auto* frame = dynamic_cast<TSWFVideoFrame*>(&tag)) {
        Remap(frame->StreamID, map);
    } else {
        RemapPlacement(tag, map);
    }
}

}  // namespace pellicor
