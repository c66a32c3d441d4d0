// The portable loops of the mixer's second pass: a stretch of frames of one
// voice, or of two side by side, added to the mix. The second pass
// (mixer.cpp) takes them for every voice that the AVX2 loops do not take;
// every build has them.
#pragma once

#include <cstdint>

#include "sound/mix_voice.h"

// Frames [from, to) of two voices of groups below GROUP_CHECKED, each in
// the loop built for its group, added to mix (left and right interleaved).
void MixTwoVoices(Voice& a, Voice& b, int from, int to, uint32_t* mix);

// Frames [from, to) of one voice of a group up to GROUP_CHECKED.
void MixOneVoice(Voice& v, int from, int to, uint32_t* mix);
