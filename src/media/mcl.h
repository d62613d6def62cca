#pragma once

// The media library interface in one include: reading sources, file information, images,
// sounds and the wave writer.

#include "media/mcl_file_info.h"
#include "media/mcl_image.h"
#include "media/mcl_read.h"
#include "media/mcl_sound.h"
#include "media/mcl_wave_writer.h"
#include "media/media_error.h"
