// Program-wide state of the sound engine beside the channel records: the
// mixer's scratch buffer and the channels' MML texts. Set up and torn down by
// startSoundEngine / stopSoundEngine; used by the mixer and the channel
// interface under soundEngineMutex().
#pragma once

#include <cstdint>

// 1500 stereo frames, the channel being rendered (null before the start).
extern int16_t* scratchBuffer;
// Each channel's zero-terminated MML text, or null when it holds none.
extern char* channelText[8];
