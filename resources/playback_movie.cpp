#include "default_movies.h"

#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_place_object.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie_kit.h"

namespace pellicor::resources {

namespace {

// Drawn at twice the size it is shown at: the default scale is 50 %.
constexpr std::int32_t kWidth = 400;
constexpr std::int32_t kHeight = 60;
constexpr std::int32_t kButton = 48;
constexpr std::uint32_t kButtonUp = 0x3A3F47;
constexpr std::uint32_t kButtonOver = 0x505761;
constexpr std::uint32_t kButtonDown = 0x6A737F;
constexpr TPixelRect kTrackArea{176, 26, 388, 34};

// A button: a square that lightens under the mouse and when pressed, with the icon on it.
TFlashButton& AddIconButton(TFlashMovie& movie, TFlashShape& icon) {
    TFlashShape& up = AddRectangles(movie, Rgba(kButtonUp), {{0, 0, kButton, kButton}});
    TFlashShape& over = AddRectangles(movie, Rgba(kButtonOver), {{0, 0, kButton, kButton}});
    TFlashShape& down = AddRectangles(movie, Rgba(kButtonDown), {{0, 0, kButton, kButton}});
    TFlashButton& button = movie.AddButton(false, true);
    button.AddRecord(&up, bsUp | bsHitTest, 1);
    button.AddRecord(&over, bsOver, 1);
    button.AddRecord(&down, bsDown, 1);
    button.AddRecord(&icon, bsUp | bsOver | bsDown, 2);
    return button;
}

// Play: the main timeline moves again and is no longer held.
void PlayActions(TActionAssembler& a) {
    a.SetVariableTo("held", false);
    a.CallParentMethod("play", 0);
}

// Pause: the main timeline is held on the frame it shows.
void PauseActions(TActionAssembler& a) {
    a.SetVariableTo("held", true);
    a.Push({std::string("heldFrame")});
    a.GetParentMember("_currentframe");
    a.SetVariable();
    a.CallParentMethod("stop", 0);
}

// Stop: the main timeline is held on its first video frame.
void StopActions(TActionAssembler& a) {
    a.SetVariableTo("held", true);
    a.Push({std::string("heldFrame")});
    a.GetVariable("start");
    a.SetVariable();
    a.GetVariable("heldFrame");
    a.CallParentMethod("gotoAndStop", 1);
}

// Run on every frame of the controls. Until the main timeline first moves on, the controls
// learn where its video starts: on frame 1 when it plays at once; after the frame it stood
// on when it waited (a start button, a stopped first frame), one frame later still when a
// preloader stood there (its removal takes a frame of its own). While held, the main
// timeline is put back whenever a frame action of its own made it move. The position bar
// shows how far the main timeline is between that start and its last frame.
void TrackMainTimeline(TActionAssembler& a) {
    a.GetVariable("ready");
    TSWFActionIf& initialised = a.IfTrue();
    a.SetVariableTo("ready", true);
    a.SetVariableTo("ticks", 0);
    a.SetVariableTo("stood", false);
    a.SetVariableTo("standFrame", 0);
    a.SetVariableTo("preloaderSeen", 0);
    a.SetVariableTo("fixed", false);
    a.SetVariableTo("held", false);
    a.SetVariableTo("start", 1);
    a.Land(initialised.Marker());

    a.Push({std::string("current")});
    a.GetParentMember("_currentframe");
    a.SetVariable();

    a.GetVariable("fixed");
    TSWFActionIf& learnt = a.IfTrue();
    {
        a.GetParentMember("preloader");
        a.Op<TSWFActionNot>();
        TSWFActionIf& noPreloader = a.IfTrue();
        a.SetVariableTo("preloaderSeen", 1);
        a.Land(noPreloader.Marker());

        a.Push({0});
        a.GetVariable("ticks");
        a.Op<TSWFActionLess2>();  // 0 < ticks
        a.Op<TSWFActionNot>();
        TSWFActionIf& firstTick = a.IfTrue();
        a.GetVariable("current");
        a.GetVariable("last");
        a.Op<TSWFActionEquals2>();
        TSWFActionIf& stands = a.IfTrue();
        a.SetVariableTo("fixed", true);  // it moved: the start is known
        TSWFActionJump& moved = a.Jump();
        a.Land(stands.Marker());
        a.SetVariableTo("stood", true);
        a.Push({std::string("standFrame")});
        a.GetVariable("current");
        a.SetVariable();
        a.Push({std::string("start")});
        a.GetVariable("current");
        a.Push({1});
        a.Op<TSWFActionAdd2>();
        a.GetVariable("preloaderSeen");
        a.Op<TSWFActionAdd2>();
        a.SetVariable();
        a.Land(moved.Marker());
        a.Land(firstTick.Marker());

        a.Push({std::string("last")});
        a.GetVariable("current");
        a.SetVariable();
        a.Push({std::string("ticks")});
        a.GetVariable("ticks");
        a.Push({1});
        a.Op<TSWFActionAdd2>();
        a.SetVariable();
    }
    a.Land(learnt.Marker());

    // Held, but moved by the main timeline's own actions: back to the held frame.
    a.GetVariable("held");
    a.Op<TSWFActionNot>();
    TSWFActionIf& free = a.IfTrue();
    a.GetVariable("current");
    a.GetVariable("heldFrame");
    a.Op<TSWFActionEquals2>();
    TSWFActionIf& inPlace = a.IfTrue();
    a.GetVariable("heldFrame");
    a.CallParentMethod("gotoAndStop", 1);
    a.Land(inPlace.Marker());
    a.Land(free.Marker());

    // position = (current - start) * 100 / max(1, _totalframes - start), within 0..100
    a.Push({std::string("span")});
    a.GetParentMember("_totalframes");
    a.GetVariable("start");
    a.Op<TSWFActionSubtract>();
    a.SetVariable();
    a.Push({1});
    a.GetVariable("span");
    a.Op<TSWFActionLess2>();  // 1 < span
    TSWFActionIf& wide = a.IfTrue();
    a.SetVariableTo("span", 1);
    a.Land(wide.Marker());
    a.Push({std::string("position")});
    a.GetVariable("current");
    a.GetVariable("start");
    a.Op<TSWFActionSubtract>();
    a.Push({100});
    a.Op<TSWFActionMultiply>();
    a.GetVariable("span");
    a.Op<TSWFActionDivide>();
    a.SetVariable();
    a.GetVariable("position");
    a.Push({0});
    a.Op<TSWFActionLess2>();  // position < 0
    a.Op<TSWFActionNot>();
    TSWFActionIf& notBefore = a.IfTrue();
    a.SetVariableTo("position", 0);
    a.Land(notBefore.Marker());
    a.Push({100});
    a.GetVariable("position");
    a.Op<TSWFActionLess2>();  // 100 < position
    a.Op<TSWFActionNot>();
    TSWFActionIf& notPast = a.IfTrue();
    a.SetVariableTo("position", 100);
    a.Land(notPast.Marker());
    a.Push({std::string("bar"), 2});  // bar._xscale = position
    a.GetVariable("position");
    a.Op<TSWFActionSetProperty>();
}

}  // namespace

std::unique_ptr<TFlashMovie> MakePlaybackMovie() {
    auto movie = std::make_unique<TFlashMovie>(0, 0, kWidth, kHeight, 12, true);
    TFlashMovie& m = *movie;
    m.SetVersion(5);

    TFlashShape& panel = AddRectangles(m, Rgba(kPanel, 220), {{0, 0, kWidth, kHeight}});
    TFlashShape& playIcon = AddPolygon(m, Rgba(kInk), {{17, 12}, {36, 24}, {17, 36}});
    TFlashShape& pauseIcon = AddRectangles(m, Rgba(kInk), {{14, 12, 21, 36}, {27, 12, 34, 36}});
    TFlashShape& stopIcon = AddRectangles(m, Rgba(kInk), {{14, 14, 34, 34}});
    TFlashButton& play = AddIconButton(m, playIcon);
    TFlashButton& pause = AddIconButton(m, pauseIcon);
    TFlashButton& stop = AddIconButton(m, stopIcon);
    {
        TActionAssembler a(play.ReleaseActions().Actions());
        PlayActions(a);
    }
    {
        TActionAssembler a(pause.ReleaseActions().Actions());
        PauseActions(a);
    }
    {
        TActionAssembler a(stop.ReleaseActions().Actions());
        StopActions(a);
    }
    TFlashShape& track = AddRectangles(m, Rgba(kTrack), {kTrackArea});
    TFlashShape& barFill = AddRectangles(m, Rgba(kBar), {{0, 0, kTrackArea.right - kTrackArea.left, kTrackArea.bottom - kTrackArea.top}});
    TFlashSprite& bar = AddSprite(m);
    PlaceInSprite(bar, barFill, 1, 0, 0);
    bar.ShowFrame();

    m.PlaceObject(&panel, 1);
    m.PlaceObject(&play, 2).SetTranslate(6, 6);
    m.PlaceObject(&pause, 3).SetTranslate(6 + kButton + 6, 6);
    m.PlaceObject(&stop, 4).SetTranslate(6 + 2 * (kButton + 6), 6);
    m.PlaceObject(&track, 5);
    TFlashPlaceObject& barPlace = m.PlaceObject(&bar, 6);
    barPlace.SetTranslate(kTrackArea.left, kTrackArea.top);
    barPlace.SetScale(0, 1);
    barPlace.SetName("bar");

    for (int frame = 0; frame < 2; ++frame) {
        TActionAssembler a(m.FrameActions().Actions());
        TrackMainTimeline(a);
        m.ShowFrame();
    }
    return movie;
}

}  // namespace pellicor::resources
