// The arithmetic of one sample of a channel: the wave levels (pulse, pulse16,
// saw, triangle, long and short noise on one shared shift register), the
// smoothing filter with the pan law, the scaling by volume and envelope, the
// envelope step and the sweep and vibrato step. The mixer's passes (mix_*.h)
// call these from their loops over a buffer, and the tests' sample-by-sample
// reference (tests/sound/reference_voice.h) builds one sample from them, so
// both compute every value the same way.
#pragma once

#include <cmath>
#include <cstdint>

#include "sound/sequencer.h"
#include "sound/sound_tables.h"

// Forces a helper into the loops that call it: the mixer's loops keep their
// state in registers only when everything in them is inlined, and no helper
// is ever left as a function of its own in the AVX2 loops' file (compiled
// for AVX2, its copy could be the one the program links).
#if defined(__GNUC__) || defined(__clang__)
#define MIX_INLINE inline __attribute__((always_inline))
#else
#define MIX_INLINE inline
#endif

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
// clocked in (defined with the noise runs, noise_runs.cpp).
extern uint16_t noiseRegister;
extern uint8_t noiseMode;

// Truncation toward zero keeping the low 16 bits. A value too large for the
// intermediate integer (only an unstable filter gives one) becomes silence
// instead of an undefined conversion.
MIX_INLINE int16_t TruncToSample(double x) {
  if (x > -2147483648.0 && x < 2147483648.0) {
    return static_cast<int16_t>(static_cast<uint32_t>(static_cast<int32_t>(x)) & 0xFFFF);
  }
  return 0;
}

// Threshold of the low part of a pulse cycle, in phase units.
inline int PulseThreshold(int type, int d) {
  return type == WAVE_PULSE ? 44100 / (d + 2) : 44100 * (d + 1) / 16;
}

// The threshold as an int or as the double of it: the comparison is the same.
template <typename T>
MIX_INLINE double PulseLevel(T threshold, double p) {
  return threshold >= p ? -WAVE_LEVEL : WAVE_LEVEL;
}

// Levels of the saw and the triangle stay far inside the int range, so the
// conversion is the truncation toward zero.
MIX_INLINE double TruncLevel(double x) {
  return static_cast<double>(static_cast<int32_t>(x));
}

MIX_INLINE double SawLevel(double p) {
  return TruncLevel(2 * (6363 - p * 0.2885714285714286));
}

MIX_INLINE double TriangleLevel(int d, double p) {
  double q = p;
  if (d >= 8) q = static_cast<double>(static_cast<int32_t>(p) / 1378 * 1378);
  q = q + 11025;
  if (q > 44100) q = q - 44100;
  if (q < 22050) return TruncLevel((6363 - q * 0.5771428571428572) * 1.41);
  return TruncLevel(-(6363 - (q - 22050) * 0.5771428571428572) * 1.41);
}

// The level of a noise channel after its register's last clock: the last
// feedback bit went in at bit 14. The bit is as good as random, so the
// level comes from arithmetic rather than a branch.
inline int16_t NoiseOutputOf(uint32_t r) {
  return static_cast<int16_t>(6363 - 12726 * static_cast<int>((r >> 14) & 1));
}

// The register r (15 bits) clocked count times, tap 1 in long mode and 6 in
// short mode, in chunks of up to 15 clocks. Each clock shifts in r's bit 0
// XOR its bit `tap`: the first 15 - tap feedback bits of a chunk come from
// the register's bits, each later one also from the feedback bit 15 - tap
// clocks before it.
MIX_INLINE uint32_t ClockNoiseRegister(uint32_t r, int tap, int count) {
  while (count > 0) {
    const int k = count < 15 ? count : 15;
    uint32_t bits = r ^ (r >> tap);
    if (k > 15 - tap) bits ^= bits << (15 - tap);
    bits &= (1u << k) - 1;
    r = (r >> k) | (bits << (15 - k));
    count -= k;
  }
  return r;
}

// Clocks the shared register `count` times in one go, from 0x4000 when the
// mode changes; returns the last feedback bit (0 for no clock).
inline int clockNoiseTimes(uint8_t shortMode, int count) {
  if (shortMode != noiseMode) noiseRegister = 0x4000;
  noiseMode = shortMode;
  if (count <= 0) return 0;
  noiseRegister =
      static_cast<uint16_t>(ClockNoiseRegister(noiseRegister, shortMode ? 6 : 1, count));
  return (noiseRegister >> 14) & 1;
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

// The smoothing filter and the pan of one side (or of several side by side:
// T is a double, a Pair or a vector of four): the filter moves from its
// state toward the level by the coefficient, and the pan gain scales the
// value it keeps, so the pan acts inside the filter loop.
template <typename T>
MIX_INLINE T FilterAndPan(T state, T level, T coefficient, T pan) {
  return (state + (level - state) * coefficient) * pan;
}

// A channel's sample (the filter's value truncated) scaled by its volume's
// gain, then by the envelope, in that order.
template <typename T>
MIX_INLINE T ScaleSample(T sample, T gain, T envelope) {
  return sample * gain * envelope;
}

inline double PanGainLeft(uint8_t pan) {
  return PanTable[pan > 15 ? 15 : pan];
}

inline double PanGainRight(uint8_t pan) {
  const uint8_t right = static_cast<uint8_t>(16 - pan);
  return PanTable[right > 15 ? 15 : right];
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

// The frequency of a note with its sweep and vibrato offsets, held within
// 0 to 20000 Hz.
inline double ClampedFrequency(double sweepOffset, double noteFrequency, double vibratoOffset) {
  double f = sweepOffset + noteFrequency + vibratoOffset;
  if (f < 0.0) f = 0.0;
  if (f > 20000.0) f = 20000.0;
  return f;
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
  return ClampedFrequency(sweepOffset, noteFrequency, vibratoOffset);
}
