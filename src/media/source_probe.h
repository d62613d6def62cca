#pragma once

#include <string>

#include "media/mcl_file_info.h"
#include "media/source_info.h"

namespace pellicor {

// Tests a file the user adds and reads its properties. False refuses the file: an
// extension outside the accepted list, a one-frame GIF, a file that cannot be played and
// sought in, or any error while probing. The record is only written when the file is
// accepted.
bool ProbeSourceFile(const std::string& path, TSourceInfo& info);
// The same, reporting the pass over the file (for the adding dialog's current-file bar).
bool ProbeSourceFile(const std::string& path, TSourceInfo& info,
                     const TMclProgressCallback& progress);

// The size of a file as FormatByteCount shows it; EMediaError when it cannot be opened.
std::string FormatFileSize(const std::string& path);

// The playability test: the file opens, its first stream of the kind (video or audio)
// decodes a frame, and the file can be sought in.
bool IsPlayableSource(const std::string& path, bool video);

}  // namespace pellicor
