// The channel sequencer: the eight SoundChannel records and the walk through
// each channel's event code. startChannel, stopChannel and markCodeEmpty are
// called by the channel interface on the game thread; stepSequencer by
// startChannel and by the mixer whenever a note or rest has run out.
#pragma once

#include <cstdint>

#include "sound/event_code.h"

constexpr int8_t ENV_ATTACK = 0;
constexpr int8_t ENV_DECAY = 1;
constexpr int8_t ENV_SUSTAIN = 2;

// A channel that reads this many events in one step without reaching a note
// or rest is running a stretch of code that takes no time (nested empty
// loops); it is stopped rather than left to spin on the output thread.
constexpr int STEP_EVENT_LIMIT = 8192;

// Positions in the event code (readPos, loopPoint, loopStart, loopEnd) are
// byte offsets into eventCode, always even, so that they can be checked
// against the buffer before every read.
struct SoundChannel {
  uint8_t voice;
  uint8_t transpose;
  int32_t tempo;  // hundredths of a beat per minute
  double attackRate;
  double decayRate;
  double sustainLevel;
  uint8_t envelopeRestart;
  double envelopeLevel;
  int8_t envelopePhase;
  uint8_t keyOn;
  uint8_t playing;
  uint32_t noteCount;
  double waitSamples;
  uint8_t tieFlag;
  double gateSamples;
  int8_t gate;
  int8_t detune;
  int8_t volume;
  uint8_t* eventCode;
  int32_t readPos;
  int32_t loopPoint;
  int32_t loopStart[6];
  int32_t loopEnd[6];
  uint8_t loopCount[6];
  int32_t loopPass[6];
  int32_t loopDepth;
  uint32_t vibratoWait;
  uint32_t vibratoDelay;
  uint8_t textHeld;
  double phase;
  double noteFrequency;
  double frequency;
  double sweepRate;
  double sweepOffset;
  double vibratoDepth;
  double vibratoStep;
  double vibratoOffset;
  int32_t vibratoCountdown;
  double noisePhase;
  int16_t noiseOutput;
  double filterLeft;
  double filterRight;
  uint8_t pan;
  double filterCoefficient;
};

extern SoundChannel gSoundChannels[SOUND_CHANNELS];

// Gives the channel its start values and reads up to its first note or rest.
void startChannel(int ch);
// Silences the channel from the next sample and rewinds its code.
void stopChannel(int ch);
// Marks the channel's code empty (EV_STOP first), ready for a compilation.
void markCodeEmpty(int ch);
void resetEnvelope(int ch);
// Reads events from readPos until one ends the step.
void stepSequencer(int ch);

double ticksToSamples(int ch, int ticks);
double notePitch(uint8_t note, int8_t detune);
