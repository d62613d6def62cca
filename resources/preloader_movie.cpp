#include "default_movies.h"

#include <array>

#include "movie/flash_action_script.h"
#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie_kit.h"

namespace pellicor::resources {

namespace {

// Drawn at twice the size it is shown at: the default scale is 50 %.
constexpr std::int32_t kWidth = 400;
constexpr std::int32_t kHeight = 100;
constexpr TPixelRect kBarArea{20, 64, 380, 84};

// Frame of a digit clip: 1 is blank, 2..11 show 0..9.
constexpr std::int32_t kBlankDigitFrame = 1;

// The segments of a 24 x 40 seven-segment digit, disjoint so that one fill covers them.
std::vector<TPixelRect> DigitSegments(int digit) {
    static constexpr std::array<TPixelRect, 7> kSegments = {{
        {5, 0, 19, 5},     // a: top
        {19, 5, 24, 19},   // b: upper right
        {19, 21, 24, 35},  // c: lower right
        {5, 35, 19, 40},   // d: bottom
        {0, 21, 5, 35},    // e: lower left
        {0, 5, 5, 19},     // f: upper left
        {5, 18, 19, 22},   // g: middle
    }};
    static constexpr std::array<const char*, 10> kLit = {"abcdef", "bc",     "abdeg", "abcdg", "bcfg",
                                                         "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    std::vector<TPixelRect> lit;
    for (const char* segment = kLit[static_cast<std::size_t>(digit)]; *segment; ++segment)
        lit.push_back(kSegments[static_cast<std::size_t>(*segment - 'a')]);
    return lit;
}

// A clip that shows one digit per frame (frame 1 blank), stopped until told otherwise.
TFlashSprite& AddDigitClip(TFlashMovie& movie) {
    std::array<TFlashShape*, 10> digits{};
    for (int d = 0; d < 10; ++d) digits[static_cast<std::size_t>(d)] = &AddRectangles(movie, Rgba(kInk), DigitSegments(d));
    TFlashSprite& clip = AddSprite(movie);
    clip.FrameActions().Stop();
    clip.ShowFrame();
    for (int d = 0; d < 10; ++d) {
        auto place = std::make_unique<TFlashPlaceObject>(&movie, 1, digits[static_cast<std::size_t>(d)]);
        place->SetReplace(d > 0);
        clip.ControlTags().push_back(std::move(place));
        clip.ShowFrame();
    }
    return clip;
}

// pct = the main timeline's loaded share in whole percent (100 when the total is not
// known yet as positive), the bar scaled to it and the digits showing it.
void UpdateProgress(TActionAssembler& a) {
    a.Push({std::string("loaded")});
    a.Push({0});
    a.GetVariable("_parent");
    a.Push({std::string("getBytesLoaded")});
    a.Op<TSWFActionCallMethod>();
    a.SetVariable();
    a.Push({std::string("total")});
    a.Push({0});
    a.GetVariable("_parent");
    a.Push({std::string("getBytesTotal")});
    a.Op<TSWFActionCallMethod>();
    a.SetVariable();

    a.SetVariableTo("pct", 100);
    a.Push({0});
    a.GetVariable("total");
    a.Op<TSWFActionLess2>();  // 0 < total
    a.Op<TSWFActionNot>();
    TSWFActionIf& unknownTotal = a.IfTrue();
    a.Push({std::string("pct")});
    a.GetVariable("loaded");
    a.Push({100});
    a.Op<TSWFActionMultiply>();
    a.GetVariable("total");
    a.Op<TSWFActionDivide>();
    a.Op<TSWFActionToInteger>();
    a.SetVariable();
    a.Land(unknownTotal.Marker());

    a.Push({100});
    a.GetVariable("pct");
    a.Op<TSWFActionLess2>();  // 100 < pct
    a.Op<TSWFActionNot>();
    TSWFActionIf& inRange = a.IfTrue();
    a.SetVariableTo("pct", 100);
    a.Land(inRange.Marker());

    // bar._xscale = pct
    a.Push({std::string("bar"), 2});
    a.GetVariable("pct");
    a.Op<TSWFActionSetProperty>();

    // Units always; tens from 10 on; the hundreds digit (a 1) at 100.
    a.GetVariable("pct");
    a.Push({10});
    a.Op<TSWFActionModulo>();
    a.Push({2});
    a.Op<TSWFActionAdd2>();
    a.CallClipMethod("units", "gotoAndStop", 1);

    a.SetVariableTo("frame", kBlankDigitFrame);
    a.GetVariable("pct");
    a.Push({10});
    a.Op<TSWFActionLess2>();
    TSWFActionIf& noTens = a.IfTrue();
    a.Push({std::string("frame")});
    a.GetVariable("pct");
    a.Push({10});
    a.Op<TSWFActionDivide>();
    a.Op<TSWFActionToInteger>();
    a.Push({10});
    a.Op<TSWFActionModulo>();
    a.Push({2});
    a.Op<TSWFActionAdd2>();
    a.SetVariable();
    a.Land(noTens.Marker());
    a.GetVariable("frame");
    a.CallClipMethod("tens", "gotoAndStop", 1);

    a.SetVariableTo("frame", kBlankDigitFrame);
    a.GetVariable("pct");
    a.Push({100});
    a.Op<TSWFActionLess2>();
    TSWFActionIf& noHundreds = a.IfTrue();
    a.SetVariableTo("frame", 3);
    a.Land(noHundreds.Marker());
    a.GetVariable("frame");
    a.CallClipMethod("hundreds", "gotoAndStop", 1);
}

// Once everything is loaded the main timeline plays on (it waits on its first frame).
void ReleaseMainTimeline(TActionAssembler& a) {
    a.GetVariable("loaded");
    a.GetVariable("total");
    a.Op<TSWFActionLess2>();  // loaded < total
    TSWFActionIf& stillLoading = a.IfTrue();
    a.CallParentMethod("play", 0);
    a.Land(stillLoading.Marker());
}

}  // namespace

std::unique_ptr<TFlashMovie> MakePreloaderMovie() {
    auto movie = std::make_unique<TFlashMovie>(0, 0, kWidth, kHeight, 12, true);
    TFlashMovie& m = *movie;
    m.SetVersion(5);

    TFlashShape& panel = AddRectangles(m, Rgba(kPanel, 230), {{0, 0, kWidth, kHeight}});
    TFlashShape& track = AddRectangles(m, Rgba(kTrack), {kBarArea});
    TFlashShape& barFill = AddRectangles(m, Rgba(kBar), {{0, 0, kBarArea.right - kBarArea.left, kBarArea.bottom - kBarArea.top}});
    TFlashSprite& bar = AddSprite(m);
    PlaceInSprite(bar, barFill, 1, 0, 0);
    bar.ShowFrame();
    TFlashSprite& digit = AddDigitClip(m);
    TFlashShape& percent = AddRectangles(m, Rgba(kInk), {{0, 0, 8, 8}, {16, 32, 24, 40}});
    TFlashShape& slash = AddPolygon(m, Rgba(kInk), {{19, 0}, {24, 0}, {5, 40}, {0, 40}});

    m.PlaceObject(&panel, 1);
    m.PlaceObject(&track, 2);
    TFlashPlaceObject& barPlace = m.PlaceObject(&bar, 3);
    barPlace.SetTranslate(kBarArea.left, kBarArea.top);
    barPlace.SetScale(0, 1);
    barPlace.SetName("bar");
    const std::array<const char*, 3> names = {"hundreds", "tens", "units"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        TFlashPlaceObject& place = m.PlaceObject(&digit, static_cast<std::uint16_t>(4 + i));
        place.SetTranslate(142 + static_cast<std::int32_t>(i) * 30, 12);
        place.SetName(names[i]);
    }
    m.PlaceObject(&percent, 7).SetTranslate(234, 12);
    m.PlaceObject(&slash, 8).SetTranslate(234, 12);

    // Two frames that loop: both show the progress; the second also lets the main
    // timeline go on, so it never plays from inside the frame that placed the preloader.
    TActionAssembler first(m.FrameActions().Actions());
    UpdateProgress(first);
    m.ShowFrame();
    TActionAssembler second(m.FrameActions().Actions());
    UpdateProgress(second);
    ReleaseMainTimeline(second);
    m.ShowFrame();
    return movie;
}

}  // namespace pellicor::resources
