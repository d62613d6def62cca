#pragma once

// Small helpers for drawing and scripting the default movies with the movie builder:
// filled rectangles and polygons, sprites, and an action assembler for SWF 5 byte code.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "movie/flash_movie.h"
#include "swf/action_list.h"
#include "swf/action_records.h"

namespace pellicor {
class TFlashShape;
class TFlashSprite;
}  // namespace pellicor

namespace pellicor::resources {

// A packed colour for the shape builder: R in bits 0-7, G 8-15, B 16-23, alpha 24-31.
constexpr std::uint32_t Rgba(std::uint32_t rgb, std::uint32_t alpha = 255) {
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16) | (alpha << 24);
}

// The palette both default movies share: a dark panel, light ink, a track and its bar.
constexpr std::uint32_t kPanel = 0x262A30;
constexpr std::uint32_t kInk = 0xF2F2F2;
constexpr std::uint32_t kTrack = 0x4A5058;
constexpr std::uint32_t kBar = 0x4FA3E0;

struct TPixelPoint {
    std::int32_t x;
    std::int32_t y;
};
struct TPixelRect {
    std::int32_t left, top, right, bottom;
};

// One shape filled with the colour, made of disjoint rectangles (an empty list gives an
// empty shape, for blank frames).
TFlashShape& AddRectangles(TFlashMovie& movie, std::uint32_t color, const std::vector<TPixelRect>& rectangles);
// One shape filled with the colour, one closed polygon.
TFlashShape& AddPolygon(TFlashMovie& movie, std::uint32_t color, const std::vector<TPixelPoint>& points);
// A new sprite character of the movie.
TFlashSprite& AddSprite(TFlashMovie& movie);
// Places the character in the sprite's timeline at the depth and position, named when a
// name is given.
void PlaceInSprite(TFlashSprite& sprite, TFlashIDObject& object, std::uint16_t depth, std::int32_t x,
                   std::int32_t y, const std::string& name = {});

// Appends action records to a list, one call per record.
class TActionAssembler {
public:
    explicit TActionAssembler(TSWFActionList& list) : list_(list) {}

    // One Push record with these values (integers, strings, booleans).
    void Push(std::initializer_list<TPushVariant> values);
    template <class T>
    void Op() {
        list_.Add<T>();
    }
    // name on the stack's top becomes its value.
    void GetVariable(const std::string& name);
    // The stack's top is stored under name (name must have been pushed below it: see
    // SetVariableTo for the usual case).
    void SetVariable() { Op<TSWFActionSetVariable>(); }
    // name = value.
    void SetVariableTo(const std::string& name, const TPushVariant& value);
    // Pushes _parent.member.
    void GetParentMember(const std::string& member);
    // _parent.method(arguments already pushed, count of them), result dropped.
    void CallParentMethod(const std::string& method, std::int32_t argumentCount);
    // target.method(arguments already pushed, count of them) for a clip named in this
    // timeline, result dropped.
    void CallClipMethod(const std::string& clip, const std::string& method, std::int32_t argumentCount);
    // A forward branch taken when the stack's top is true; Land places its target here.
    TSWFActionIf& IfTrue() { return list_.Add<TSWFActionIf>(); }
    TSWFActionJump& Jump() { return list_.Add<TSWFActionJump>(); }
    void Land(TSWFOffsetMarker& marker) { list_.PlaceMarker(marker); }

private:
    TSWFActionList& list_;
};

// Writes the movie to the file: header, every object, End; through a temporary beside it
// that is renamed when complete.
void SaveMovie(TFlashMovie& movie, const std::string& fileName);

}  // namespace pellicor::resources
