#pragma once

#include "audio/AudioClip.h"
#include "audio/FileBuffer.h"

namespace varnetta {

// Decodes a RIFF/WAVE file: integer PCM of 8, 16, 24 or 32 bits or 32-bit
// float, 1 to 128 channels.
bool DecodeWave(FileBytes buffer, AudioClip& clip, const StopRequest* stop);

}  // namespace varnetta
