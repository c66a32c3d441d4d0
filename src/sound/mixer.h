// The sample mixer's entry points. renderMix (sound_engine.h), called by the
// output thread for each buffer, renders all eight channels in two passes:
// first each channel's timing, modulation, envelope and noise in channel
// order (mix_first_pass.h), then the phases, waves and filters of all eight
// side by side, summed into the buffer (mixer.cpp). renderChannel renders
// one channel alone, for tests.
#pragma once

#include <cstdint>

// The frames of one buffer, the most the mixer renders in one go.
constexpr int WAVE_BUFFER_FRAMES = 1500;

// Renders the next byteCount / 4 frames of channel ch into samples (left and
// right interleaved), advancing the channel's timing by as many samples.
void renderChannel(int ch, int16_t* samples, int byteCount);

// Clears the mixer's scratch memory; the engine's start calls it.
void resetMixer();

// Whether the mixer may take its AVX2 loops where the processor has them
// (the default); the portable loops give the same samples, and tests run
// both.
void UseWideMixLoops(bool use);
