#include "sound/mixer.h"

#include <cstring>

#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

uint16_t noiseRegister = 0x4000;
uint8_t noiseMode = 0;

namespace {

// The generator's 16-bit value times the volume gain (at most 1) and the
// envelope (at most the sustain level, below 7) stays far inside the int
// range, so the truncation needs no range check.
inline int16_t ScaledSample(double level, double gain, double e) {
  return static_cast<int16_t>(static_cast<uint32_t>(static_cast<int32_t>(level * gain * e)) &
                              0xFFFF);
}

// The render loop of one channel from frame `i` until the channel needs its
// next sequencer step (that frame included) or the frames run out. The
// channel's changing fields live in locals for the length of the run; the
// settings only events change (voice, volume, pan, filter, rates) are
// constant within it. Returns the frame after the last one rendered.
int RenderRun(int ch, int16_t* samples, int i, int frames) {
  SoundChannel& c = soundChannels[ch];
  const uint8_t voice = c.voice;
  const int type = voice >> 4;
  const int d = voice & 15;
  const int threshold = PulseThreshold(type, d);
  const bool triangle = type == WAVE_TRIANGLE;
  const bool held = voice == VOICE_HELD_TRIANGLE;
  const uint8_t shortMode = type == WAVE_NOISE_SHORT ? 1 : 0;
  const double noiseRate = NoiseRateTable[d];
  const int noiseWhole = static_cast<int>(noiseRate / 44100.0);
  const double noiseWholePhase = noiseWhole * 44100.0;
  const double coefficient = c.filterCoefficient;
  const double panLeft = PanGainLeft(c.pan);
  const double panRight = PanGainRight(c.pan);
  const int volume = c.volume < 0 ? 0 : (c.volume > 15 ? 15 : c.volume);
  const double gain = VolumeTable[volume];
  const double attackRate = c.attackRate;
  const double decayRate = c.decayRate;
  const double sustainLevel = c.sustainLevel;
  const double sweepRate = c.sweepRate;
  const double noteFrequency = c.noteFrequency;
  const uint8_t playing = c.playing;
  const uint8_t tieFlag = c.tieFlag;
  // Without sweep or vibrato steps, sweepOffset and vibratoOffset never
  // change (neither can be -0, so adding 0 leaves them as they are), and the
  // frequency is the same on every sample; only the vibrato's counters run.
  const bool steady = sweepRate == 0.0 && c.vibratoStep == 0.0;

  double phase = c.phase;
  double frequency = c.frequency;
  uint8_t keyOn = c.keyOn;
  double filterLeft = c.filterLeft;
  double filterRight = c.filterRight;
  double envelopeLevel = c.envelopeLevel;
  int8_t envelopePhase = c.envelopePhase;
  uint8_t envelopeRestart = c.envelopeRestart;
  double sweepOffset = c.sweepOffset;
  uint32_t vibratoWait = c.vibratoWait;
  double vibratoOffset = c.vibratoOffset;
  double vibratoStep = c.vibratoStep;
  int32_t vibratoCountdown = c.vibratoCountdown;
  double waitSamples = c.waitSamples;
  double gateSamples = c.gateSamples;
  double noisePhase = c.noisePhase;
  int16_t noiseOutput = c.noiseOutput;
  double steadyFrequency = sweepOffset + noteFrequency + vibratoOffset;
  if (steadyFrequency < 0.0) steadyFrequency = 0.0;
  if (steadyFrequency > 20000.0) steadyFrequency = 20000.0;

  // Equal gains on equal filter states make both sides the same sample by
  // sample (at most the sign of a zero differs, which no output shows), so
  // the right side is a copy of the left.
  const bool centred = panLeft == panRight && filterLeft == filterRight;
  bool step = false;
  if (!playing && !keyOn) {
    // A stopped channel stays silent and still: only its phase, modulation and
    // envelope move on.
    for (; i < frames; ++i) {
      phase = phase + frequency;
      if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
      if (steady) {
        if (vibratoWait > 0) vibratoWait = vibratoWait - 1;
        if (vibratoWait == 0) {
          vibratoCountdown = vibratoCountdown - 1;
          if (vibratoCountdown <= 0) {
            vibratoCountdown = 3500;
            vibratoStep = -vibratoStep;
          }
        }
        frequency = steadyFrequency;
      } else {
        frequency = ModulationStep(sweepOffset, sweepRate, vibratoWait, vibratoOffset, vibratoStep,
                                   vibratoCountdown, noteFrequency);
      }
      if (envelopeRestart) {
        envelopeLevel = 0.0;
        envelopePhase = ENV_ATTACK;
        envelopeRestart = 0;
      }
      if (triangle) {
        envelopeLevel = 1.0;
      } else {
        EnvelopeStep(envelopeLevel, envelopePhase, attackRate, decayRate, sustainLevel);
      }
      samples[2 * i] = 0;
      samples[2 * i + 1] = 0;
    }
  }
  for (; i < frames && !step; ++i) {
    // The generator.
    phase = phase + frequency;
    if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
    double left = 0.0;
    double right = 0.0;
    if (keyOn) {
      double v;
      switch (type) {
        case WAVE_PULSE:
        case WAVE_PULSE16:
          v = PulseLevel(threshold, phase);
          break;
        case WAVE_SAW:
          v = SawLevel(phase);
          break;
        case WAVE_TRIANGLE:
          v = TriangleLevel(d, phase);
          break;
        case WAVE_NOISE_LONG:
        case WAVE_NOISE_SHORT:
          noiseOutput = NoiseLevelRun(noisePhase, noiseOutput, shortMode, noiseRate, noiseWhole,
                                      noiseWholePhase);
          v = noiseOutput;
          break;
        default:
          v = 0.0;
          break;
      }
      filterLeft = FilterStep(filterLeft, v, coefficient) * panLeft;
      left = TruncToSample(filterLeft);
      if (centred) {
        filterRight = filterLeft;
        right = left;
      } else {
        filterRight = FilterStep(filterRight, v, coefficient) * panRight;
        right = TruncToSample(filterRight);
      }
    }
    // The modulation.
    if (steady) {
      if (vibratoWait > 0) vibratoWait = vibratoWait - 1;
      if (vibratoWait == 0) {
        vibratoCountdown = vibratoCountdown - 1;
        if (vibratoCountdown <= 0) {
          vibratoCountdown = 3500;
          vibratoStep = -vibratoStep;
        }
      }
      frequency = steadyFrequency;
    } else {
      frequency = ModulationStep(sweepOffset, sweepRate, vibratoWait, vibratoOffset, vibratoStep,
                                 vibratoCountdown, noteFrequency);
    }
    // The envelope.
    if (envelopeRestart) {
      envelopeLevel = 0.0;
      envelopePhase = ENV_ATTACK;
      envelopeRestart = 0;
    }
    double e;
    if (triangle) {
      envelopeLevel = 1.0;
      e = 1.0;
    } else {
      e = EnvelopeStep(envelopeLevel, envelopePhase, attackRate, decayRate, sustainLevel);
    }
    samples[2 * i] = ScaledSample(left, gain, e);
    samples[2 * i + 1] = centred ? samples[2 * i] : ScaledSample(right, gain, e);
    // The note timers.
    if (playing) {
      waitSamples = waitSamples - 1;
      gateSamples = gateSamples - 1;
      if (gateSamples < 1.0 && tieFlag == 0) {
        if (held) {
          frequency = 0.0;
          keyOn = 1;
        } else {
          keyOn = 0;
        }
      }
      step = waitSamples < 1.0;
    }
  }

  c.phase = phase;
  c.frequency = frequency;
  c.keyOn = keyOn;
  c.filterLeft = filterLeft;
  c.filterRight = filterRight;
  c.envelopeLevel = envelopeLevel;
  c.envelopePhase = envelopePhase;
  c.envelopeRestart = envelopeRestart;
  c.sweepOffset = sweepOffset;
  c.vibratoWait = vibratoWait;
  c.vibratoOffset = vibratoOffset;
  c.vibratoStep = vibratoStep;
  c.vibratoCountdown = vibratoCountdown;
  c.waitSamples = waitSamples;
  c.gateSamples = gateSamples;
  c.noisePhase = noisePhase;
  c.noiseOutput = noiseOutput;
  if (step) stepSequencer(ch);
  return i;
}

}  // namespace

