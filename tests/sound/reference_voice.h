// The reference model of the tone generators: a channel one sample at a
// time, each step in its defined order on the channel's record. The mixer
// renders whole buffers in passes; the tests hold it to these functions
// sample for sample. They compute with the same arithmetic
// (sound/tone_generator.h); nothing in the program calls them.
#pragma once

#include <cstdint>

#include "sound/sequencer.h"
#include "sound/sound_tables.h"
#include "sound/tone_generator.h"

struct StereoSample {
  int16_t left;
  int16_t right;
};

// Steps the shared register once and returns the feedback bit.
inline int clockNoise(uint8_t shortMode) {
  if (shortMode != noiseMode) noiseRegister = 0x4000;
  noiseMode = shortMode;
  int t = shortMode ? (noiseRegister >> 6) & 1 : (noiseRegister >> 1) & 1;
  int b = (noiseRegister & 1) ^ t;
  noiseRegister = static_cast<uint16_t>(noiseRegister >> 1);
  if (b) noiseRegister = static_cast<uint16_t>(noiseRegister | 0x4000);
  return b;
}

inline double WaveLevel(SoundChannel& c) {
  const int type = c.voice >> 4;
  const int d = c.voice & 15;
  const double p = c.phase;
  switch (type) {
    case WAVE_PULSE:
    case WAVE_PULSE16:
      return PulseLevel(PulseThreshold(type, d), p);
    case WAVE_SAW:
      return SawLevel(p);
    case WAVE_TRIANGLE:
      return TriangleLevel(d, p);
    case WAVE_NOISE_LONG:
    case WAVE_NOISE_SHORT:
      c.noiseOutput = NoiseLevel(c.noisePhase, c.noiseOutput, type == WAVE_NOISE_SHORT ? 1 : 0,
                                 NoiseRateTable[d]);
      return c.noiseOutput;
    default:
      return 0.0;
  }
}

inline StereoSample generateWave(SoundChannel& c) {
  c.phase = c.phase + c.frequency;
  if (c.phase >= PHASE_CYCLE) c.phase = c.phase - PHASE_CYCLE;
  if (!c.keyOn) return {0, 0};
  const double v = WaveLevel(c);
  // Pan positions beyond 15 are never compiled; they read the last entry
  // rather than past the table.
  c.filterLeft = FilterAndPan(c.filterLeft, v, c.filterCoefficient, PanGainLeft(c.pan));
  c.filterRight = FilterAndPan(c.filterRight, v, c.filterCoefficient, PanGainRight(c.pan));
  return {TruncToSample(c.filterLeft), TruncToSample(c.filterRight)};
}

// Advances the envelope by one sample; restart first puts it back to 0 in
// the attack.
inline double nextEnvelopeLevel(SoundChannel& c, uint8_t restart) {
  if (restart) {
    c.envelopeLevel = 0.0;
    c.envelopePhase = ENV_ATTACK;
  }
  if ((c.voice >> 4) == WAVE_TRIANGLE) {
    c.envelopeLevel = 1.0;
    return 1.0;
  }
  return EnvelopeStep(c.envelopeLevel, c.envelopePhase, c.attackRate, c.decayRate, c.sustainLevel);
}

// One sample of sweep and vibrato; sets the frequency the next generateWave
// runs at.
inline void modulateFrequency(SoundChannel& c) {
  c.frequency = ModulationStep(c.sweepOffset, c.sweepRate, c.vibratoWait, c.vibratoOffset,
                               c.vibratoStep, c.vibratoCountdown, c.noteFrequency);
}

// One channel rendered sample by sample: generator, modulation, envelope,
// volume, then the note timers and the sequencer step.
inline void ReferenceRender(int ch, int16_t* samples, int frames) {
  SoundChannel& c = gSoundChannels[ch];
  for (int i = 0; i < frames; ++i) {
    const StereoSample s = generateWave(c);
    modulateFrequency(c);
    const uint8_t restart = c.envelopeRestart;
    const double e = nextEnvelopeLevel(c, restart);
    if (restart) c.envelopeRestart = 0;
    const double gain = VolumeTable[c.volume];
    samples[2 * i] = TruncToSample(ScaleSample<double>(s.left, gain, e));
    samples[2 * i + 1] = TruncToSample(ScaleSample<double>(s.right, gain, e));
    if (c.playing) {
      c.waitSamples = c.waitSamples - 1;
      c.gateSamples = c.gateSamples - 1;
      if (c.gateSamples < 1.0 && c.tieFlag == 0) {
        if (c.voice == VOICE_HELD_TRIANGLE) {
          c.frequency = 0.0;
          c.keyOn = 1;
        } else {
          c.keyOn = 0;
        }
      }
      if (c.waitSamples < 1.0) stepSequencer(ch);
    }
  }
}
