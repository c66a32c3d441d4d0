// The tone generators: one stereo sample per call from the channel's voice
// (pulse, pulse16, saw, triangle, long and short noise on one shared shift
// register) through the smoothing filter and the pan law, plus the envelope
// and the per-sample sweep and vibrato. Called by the mixer's render loop once
// per sample per channel; defined inline so that loop stays tight.
#pragma once

#include <cmath>
#include <cstdint>

#include "sound/sequencer.h"
#include "sound/sound_tables.h"

constexpr int WAVE_PULSE = 0;
constexpr int WAVE_PULSE16 = 1;
constexpr int WAVE_SAW = 2;
constexpr int WAVE_TRIANGLE = 3;
constexpr int WAVE_NOISE_LONG = 4;
constexpr int WAVE_NOISE_SHORT = 5;

constexpr uint8_t VOICE_HELD_TRIANGLE = 0x38;  // holds its level after key-off
constexpr double WAVE_LEVEL = 6363.0;
constexpr double PHASE_CYCLE = 44100.0;

// The one register all noise channels share, and the mode it was last
// clocked in.
extern uint16_t noiseRegister;
extern uint8_t noiseMode;

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

// Truncation toward zero keeping the low 16 bits. A value too large for the
// intermediate integer (only an unstable filter gives one) becomes silence
// instead of an undefined conversion.
inline int16_t TruncToSample(double x) {
  if (x > -2147483648.0 && x < 2147483648.0) {
    return static_cast<int16_t>(static_cast<uint32_t>(static_cast<int32_t>(x)) & 0xFFFF);
  }
  return 0;
}

// The arithmetic of one sample, shared by the per-channel functions below and
// by the mixer's render loop, which keeps the channel in local variables.

// Threshold of the low part of a pulse cycle, in phase units.
inline int PulseThreshold(int type, int d) {
  return type == WAVE_PULSE ? 44100 / (d + 2) : 44100 * (d + 1) / 16;
}

inline double PulseLevel(int threshold, double p) {
  return threshold >= p ? -WAVE_LEVEL : WAVE_LEVEL;
}

// Levels of the saw and the triangle stay far inside the int range, so the
// conversion is the truncation toward zero.
inline double TruncLevel(double x) {
  return static_cast<double>(static_cast<int32_t>(x));
}

inline double SawLevel(double p) {
  return TruncLevel(2 * (6363 - p * 0.2885714285714286));
}

inline double TriangleLevel(int d, double p) {
  double q = p;
  if (d >= 8) q = static_cast<double>(static_cast<int32_t>(p) / 1378 * 1378);
  q = q + 11025;
  if (q > 44100) q = q - 44100;
  if (q < 22050) return TruncLevel((6363 - q * 0.5771428571428572) * 1.41);
  return TruncLevel(-(6363 - (q - 22050) * 0.5771428571428572) * 1.41);
}

// Clocks the shared register `count` times in one go; returns the last
// feedback bit. Up to 14 long-mode clocks (9 short-mode) depend only on the
// register's bits before them, so each chunk is one shift.
inline int clockNoiseTimes(uint8_t shortMode, int count) {
  if (shortMode != noiseMode) noiseRegister = 0x4000;
  noiseMode = shortMode;
  const int tap = shortMode ? 6 : 1;
  const int chunk = 15 - tap;
  uint32_t r = noiseRegister;
  int last = 0;
  while (count > 0) {
    const int k = count < chunk ? count : chunk;
    const uint32_t bits = (r ^ (r >> tap)) & ((1u << k) - 1);
    r = (r >> k) | (bits << (15 - k));
    last = static_cast<int>((bits >> (k - 1)) & 1);
    count -= k;
  }
  noiseRegister = static_cast<uint16_t>(r);
  return last;
}