void renderChannel(int ch, int16_t* samples, int byteCount) {
  if (ch < 0 || ch >= 8 || !samples || byteCount <= 0) return;
  const int frames = byteCount / 4;
  int i = 0;
  while (i < frames) i = RenderRun(ch, samples, i, frames);
}

void renderMix(uint8_t* buffer, int byteCount) {
  if (!buffer || byteCount <= 0) return;
  // Only whole frames that fit both the caller's buffer and the scratch
  // buffer are mixed; a partial frame at the end stays silent.
  const int bytes = byteCount < WAVE_BUFFER_SIZE ? byteCount : WAVE_BUFFER_SIZE;
  std::memset(buffer, 0, static_cast<size_t>(bytes));
  int16_t* scratch = scratchBuffer;
  if (!scratch) return;
  const int frames = bytes / 4;
  // Summed wide; the low 16 bits of the sum are the 16-bit wrap-around sum.
  static int32_t mix[WAVE_BUFFER_SIZE / 2];
  std::memset(mix, 0, sizeof mix);
  for (int ch = 0; ch < 8; ++ch) {
    renderChannel(ch, scratch, frames * 4);
    const int16_t* from = scratch;
    for (int k = 0; k < frames * 2; ++k) mix[k] += from[k];
  }
  for (int k = 0; k < frames * 2; ++k) {
    const uint32_t v = static_cast<uint32_t>(mix[k]);
    buffer[2 * k] = static_cast<uint8_t>(v & 0xFF);
    buffer[2 * k + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
}
