// The sound engine as a whole: the start state of the eight channels and the
// mixer's buffers, the one lock that the game thread and the output thread
// share, and the mixer entry point. startSoundEngine and stopSoundEngine are
// called by the output stream's start and stop; renderMix by the output thread
// (or a tool) with soundEngineMutex() held.
#pragma once

#include <cstdint>
#include <mutex>

constexpr int WAVE_BUFFER_SIZE = 6000;  // bytes: 1500 stereo frames of 16-bit samples

// Every channel operation and every renderMix runs under this lock.
std::mutex& soundEngineMutex();

// Allocates the channels' event-code buffers (each starting with EV_STOP),
// clears keyOn, playing, textHeld, noiseOutput and the filter states of every
// channel, resets channel 0's envelope and allocates the zeroed scratch buffer.
void startSoundEngine();
// Each start is a full reset of the engine (every channel record, the noise
// register, any text still held), so a test can begin from the start state.
// Start and stop take no lock: call them while no output thread runs.
// The start state again without allocating: every channel record as
// startSoundEngine leaves it (its event-code buffer kept and emptied), any
// text released, the noise register and the mixer's rows reset. The caller
// holds soundEngineMutex().
void resetSoundEngine();

// Releases the scratch buffer and the event-code buffers (channel 7 down to
// 0) and any text still held.
void stopSoundEngine();

// Fills `buffer` (byteCount bytes, always WAVE_BUFFER_SIZE) with the next 1500
// mixed frames. The caller holds soundEngineMutex(). Defined by the mixer
// (mixer.cpp).
void renderMix(uint8_t* buffer, int byteCount);
