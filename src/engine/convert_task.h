#pragma once

#include "engine/pass_settings.h"

namespace pellicor {

// Turns one task into one SWF file at context.destPath: opens the source, writes the start
// section with the header, prepares the end section, attaches the sound, streams every
// output frame straight into the file, writes the end section and the End tag, patches the
// header and, when asked, compresses the file. Returns true when the movie was completed
// (and compressed when asked). A source that cannot be opened gives false, the reader's
// reason as a line of the stage log, the message "Fail to open the video file!", and no file. Exceptions while
// writing leave after the working objects were freed and the source closed; the file stays
// as far as it was written. Converting must be set for the loops to run.
bool ConvertTask(TPassSettings& context, TProgress* progress);

// Opens the source with the media layer (not isGif) or the GIF decoder (isGif). False when
// it cannot be opened: the reader's reason goes into the stage log, then the message.
bool OpenSource(TPassSettings& context, TProgress* progress);
// Closes whichever reader is open; never throws.
void CloseSource(TPassSettings& context) noexcept;

// Colour values with 0x80 or 0xFF in the top byte name a system colour (its index in the
// low byte); they resolve to the usual desktop defaults. Others are 0x00BBGGRR already.
TColor ResolveColor(TColor color);

}  // namespace pellicor