// The noise clock accumulator: one register clock per 44100 passed. Taking
// 44100 off a phase below 2^53 is exact, so n subtractions are the one
// subtraction of n x 44100 and the clocks can be counted at once.
inline int16_t NoiseLevel(double& noisePhase, int16_t noiseOutput, uint8_t shortMode, double rate) {
  noisePhase = noisePhase + rate;
  if (!(noisePhase > 44100)) return noiseOutput;
  const double x = noisePhase;
  int64_t n = static_cast<int64_t>(x / 44100.0) - 1;
  if (n < 0) n = 0;
  while (x - static_cast<double>(n) * 44100.0 > 44100) ++n;
  while (n > 0 && !(x - static_cast<double>(n - 1) * 44100.0 > 44100)) --n;
  noisePhase = x - static_cast<double>(n) * 44100.0;
  if (n == 0) return noiseOutput;
  return clockNoiseTimes(shortMode, static_cast<int>(n)) ? -6363 : 6363;
}

// NoiseLevel for a render run: the accumulator passes 44100 at least
// `whole` times on every sample, so `wholePhase` (whole x 44100, an exact
// integer) comes off in one exact subtraction and at most one more follows.
inline int16_t NoiseLevelRun(double& noisePhase, int16_t noiseOutput, uint8_t shortMode,
                             double rate, int whole, double wholePhase) {
  const double x = noisePhase + rate;
  if (!(x > 44100)) {
    noisePhase = x;
    return noiseOutput;
  }
  double y = x - wholePhase;
  int n = whole;
  if (y > 44100) {
    y = y - 44100;
    ++n;
  }
  if (!(y > 0) || y > 44100 || n == 0) {  // the general count handles the edges
    return NoiseLevel(noisePhase, noiseOutput, shortMode, rate);
  }
  noisePhase = y;
  return clockNoiseTimes(shortMode, n) ? -6363 : 6363;
}

inline double FilterStep(double state, double v, double coefficient) {
  return state + (v - state) * coefficient;
}

inline double PanGainLeft(uint8_t pan) {
  return PanTable[pan > 15 ? 15 : pan];
}

inline double PanGainRight(uint8_t pan) {
  const uint8_t right = static_cast<uint8_t>(16 - pan);
  return PanTable[right > 15 ? 15 : right];
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
  // The gain goes back into the filter state: the pan acts inside the loop.
  // Pan positions beyond 15 are never compiled; they read the last entry
  // rather than past the table.
  c.filterLeft = FilterStep(c.filterLeft, v, c.filterCoefficient) * PanGainLeft(c.pan);
  c.filterRight = FilterStep(c.filterRight, v, c.filterCoefficient) * PanGainRight(c.pan);
  return {TruncToSample(c.filterLeft), TruncToSample(c.filterRight)};
}

// One sample of the envelope outside the triangle, on its fields.
inline double EnvelopeStep(double& level, int8_t& phase, double attackRate, double decayRate,
                           double sustainLevel) {
  if (phase == ENV_ATTACK) {
    level = level + attackRate;
    if (level > 1.0) {
      level = 1.0;
      phase = ENV_DECAY;
    }
  } else if (phase == ENV_DECAY) {
    level = level - decayRate;
    if (level < sustainLevel) {
      level = sustainLevel;
      phase = ENV_SUSTAIN;
    }
  }
  return level;
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

// Sweep and vibrato of one sample; returns the new frequency.
inline double ModulationStep(double& sweepOffset, double sweepRate, uint32_t& vibratoWait,
                             double& vibratoOffset, double& vibratoStep, int32_t& vibratoCountdown,
                             double noteFrequency) {
  sweepOffset = sweepOffset + sweepRate;
  if (vibratoWait > 0) vibratoWait = vibratoWait - 1;
  if (vibratoWait == 0) {
    vibratoOffset = vibratoOffset + vibratoStep;
    vibratoCountdown = vibratoCountdown - 1;
    if (vibratoCountdown <= 0) {
      vibratoCountdown = 3500;
      vibratoStep = -vibratoStep;
    }
  }
  double f = sweepOffset + noteFrequency + vibratoOffset;
  if (f < 0.0) f = 0.0;
  if (f > 20000.0) f = 20000.0;
  return f;
}

// One sample of sweep and vibrato; sets the frequency the next generateWave
// runs at.
inline void modulateFrequency(SoundChannel& c) {
  c.frequency = ModulationStep(c.sweepOffset, c.sweepRate, c.vibratoWait, c.vibratoOffset,
                               c.vibratoStep, c.vibratoCountdown, c.noteFrequency);
}
