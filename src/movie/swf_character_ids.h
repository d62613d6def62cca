#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// The character identifiers that tag objects define and refer to, for merging one file's
// characters into another movie.

// The ids a tag defines, in file order: the character id of each defining tag (shapes,
// bitmaps, buttons, fonts, texts, sounds, edit texts, sprites, morph shapes, video
// streams) and each asset of ImportAssets. Empty for every other tag.
std::vector<std::uint16_t> DefinedCharacterIds(const TSWFObject& tag);

// Replaces the defined ids (in the order DefinedCharacterIds gives them) by newIds.
void SetDefinedCharacterIds(TSWFObject& tag, const std::vector<std::uint16_t>& newIds);

// Maps an id: the new id, or the id itself when it is not to change.
using TCharacterIdMap = std::function<std::uint16_t(std::uint16_t)>;

// Passes every reference to a character through the map: bitmap fills of shapes and morph
// shapes, the placing and removing tags (a placement without a character is a move and has
// none), the records of buttons, the fonts of texts, font infos and edit texts, the sounds
// of StartSound and DefineButtonSound, the buttons of DefineButtonSound and
// DefineButtonCxform, the control tags inside a sprite, exported ids, the sprite of
// DoInitAction and the stream of VideoFrame.
void RemapCharacterReferences(TSWFObject& tag, const TCharacterIdMap& map);

}  // namespace pellicor
