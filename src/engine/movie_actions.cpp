#include "engine/movie_actions.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "movie/flash_action_script.h"
#include "movie/flash_button.h"
#include "movie/flash_movie.h"
#include "movie/flash_place_object.h"
#include "swf/button_tags.h"

namespace pellicor {

namespace {

// Values of one ActionPush: constant-pool entries (by index), integers, the double 0 and
// strings.
using TPushed = std::pair<TPushVariant, std::uint8_t>;
TPushed C(std::int32_t index) { return {index, pushConstant8}; }
TPushed Int(std::int32_t value) { return {value, pushInteger}; }
TPushed Str(const std::string& text) { return {text, pushString}; }
TPushed Dbl0() { return {0.0, pushDouble}; }

void Push(TFlashActionScript& script, std::initializer_list<TPushed> values) {
    std::vector<TPushVariant> pushed;
    std::vector<std::uint8_t> types;
    for (const auto& [value, type] : values) {
        pushed.push_back(value);
        types.push_back(type);
    }
    script.Push(pushed, types);
}

// _root.<method>(<arguments>), the result dropped: countAndRoot pushes the arguments, their
// count and the pool entry of "_root"; then GetVariable, the method's pool entry,
// CallMethod, Pop.
void CallRootMethod(TFlashActionScript& script, std::initializer_list<TPushed> countAndRoot,
                    std::int32_t methodConstant) {
    Push(script, countAndRoot);
    script.GetVariable();
    Push(script, {C(methodConstant)});
    script.CallMethod();
    script.Pop();
}

// A button whose four states show the picture: up and hit in one record, then down, then
// over, each at depth 1 inside the button.
TFlashButton& AddPictureButton(TFlashMovie& movie, TFlashVisualObject* picture) {
    TFlashButton& button = movie.AddButton(false, true);
    button.AddRecord(picture, bsUp | bsHitTest, 1);
    button.AddRecord(picture, bsDown, 1);
    button.AddRecord(picture, bsOver, 1);
    return button;
}

TFlashPlaceObject& PlaceAt(TFlashMovie& movie, TFlashIDObject* object, std::uint16_t depth, const TFirstFrame& at) {
    TFlashPlaceObject& place = movie.PlaceObject(object, depth);
    place.SetTranslate(at.x, at.y);
    return place;
}

void AddWaitFrames(TFlashMovie& movie, const TFirstFrame& first, std::int32_t seconds) {
    // Frame A:  waitSeconds = <seconds * 1000>; msStart = getTimer();
    TFlashActionScript& a = movie.FrameActions();
    const auto milliseconds = std::min<std::int64_t>(std::int64_t{seconds} * 1000, INT32_MAX);
    Push(a, {Str("waitSeconds"), Int(static_cast<std::int32_t>(milliseconds))});
    a.SetVariable();
    Push(a, {Str("msStart")});
    a.GetTime();
    a.SetVariable();
    PlaceAt(movie, first.picture, kDepthFirstFrame, first);
    movie.ShowFrame();

    // Frame B:  ms = getTimer() - msStart;
    //           if (!(ms < waitSeconds)) _root.gotoAndPlay(_root._currentframe + 2);
    // Once the time is up the movie jumps over frame C; until then it plays on into C.
    enum : std::int32_t { kMs, kMsStart, kWaitSeconds, kRoot, kCurrentFrame, kGotoAndPlay };
    TFlashActionScript& b = movie.FrameActions();
    b.ConstantPool({"ms", "msStart", "waitSeconds", "_root", "_currentframe", "gotoAndPlay"});
    Push(b, {C(kMs)});
    b.GetTime();
    Push(b, {C(kMsStart)});
    b.GetVariable();
    b.Subtract();
    b.SetVariable();
    Push(b, {C(kMs)});
    b.GetVariable();
    Push(b, {C(kWaitSeconds)});
    b.GetVariable();
    b.Less2();
    b.Not();
    b.Not();
    TSWFActionIf& waiting = b.If();  // ms < waitSeconds: skip the jump
    Push(b, {C(kRoot)});
    b.GetVariable();
    Push(b, {C(kCurrentFrame)});
    b.GetMember();
    Push(b, {Int(2)});
    b.Add2();
    CallRootMethod(b, {Int(1), C(kRoot)}, kGotoAndPlay);
    b.SetMarker(&waiting.Marker());
    PlaceAt(movie, first.picture, kDepthFirstFrame, first).SetReplace(true);
    movie.ShowFrame();

    // Frame C:  _root.prevFrame(); _root.play();   (back to B, which looks at the time again)
    enum : std::int32_t { kRootC, kPrevFrame, kPlay };
    TFlashActionScript& c = movie.FrameActions();
    c.ConstantPool({"_root", "prevFrame", "play"});
    CallRootMethod(c, {Dbl0(), C(kRootC)}, kPrevFrame);
    CallRootMethod(c, {Dbl0(), C(kRootC)}, kPlay);
    PlaceAt(movie, first.picture, kDepthFirstFrame, first).SetReplace(true);
    movie.ShowFrame();
}

}  // namespace

std::string TargetName(std::int32_t target) {
    static constexpr std::array<const char*, 4> kNames = {"_self", "_blank", "_parent", "_top"};
    return target >= 0 && target < 4 ? kNames[static_cast<std::size_t>(target)] : kNames[0];
}

void AddFrameVariable(TPassSettings& context) {
    TFlashActionScript& actions = context.movie->FrameActions();
    Push(actions, {Str("currenttimes"), Int(1)});
    actions.SetVariable();
}

void AddPlayingQuality(TPassSettings& context) {
    static constexpr std::array<const char*, 4> kQualities = {"BEST", "HIGH", "MEDIUM", "LOW"};
    const std::int32_t quality = context.destFlashPlayingQuality;
    if (quality < 1 || quality > 4) return;
    TFlashActionScript& actions = context.movie->FrameActions();
    Push(actions, {Str(""), Int(19), Str(kQualities[static_cast<std::size_t>(quality - 1)])});
    actions.SetProperty();
}

void AddStartActions(TPassSettings& context, const TFirstFrame& first) {
    TFlashMovie& movie = *context.movie;
    switch (context.destFlashStartAction) {
        case kStartPlay:
            if (context.destIsFlashStartWait && context.destFlashStartWaitSeconds > 0)
                AddWaitFrames(movie, first, context.destFlashStartWaitSeconds);
            break;
        case kStartOnClick: {
            TFlashButton& button = AddPictureButton(movie, first.picture);
            button.ReleaseActions().Play();
            PlaceAt(movie, &button, kDepthPlayButton, first);
            movie.FrameActions().Stop();
            movie.ShowFrame();
            movie.RemoveObject(kDepthPlayButton);
            break;
        }
        case kStartStopped:
            PlaceAt(movie, first.picture, kDepthFirstFrame, first);
            movie.FrameActions().Stop();
            movie.ShowFrame();
            break;
        default:
            break;
    }
}

void AddClickLink(TPassSettings& context, const TFirstFrame& first, std::uint16_t depth) {
    if (!context.destIsFlashClickOpenLink) return;
    TFlashMovie& movie = *context.movie;
    TFlashButton& button = AddPictureButton(movie, first.picture);
    button.ReleaseActions().GetUrl(context.destFlashClickOpenLinkURL, TargetName(context.destFlashClickOpenLinkTarget));
    PlaceAt(movie, &button, depth, first);
}

// The end frame runs, in ActionScript:
//
//     startframe = <first frame after the start section>; isrepeat = <0|1>;
//     repeattimes = <count>; isgeturl = <0|1>; theurl = "<url>"; thetarget = "<target>";
//     isunload = <0|1>;
//     if (isrepeat) {
//         if (!repeattimes) {                      // endless
//             _root.gotoAndPlay(startframe);
//         } else if (currenttimes < repeattimes) {  // one more time
//             currenttimes = currenttimes + 1;
//             _root.gotoAndPlay(startframe);
//         } else {                                 // repeats used up
//             _root.stop(); if (isgeturl) getURL(theurl, thetarget);
//             if (isunload) _root.unloadMovie();
//         }
//     } else {
//         _root.stop(); if (isgeturl) getURL(theurl, thetarget);
//         if (isunload) _root.unloadMovie();
//     }
//
// "currenttimes" is set to 1 in the first frame (AddFrameVariable).
void AddEndActions(TPassSettings& context, std::int32_t startFrame) {
    if (!context.destIsFlashEndRepeat && !context.destIsFlashEndUnload && !context.destIsFlashEndOpenLink) return;
    TFlashMovie& movie = *context.movie;
    TFlashActionScript& s = movie.FrameActions();
    // The constant pool, by index.
    enum : std::int32_t {
        kStartFrame, kIsRepeat, kRepeatTimes, kIsGetUrl, kTheUrl, kUrlValue, kTheTarget, kTargetValue,
        kIsUnload, kRoot, kGotoAndPlay, kCurrentTimes, kStop, kUnloadMovie
    };
    s.ConstantPool({"startframe", "isrepeat", "repeattimes", "isgeturl", "theurl", context.destFlashEndOpenLinkURL,
                    "thetarget", TargetName(context.destFlashEndOpenLinkTarget), "isunload", "_root", "gotoAndPlay",
                    "currenttimes", "stop", "unloadMovie"});
    const auto flag = [](bool on) { return Int(on ? 1 : 0); };
    Push(s, {C(kStartFrame), Int(startFrame)});
    s.SetVariable();
    Push(s, {C(kIsRepeat), flag(context.destIsFlashEndRepeat)});
    s.SetVariable();
    Push(s, {C(kRepeatTimes), Int(context.destFlashEndRepeatTimes)});
    s.SetVariable();
    Push(s, {C(kIsGetUrl), flag(context.destIsFlashEndOpenLink)});
    s.SetVariable();
    Push(s, {C(kTheUrl), C(kUrlValue)});
    s.SetVariable();
    Push(s, {C(kTheTarget), C(kTargetValue)});
    s.SetVariable();
    Push(s, {C(kIsUnload), flag(context.destIsFlashEndUnload)});
    s.SetVariable();

    // True when the variable is off: 0 < variable is false.
    const auto isOff = [&s](std::int32_t variable) {
        Push(s, {Dbl0(), C(variable)});
        s.GetVariable();
        s.Less2();
        s.Not();
    };
    const auto replay = [&s] {  // _root.gotoAndPlay(startframe)
        Push(s, {C(kStartFrame)});
        s.GetVariable();
        CallRootMethod(s, {Int(1), C(kRoot)}, kGotoAndPlay);
    };
    // _root.stop(); getURL(theurl, thetarget) when isgeturl; _root.unloadMovie() when
    // isunload. Returns the branch that skips the unload.
    const auto stopLinkUnload = [&s, &isOff]() -> TSWFActionIf& {
        CallRootMethod(s, {Dbl0(), C(kRoot)}, kStop);
        isOff(kIsGetUrl);
        TSWFActionIf& noLink = s.If();
        Push(s, {C(kTheUrl)});
        s.GetVariable();
        Push(s, {C(kTheTarget)});
        s.GetVariable();
        s.GetUrl2(0, false, false);
        s.SetMarker(&noLink.Marker());
        isOff(kIsUnload);
        TSWFActionIf& noUnload = s.If();
        CallRootMethod(s, {Dbl0(), C(kRoot)}, kUnloadMovie);
        return noUnload;
    };

    isOff(kIsRepeat);
    TSWFActionIf& noRepeat = s.If();  // to the else branch of if (isrepeat)
    isOff(kRepeatTimes);
    s.Not();
    TSWFActionIf& counted = s.If();  // repeattimes set: to the counted repeat
    replay();                        // endless
    TSWFActionJump& endlessDone = s.Jump();
    s.SetMarker(&counted.Marker());  // counted: currenttimes < repeattimes?
    Push(s, {C(kCurrentTimes)});
    s.GetVariable();
    Push(s, {C(kRepeatTimes)});
    s.GetVariable();
    s.Less2();
    s.Not();
    TSWFActionIf& usedUp = s.If();
    Push(s, {C(kCurrentTimes), C(kCurrentTimes)});  // currenttimes = currenttimes + 1
    s.GetVariable();
    Push(s, {Int(1)});
    s.Add2();
    s.SetVariable();
    replay();
    TSWFActionJump& countedDone = s.Jump();
    s.SetMarker(&usedUp.Marker());  // repeats used up
    TSWFActionIf& skipUnload = stopLinkUnload();
    // The end of the if (isrepeat) branch: every path of it jumps on to the end.
    TSWFOffsetMarker& repeatEnd = s.SetMarker(&endlessDone.Marker());
    countedDone.SetMarker(&repeatEnd);
    skipUnload.SetMarker(&repeatEnd);
    TSWFActionJump& toEnd = s.Jump();
    s.SetMarker(&noRepeat.Marker());  // else: no repeat
    TSWFActionIf& skipLastUnload = stopLinkUnload();
    TSWFOffsetMarker& end = s.SetMarker(&toEnd.Marker());
    skipLastUnload.SetMarker(&end);
    movie.ShowFrame();
}

std::unique_ptr<TSWFActionList> TakePendingFrameActions(TFlashMovie& movie) {
    TFlashActionScript* pending = movie.FrameActionsIfAny();
    if (!pending || pending->Actions().Empty()) return nullptr;
    std::unique_ptr<TSWFActionList> actions = pending->Actions().Clone();
    pending->Actions().Clear();
    return actions;
}

std::unique_ptr<TFlashActionScript> RunOnceActions(TFlashMovie& movie, const TSWFActionList& actions) {
    auto script = std::make_unique<TFlashActionScript>(&movie);
    Push(*script, {Str("currenttimes")});
    script->GetVariable();
    script->Not();
    script->Not();
    TSWFActionIf& alreadyRun = script->If();
    for (const auto& action : actions.Items()) script->Actions().Add(action->Clone());
    script->SetMarker(&alreadyRun.Marker());
    return script;
}

bool PrependToEndActions(TFlashMovie& movie, const TSWFActionList& actions) {
    bool inEndSection = false;
    for (const auto& item : movie.Objects) {
        if (TFlashMovie::IsSectionMarker(*item, kSectionMarkerFirst)) inEndSection = true;
        if (!inEndSection) continue;
        auto* script = dynamic_cast<TFlashActionScript*>(item.get());
        if (!script) continue;
        std::size_t at = 0;
        for (const auto& action : actions.Items()) script->Actions().Insert(at++, action->Clone());
        return true;
    }
    return false;
}

}  // namespace pellicor
