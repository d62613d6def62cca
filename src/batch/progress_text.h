#pragma once

// The words a front end shows for the stage that runs: the stage log's message, and how
// far the stage has come, in units people read.

#include <cstdint>
#include <string>
#include <string_view>

namespace pellicor {

// The stage message of the log without the folder: `Making flash stream from
// "clip.mp4@/videos/"` gives `Making flash stream from "clip.mp4"`. Other lines stay.
std::string StageWords(std::string_view logMessage);

// How far the stage `stageKey` has come after `elapsedSeconds`, `position` of `maximum`:
// the percentage; while frames are made the frames, the frames per second and the time
// left; while the movie is compressed the bytes done and their total in KB/MB and the time
// left; other stages the time left. Rate and time left need some progress to go on.
std::string StageProgressDetails(std::string_view stageKey, std::int64_t position, std::int64_t maximum,
                                 double elapsedSeconds);

}  // namespace pellicor
