#pragma once

#include <cstdint>

namespace pellicor {

// SWF tag codes the library knows (the standard codes); each has a row in the tag table
// of tag_factory.cpp.
inline constexpr std::uint16_t tagEnd = 0;
inline constexpr std::uint16_t tagShowFrame = 1;
inline constexpr std::uint16_t tagDefineShape = 2;
inline constexpr std::uint16_t tagPlaceObject = 4;
inline constexpr std::uint16_t tagRemoveObject = 5;
inline constexpr std::uint16_t tagDefineBits = 6;
inline constexpr std::uint16_t tagDefineButton = 7;
inline constexpr std::uint16_t tagJPEGTables = 8;
inline constexpr std::uint16_t tagSetBackgroundColor = 9;
inline constexpr std::uint16_t tagDefineFont = 10;
inline constexpr std::uint16_t tagDefineText = 11;
inline constexpr std::uint16_t tagDoAction = 12;
inline constexpr std::uint16_t tagDefineFontInfo = 13;
inline constexpr std::uint16_t tagDefineSound = 14;
inline constexpr std::uint16_t tagStartSound = 15;
inline constexpr std::uint16_t tagDefineButtonSound = 17;
inline constexpr std::uint16_t tagSoundStreamHead = 18;
inline constexpr std::uint16_t tagSoundStreamBlock = 19;
inline constexpr std::uint16_t tagDefineBitsLossless = 20;
inline constexpr std::uint16_t tagDefineBitsJPEG2 = 21;
inline constexpr std::uint16_t tagDefineShape2 = 22;
inline constexpr std::uint16_t tagDefineButtonCxform = 23;
inline constexpr std::uint16_t tagProtect = 24;
inline constexpr std::uint16_t tagPlaceObject2 = 26;
inline constexpr std::uint16_t tagRemoveObject2 = 28;
inline constexpr std::uint16_t tagDefineShape3 = 32;
inline constexpr std::uint16_t tagDefineText2 = 33;
inline constexpr std::uint16_t tagDefineButton2 = 34;
inline constexpr std::uint16_t tagDefineBitsJPEG3 = 35;
inline constexpr std::uint16_t tagDefineBitsLossless2 = 36;
inline constexpr std::uint16_t tagDefineEditText = 37;
inline constexpr std::uint16_t tagDefineSprite = 39;
inline constexpr std::uint16_t tagFrameLabel = 43;
inline constexpr std::uint16_t tagSoundStreamHead2 = 45;
inline constexpr std::uint16_t tagDefineMorphShape = 46;
inline constexpr std::uint16_t tagDefineFont2 = 48;
inline constexpr std::uint16_t tagExportAssets = 56;
inline constexpr std::uint16_t tagImportAssets = 57;
inline constexpr std::uint16_t tagEnableDebugger = 58;
inline constexpr std::uint16_t tagDoInitAction = 59;
inline constexpr std::uint16_t tagDefineVideoStream = 60;
inline constexpr std::uint16_t tagVideoFrame = 61;
inline constexpr std::uint16_t tagDefineFontInfo2 = 62;
inline constexpr std::uint16_t tagEnableDebugger2 = 64;
inline constexpr std::uint16_t tagScriptLimits = 65;
inline constexpr std::uint16_t tagSetTabIndex = 66;
// Not an SWF code: the tag that stands for a body the reader could not parse.
inline constexpr std::uint16_t tagErrorTag = 240;

// The standard name of a code ("PlaceObject2"), "ErrorTag" for 240, "Unknown" otherwise.
const char* SWFTagName(std::uint16_t code);

}  // namespace pellicor
