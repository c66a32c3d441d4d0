// The sample mixer's render loop: drives a channel sample by sample
// (generator, modulation, envelope, volume, note timers, sequencer steps).
// renderMix (sound_engine.h) runs every channel's timing, envelope and noise
// in channel order, then the phases, waves and filters of all eight side by
// side, and sums the results; renderChannel renders one channel alone, for
// tests.
#pragma once

#include <cstdint>

constexpr int WAVE_FRAMES = 1500;

// Renders the next byteCount / 4 frames of channel ch into samples (left and
// right interleaved), advancing the channel's timing by as many samples.
void renderChannel(int ch, int16_t* samples, int byteCount);

// Clears the mixer's scratch memory; the engine's start calls it.
void resetMixer();

// Whether the mixer may take its AVX2 loops where the processor has them
// (the default); the other loops give the same samples, and tests run both.
void UseWideMixLoops(bool use);
