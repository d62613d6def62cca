#pragma once

#include <string>

#include "settings/source_info.h"

namespace pellicor {

// Tests a file the user adds and reads its properties. False refuses the file: an
// extension outside the accepted list, a one-frame GIF, a file that cannot be played and
// sought in, or any error while probing.
bool ProbeSourceFile(const std::string& path, TSourceInfo& info);

}  // namespace pellicor
