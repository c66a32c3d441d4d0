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

inline double WaveLevel(SoundChannel& c) {
  const int type = c.voice >> 4;
  const int d = c.voice & 15;
  const double p = c.phase;
  switch (type) {
    case WAVE_PULSE: {
      int t = 44100 / (d + 2);
      return t >= p ? -WAVE_LEVEL : WAVE_LEVEL;
    }
    case WAVE_PULSE16: {
      int t = 44100 * (d + 1) / 16;
      return t >= p ? -WAVE_LEVEL : WAVE_LEVEL;
    }
    case WAVE_SAW:
      return std::trunc(2 * (6363 - p * 0.2885714285714286));
    case WAVE_TRIANGLE: {
      double q = p;
      if (d >= 8) q = static_cast<double>(static_cast<int32_t>(p) / 1378 * 1378);
      q = q + 11025;
      if (q > 44100) q = q - 44100;
      if (q < 22050) return std::trunc((6363 - q * 0.5771428571428572) * 1.41);
      return std::trunc(-(6363 - (q - 22050) * 0.5771428571428572) * 1.41);
    }
    case WAVE_NOISE_LONG:
    case WAVE_NOISE_SHORT: {
      const uint8_t shortMode = type == WAVE_NOISE_SHORT ? 1 : 0;
      c.noisePhase = c.noisePhase + NoiseRateTable[d];
      while (c.noisePhase > 44100) {
        c.noisePhase = c.noisePhase - 44100;
        c.noiseOutput = clockNoise(shortMode) ? -6363 : 6363;
      }
      return c.noiseOutput;
    }
    default:
      return 0.0;
  }
}

inline StereoSample generateWave(SoundChannel& c) {
  c.phase = c.phase + c.frequency;
  if (c.phase >= PHASE_CYCLE) c.phase = c.phase - PHASE_CYCLE;
  if (!c.keyOn) return {0, 0};
  const double v = WaveLevel(c);
  c.filterLeft = c.filterLeft + (v - c.filterLeft) * c.filterCoefficient;
  c.filterRight = c.filterRight + (v - c.filterRight) * c.filterCoefficient;
  // The gain goes back into the filter state: the pan acts inside the loop.
  // Pan positions beyond 15 are never compiled; they read the last entry
  // rather than past the table.
  const uint8_t leftIndex = c.pan > 15 ? 15 : c.pan;
  const uint8_t rightPan = static_cast<uint8_t>(16 - c.pan);
  c.filterLeft = c.filterLeft * PanTable[leftIndex];
  c.filterRight = c.filterRight * PanTable[rightPan > 15 ? 15 : rightPan];
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
  if (c.envelopePhase == ENV_ATTACK) {
    c.envelopeLevel = c.envelopeLevel + c.attackRate;
    if (c.envelopeLevel > 1.0) {
      c.envelopeLevel = 1.0;
      c.envelopePhase = ENV_DECAY;
    }
  } else if (c.envelopePhase == ENV_DECAY) {
    c.envelopeLevel = c.envelopeLevel - c.decayRate;
    if (c.envelopeLevel < c.sustainLevel) {
      c.envelopeLevel = c.sustainLevel;
      c.envelopePhase = ENV_SUSTAIN;
    }
  }
  return c.envelopeLevel;
}

// One sample of sweep and vibrato; sets the frequency the next generateWave
// runs at.
inline void modulateFrequency(SoundChannel& c) {
  c.sweepOffset = c.sweepOffset + c.sweepRate;
  if (c.vibratoWait > 0) c.vibratoWait = c.vibratoWait - 1;
  if (c.vibratoWait == 0) {
    c.vibratoOffset = c.vibratoOffset + c.vibratoStep;
    c.vibratoCountdown = c.vibratoCountdown - 1;
    if (c.vibratoCountdown <= 0) {
      c.vibratoCountdown = 3500;
      c.vibratoStep = -c.vibratoStep;
    }
  }
  double f = c.sweepOffset + c.noteFrequency + c.vibratoOffset;
  if (f < 0.0) f = 0.0;
  if (f > 20000.0) f = 20000.0;
  c.frequency = f;
}
