// The sound room's running state, as the shell saves it into a snapshot,
// loads it back and resets it for a fresh start: the eight channel records
// with their event code and music texts, the shared noise register, and the
// output stream's two queued buffers with whatever the device holds back.
// The mixer carries nothing of its own from one buffer to the next (its rows
// are scratch), and the stream's thread and device are not state. Called by
// the shell between frames; each takes the engine's lock itself.
#pragma once

#include <cstdint>

#include "platform/wave_device.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"

// The longest music text a channel may hold in a snapshot. Between frames the
// game's channels hold no text or the empty one, as PlayCue releases its text
// once the channel has started.
constexpr int SOUND_TEXT_MAX = 1024;

struct SoundRoomState {
  // The records as the engine keeps them; eventCode is not kept here (the
  // code itself is below) and is left as it is by a load.
  SoundChannel channels[SOUND_CHANNELS];
  uint8_t eventCode[SOUND_CHANNELS][EVENT_CODE_SIZE];
  // -1: no text; otherwise the length of text[ch], which holds it with a NUL.
  int32_t textLength[SOUND_CHANNELS];
  char text[SOUND_CHANNELS][SOUND_TEXT_MAX + 1];
  uint16_t noiseRegister;
  uint8_t noiseMode;
  // The two queued buffers in the order the device plays them: the one it
  // finishes next first.
  uint8_t queued[WAVE_BUFFER_COUNT][WAVE_BUFFER_SIZE];
  uint32_t heldFrames;
  int16_t held[2 * WAVE_HELD_FRAMES_MAX];
};

// Copies the running state into `out`. False when there is no engine (the
// output stream has not started) or a channel holds a text longer than
// SOUND_TEXT_MAX.
bool saveSoundState(SoundRoomState* out);
// Replaces the running state with `in`, whose fields the caller has checked.
// The queued buffers are written back only where the device lets them be
// (platform::WaveDevice::QueuedBuffersRestorable).
void loadSoundState(const SoundRoomState& in);
// The state of a fresh start: every channel silent and without text, the
// noise register at its start, and, where the device lets them be written,
// the queued buffers as a start queues them (silence, then a buffer mixed
// from the silent channels).
void resetSoundState();
