// The sample mixer's per-channel render loop: drives one channel sample by
// sample (generator, modulation, envelope, volume, note timers, sequencer
// steps). renderMix (sound_engine.h) runs it for each channel in turn and sums
// the results; tests call it directly.
#pragma once

#include <cstdint>

constexpr int WAVE_FRAMES = 1500;

// Renders the next byteCount / 4 frames of channel ch into samples (left and
// right interleaved), advancing the channel's timing by as many samples.
void renderChannel(int ch, int16_t* samples, int byteCount);
