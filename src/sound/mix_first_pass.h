// The mixer's first pass: one channel through everything that does not
// depend on the phase (modulation, envelope, noise, note timers and
// sequencer steps), run by run. renderMix and renderChannel (mixer.cpp) run
// it for each channel in order, then the second pass reads what it leaves
// here: the runs and their rows of frequencies, envelope levels and noise.
#pragma once

#include <cstdint>

#include "sound/event_code.h"
#include "sound/mixer.h"

// What a run's generator does, from the voice.
constexpr uint8_t KIND_PULSE = 0;
constexpr uint8_t KIND_SAW = 1;
constexpr uint8_t KIND_TRIANGLE = 2;
constexpr uint8_t KIND_STEPPED = 3;  // the triangle in 32 steps
constexpr uint8_t KIND_NOISE = 4;
constexpr uint8_t KIND_SILENT = 5;

// The settings the second pass reads, constant through a run: the frames
// between two events that change the channel's settings (a sequencer step,
// or the key going off or on at the end of the gate). A channel's runs start
// at rising frames; an extra entry starting at the frame count ends the
// list.
struct RunSettings {
  int start;
  uint8_t kind;
  uint8_t keyOn;  // the generator runs on every frame of the run, or on none
  uint8_t still;  // the generator adds 0 to the phase on every frame
  uint8_t variant;
  int threshold;
  double coefficient;
  double panLeft;
  double panRight;
  double gain;
  // The rows the second pass reads the run's frequencies and envelope
  // from, indexed by frame.
  const double* frequency;
  const double* envelope;
};

// Per channel and frame: the frequency the generator adds to the phase, the
// envelope level the sample is scaled by, and a noise channel's level.
extern double frameFrequency[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
extern double envelopeValues[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
extern double noiseLevels[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
extern RunSettings channelRuns[SOUND_CHANNELS][WAVE_BUFFER_FRAMES + 1];
extern int channelRunCount[SOUND_CHANNELS];

// The first pass of channel ch over `frames` frames (at most WAVE_BUFFER_FRAMES).
void GenerateChannel(int ch, int frames);

// Writes every row of the first pass once, and forgets the constant rows.
void ResetFirstPass();
