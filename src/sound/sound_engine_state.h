// Program-wide state of the sound engine beside the channel records: the
// engine's scratch buffer and the channels' MML texts. Set up and torn down
// by startSoundEngine / stopSoundEngine; the texts are used by the channel
// interface under soundEngineMutex().
#pragma once

#include <cstdint>

#include "sound/event_code.h"

// One buffer's worth of 16-bit stereo samples, allocated zeroed by the start
// and released by the stop (null before the start and after the stop). The
// mixer renders through rows of its own (mix_first_pass.h) and reads it not
// at all.
extern int16_t* scratchBuffer;
// Each channel's zero-terminated MML text, or null when it holds none.
extern char* channelText[SOUND_CHANNELS];
