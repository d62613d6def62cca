#include "movie_kit.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "swf/streams.h"

namespace pellicor::resources {

namespace {

TFlashShape& AddFilledShape(TFlashMovie& movie, std::uint32_t color, const std::vector<std::vector<TPixelPoint>>& contours) {
    TFlashShape& shape = movie.AddShape();
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool first = true;
    for (const auto& contour : contours) {
        for (const TPixelPoint& p : contour) {
            left = first ? p.x : std::min(left, p.x);
            top = first ? p.y : std::min(top, p.y);
            right = first ? p.x : std::max(right, p.x);
            bottom = first ? p.y : std::max(bottom, p.y);
            first = false;
        }
    }
    shape.SetBounds(left, top, right, bottom);
    shape.SetSolidFill(color);
    for (const auto& contour : contours) {
        if (contour.empty()) continue;
        shape.Edges().MoveTo(contour.front().x, contour.front().y);
        for (std::size_t i = 1; i < contour.size(); ++i) shape.Edges().LineTo(contour[i].x, contour[i].y);
        shape.Edges().LineTo(contour.front().x, contour.front().y);
    }
    shape.Edges().EndShape();
    return shape;
}

}  // namespace

TFlashShape& AddRectangles(TFlashMovie& movie, std::uint32_t color, const std::vector<TPixelRect>& rectangles) {
    std::vector<std::vector<TPixelPoint>> contours;
    for (const TPixelRect& r : rectangles)
        contours.push_back({{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}});
    return AddFilledShape(movie, color, contours);
}

TFlashShape& AddPolygon(TFlashMovie& movie, std::uint32_t color, const std::vector<TPixelPoint>& points) {
    return AddFilledShape(movie, color, {points});
}

TFlashSprite& AddSprite(TFlashMovie& movie) {
    return movie.AddCharacter(std::make_unique<TFlashSprite>(&movie), movie.Sprites());
}

void PlaceInSprite(TFlashSprite& sprite, TFlashIDObject& object, std::uint16_t depth, std::int32_t x, std::int32_t y,
                   const std::string& name) {
    auto place = std::make_unique<TFlashPlaceObject>(sprite.Owner(), depth, &object);
    place->SetTranslate(x, y);
    if (!name.empty()) place->SetName(name);
    sprite.ControlTags().push_back(std::move(place));
}

void TActionAssembler::Push(std::initializer_list<TPushVariant> values) {
    auto& push = list_.Add<TSWFActionPush>();
    for (const TPushVariant& value : values) push.AddValue(value);
}

void TActionAssembler::GetVariable(const std::string& name) {
    Push({name});
    Op<TSWFActionGetVariable>();
}

void TActionAssembler::SetVariableTo(const std::string& name, const TPushVariant& value) {
    Push({name, value});
    SetVariable();
}

void TActionAssembler::GetParentMember(const std::string& member) {
    GetVariable("_parent");
    Push({member});
    Op<TSWFActionGetMember>();
}

void TActionAssembler::CallParentMethod(const std::string& method, std::int32_t argumentCount) {
    Push({argumentCount});
    GetVariable("_parent");
    Push({method});
    Op<TSWFActionCallMethod>();
    Op<TSWFActionPop>();
}

void TActionAssembler::CallClipMethod(const std::string& clip, const std::string& method,
                                      std::int32_t argumentCount) {
    Push({argumentCount});
    GetVariable(clip);
    Push({method});
    Op<TSWFActionCallMethod>();
    Op<TSWFActionPop>();
}

void SaveMovie(TFlashMovie& movie, const std::string& fileName) {
    movie.WriteSection(0, kSectionMarkerLast, true, true);
    movie.PatchHeader(static_cast<std::uint32_t>(movie.Stream().Size()), movie.FrameRate(),
                      static_cast<std::uint16_t>(movie.FramesWritten()));
    const auto& bytes = dynamic_cast<TMemoryStream&>(movie.Stream()).Bytes();
    const std::string temporary = fileName + ".tmp";
    TMemoryStream(bytes).SaveToFile(temporary);
    std::filesystem::rename(temporary, fileName);
}

}  // namespace pellicor::resources
