#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/first_frame.h"
#include "engine/pass_settings.h"

namespace pellicor {

class TFlashActionScript;
class TFlashMovie;
class TSWFActionList;

// The target window of a target setting: "_self", "_blank", "_parent", "_top"; "_self"
// for any other value.
std::string TargetName(std::int32_t target);

// Pending frame actions: "currenttimes" = 1.
void AddFrameVariable(TPassSettings& context);
// Pending frame actions: the player quality (property 19) for qualities 1 to 4.
void AddPlayingQuality(TPassSettings& context);
// The start behaviour: 3 frames (wait), 1 frame (click to play, stop at the first frame)
// or none (play at once).
void AddStartActions(TPassSettings& context, const TFirstFrame& firstFrame);
// The click-anywhere link button at `depth` over the first-frame picture; closes no frame.
void AddClickLink(TPassSettings& context, const TFirstFrame& firstFrame, std::uint16_t depth);
// The end frame (repeat, stop, link, unload), when any end option is on; `startFrame` is
// the first video frame (1-based).
void AddEndActions(TPassSettings& context, std::int32_t startFrame);

// The actions pending for the frame under construction, moved out of the movie (its
// pending script is left empty); nothing when none are pending. After the start section,
// these are the actions of a start section that closed no frame ("currenttimes" and the
// quality), which would otherwise land in the end frame.
std::unique_ptr<TSWFActionList> TakePendingFrameActions(TFlashMovie& movie);

// A frame action script that runs `actions` only the first time its frame plays, while
// "currenttimes" is still undefined: ActionPush "currenttimes"; ActionGetVariable;
// ActionNot; ActionNot; ActionIf -> after the actions. Branch-free actions only.
std::unique_ptr<TFlashActionScript> RunOnceActions(TFlashMovie& movie, const TSWFActionList& actions);

// Puts branch-free `actions` in front of the end frame's actions (the first action script
// after section marker -2). False when there is no end frame.
bool PrependToEndActions(TFlashMovie& movie, const TSWFActionList& actions);

}  // namespace pellicor
