#include "engine/pass_settings.h"

#include "media/jpeg_encoder.h"
#include "movie/flash_movie.h"

namespace pellicor {

TPassSettings::TPassSettings() = default;
TPassSettings::~TPassSettings() = default;

}  // namespace pellicor
