#include "sound/mixer.h"

#include <cstring>

#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

uint16_t noiseRegister = 0x4000;
uint8_t noiseMode = 0;

namespace {

// A channel is rendered in two passes. The first walks each channel in turn
// (so the shared noise register is clocked in channel order) through
// everything but the smoothing filter: phase, wave level, modulation,
// envelope, note timers and sequencer steps. The filter and pan of one
// channel is a chain of dependent multiplications and additions from sample
// to sample; the second pass runs the chains of all channels side by side so
// that they overlap instead of waiting for one another.

// What the first pass leaves for the second, frame by frame and channel by
// channel: the generator's level, whether the generator ran (keyOn), and the
// envelope value the sample is scaled by.
double waveLevels[WAVE_FRAMES][8];
double envelopeValues[WAVE_FRAMES][8];
uint8_t generatorOn[WAVE_FRAMES][8];

// The settings the filter and the scaling read, constant from one sequencer
// step to the next. A channel's runs start at rising frames; an extra entry
// starting at the frame count ends the list.
struct RunSettings {
  int start;
  double coefficient;
  double panLeft;
  double panRight;
  double gain;
};
RunSettings channelRuns[8][WAVE_FRAMES + 1];
int channelRunCount[8];
// Whether the channel was playing or sounding on some frame of the buffer;
// the others give silence and leave their filters as they are.
bool channelActive[8];

// The generator's 16-bit value times the volume gain (at most 1) and the
// envelope (at most the sustain level, below 7) stays far inside the int
// range, so the truncation needs no range check.
inline int16_t ScaledSample(double level, double gain, double e) {
  return static_cast<int16_t>(static_cast<uint32_t>(static_cast<int32_t>(level * gain * e)) &
                              0xFFFF);
}

// The first pass of one channel from frame `i` until the channel needs its
// next sequencer step (that frame included) or the frames run out. The
// channel's changing fields live in locals for the length of the run; the
// settings only events change (voice, volume, pan, filter, rates) are
// constant within it. Returns the frame after the last one rendered.
// KIND is the generator (one per voice family, so the loop holds no switch)
// and STEADY whether the run has no sweep and no vibrato steps.
constexpr int KIND_PULSE = 0;
constexpr int KIND_SAW = 1;
constexpr int KIND_TRIANGLE = 2;
constexpr int KIND_NOISE = 3;
constexpr int KIND_SILENT = 4;

template <int KIND, bool STEADY>
int RenderRun(int ch, int i, int frames) {
  SoundChannel& c = soundChannels[ch];
  const uint8_t voice = c.voice;
  const int type = voice >> 4;
  const int d = voice & 15;
  const int threshold = PulseThreshold(type, d);
  constexpr bool triangle = KIND == KIND_TRIANGLE;
  const bool held = voice == VOICE_HELD_TRIANGLE;
  const uint8_t shortMode = type == WAVE_NOISE_SHORT ? 1 : 0;
  const double noiseRate = NoiseRateTable[d];
  const int noiseWhole = static_cast<int>(noiseRate / 44100.0);
  const double noiseWholePhase = noiseWhole * 44100.0;
  const int volume = c.volume < 0 ? 0 : (c.volume > 15 ? 15 : c.volume);
  const double attackRate = c.attackRate;
  const double decayRate = c.decayRate;
  const double sustainLevel = c.sustainLevel;
  const double sweepRate = c.sweepRate;
  const double noteFrequency = c.noteFrequency;
  const uint8_t playing = c.playing;
  const uint8_t tieFlag = c.tieFlag;
  constexpr bool steady = STEADY;

  RunSettings& run = channelRuns[ch][channelRunCount[ch]++];
  run.start = i;
  run.coefficient = c.filterCoefficient;
  run.panLeft = PanGainLeft(c.pan);
  run.panRight = PanGainRight(c.pan);
  run.gain = VolumeTable[volume];

  double phase = c.phase;
  double frequency = c.frequency;
  uint8_t keyOn = c.keyOn;
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

  // The modulation, then the envelope, of one sample; returns the envelope
  // level the sample is scaled by.
  auto modulateAndEnvelope = [&]() -> double {
    if constexpr (steady) {
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
    if constexpr (triangle) {
      envelopeLevel = 1.0;
      return 1.0;
    } else {
      return EnvelopeStep(envelopeLevel, envelopePhase, attackRate, decayRate, sustainLevel);
    }
  };
  bool step = false;
  if (!playing && !keyOn) {
    // A stopped channel stays silent and still: only its phase, modulation and
    // envelope move on.
    for (; i < frames; ++i) {
      phase = phase + frequency;
      if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
      modulateAndEnvelope();
      // The level and envelope are left as they were: without the generator
      // the filter keeps its state and the sample is 0 whatever they hold.
      generatorOn[i][ch] = 0;
    }
  }
  if (i < frames) channelActive[ch] = true;
  for (; i < frames && !step; ++i) {
    // The generator.
    phase = phase + frequency;
    if (phase >= PHASE_CYCLE) phase = phase - PHASE_CYCLE;
    double v = 0.0;
    if (keyOn) {
      if constexpr (KIND == KIND_PULSE) {
        v = PulseLevel(threshold, phase);
      } else if constexpr (KIND == KIND_SAW) {
        v = SawLevel(phase);
      } else if constexpr (KIND == KIND_TRIANGLE) {
        v = TriangleLevel(d, phase);
      } else if constexpr (KIND == KIND_NOISE) {
        noiseOutput = NoiseLevelRun(noisePhase, noiseOutput, shortMode, noiseRate, noiseWhole,
                                    noiseWholePhase);
        v = noiseOutput;
      }
    }
    waveLevels[i][ch] = v;
    generatorOn[i][ch] = keyOn;
    envelopeValues[i][ch] = modulateAndEnvelope();
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

template <bool STEADY>
int RenderRunOf(int ch, int i, int frames) {
  switch (soundChannels[ch].voice >> 4) {
    case WAVE_PULSE:
    case WAVE_PULSE16:
      return RenderRun<KIND_PULSE, STEADY>(ch, i, frames);
    case WAVE_SAW:
      return RenderRun<KIND_SAW, STEADY>(ch, i, frames);
    case WAVE_TRIANGLE:
      return RenderRun<KIND_TRIANGLE, STEADY>(ch, i, frames);
    case WAVE_NOISE_LONG:
    case WAVE_NOISE_SHORT:
      return RenderRun<KIND_NOISE, STEADY>(ch, i, frames);
    default:
      return RenderRun<KIND_SILENT, STEADY>(ch, i, frames);
  }
}

// The first pass of one channel over `frames` frames (at most WAVE_FRAMES).
void GenerateChannel(int ch, int frames) {
  channelRunCount[ch] = 0;
  channelActive[ch] = false;
  int i = 0;
  while (i < frames) {
    // Without sweep or vibrato steps, sweepOffset and vibratoOffset never
    // change (neither can be -0, so adding 0 leaves them as they are), and
    // the frequency is the same on every sample; only the vibrato's counters
    // run.
    const SoundChannel& c = soundChannels[ch];
    if (c.sweepRate == 0.0 && c.vibratoStep == 0.0) {
      i = RenderRunOf<true>(ch, i, frames);
    } else {
      i = RenderRunOf<false>(ch, i, frames);
    }
  }
  channelRuns[ch][channelRunCount[ch]].start = frames;
}

// The settings of the current run of every channel, for the second pass.
// The filter keeps its state while the generator rests; the filtered sample
// is scaled by the volume gain and then by the envelope, in that order.
struct FilterSettings {
  double coefficient[8];
  double panLeft[8];
  double panRight[8];
  double gain[8];
};

inline void LoadSettings(FilterSettings& s, int ch, const RunSettings& r) {
  s.coefficient[ch] = r.coefficient;
  s.panLeft[ch] = r.panLeft;
  s.panRight[ch] = r.panRight;
  s.gain[ch] = r.gain;
}

// The second pass of one channel alone, for renderChannel.
void FilterChannel(int ch, int16_t* samples) {
  SoundChannel& c = soundChannels[ch];
  double filterLeft = c.filterLeft;
  double filterRight = c.filterRight;
  for (int r = 0; r < channelRunCount[ch]; ++r) {
    const RunSettings& run = channelRuns[ch][r];
    const int end = channelRuns[ch][r + 1].start;
    for (int i = run.start; i < end; ++i) {
      double left = 0.0;
      double right = 0.0;
      if (generatorOn[i][ch]) {
        const double v = waveLevels[i][ch];
        filterLeft = FilterStep(filterLeft, v, run.coefficient) * run.panLeft;
        filterRight = FilterStep(filterRight, v, run.coefficient) * run.panRight;
        left = TruncToSample(filterLeft);
        right = TruncToSample(filterRight);
      }
      const double e = envelopeValues[i][ch];
      samples[2 * i] = ScaledSample(left, run.gain, e);
      samples[2 * i + 1] = ScaledSample(right, run.gain, e);
    }
  }
  c.filterLeft = filterLeft;
  c.filterRight = filterRight;
}

// The second pass of all eight channels, frame by frame, summed into mix.
// Between two frames where some channel's settings change, all settings are
// held in locals.
void FilterAllChannels(int32_t* mix, int frames) {
  double filterLeft[8];
  double filterRight[8];
  int run[8];
  FilterSettings s;
  for (int ch = 0; ch < 8; ++ch) {
    filterLeft[ch] = soundChannels[ch].filterLeft;
    filterRight[ch] = soundChannels[ch].filterRight;
    run[ch] = 0;
    LoadSettings(s, ch, channelRuns[ch][0]);
  }
  int from = 0;
  while (from < frames) {
    int to = frames;
    for (int ch = 0; ch < 8; ++ch) {
      const int next = channelRuns[ch][run[ch] + 1].start;
      if (next < to) to = next;
    }
    for (int i = from; i < to; ++i) {
      int32_t sumLeft = 0;
      int32_t sumRight = 0;
      for (int ch = 0; ch < 8; ++ch) {
        const double v = waveLevels[i][ch];
        const double nextLeft = FilterStep(filterLeft[ch], v, s.coefficient[ch]) * s.panLeft[ch];
        const double nextRight = FilterStep(filterRight[ch], v, s.coefficient[ch]) * s.panRight[ch];
        const bool on = generatorOn[i][ch] != 0;
        filterLeft[ch] = on ? nextLeft : filterLeft[ch];
        filterRight[ch] = on ? nextRight : filterRight[ch];
        const double left = on ? static_cast<double>(TruncToSample(nextLeft)) : 0.0;
        const double right = on ? static_cast<double>(TruncToSample(nextRight)) : 0.0;
        const double e = envelopeValues[i][ch];
        sumLeft += ScaledSample(left, s.gain[ch], e);
        sumRight += ScaledSample(right, s.gain[ch], e);
      }
      mix[2 * i] = sumLeft;
      mix[2 * i + 1] = sumRight;
    }
    from = to;
    for (int ch = 0; ch < 8; ++ch) {
      if (channelRuns[ch][run[ch] + 1].start == from && from < frames) {
        ++run[ch];
        LoadSettings(s, ch, channelRuns[ch][run[ch]]);
      }
    }
  }
  for (int ch = 0; ch < 8; ++ch) {
    soundChannels[ch].filterLeft = filterLeft[ch];
    soundChannels[ch].filterRight = filterRight[ch];
  }
}

}  // namespace

void renderChannel(int ch, int16_t* samples, int byteCount) {
  if (ch < 0 || ch >= 8 || !samples || byteCount <= 0) return;
  int frames = byteCount / 4;
  while (frames > 0) {
    const int n = frames < WAVE_FRAMES ? frames : WAVE_FRAMES;
    GenerateChannel(ch, n);
    FilterChannel(ch, samples);
    samples += 2 * n;
    frames -= n;
  }
}

void renderMix(uint8_t* buffer, int byteCount) {
  if (!buffer || byteCount <= 0) return;
  // Only whole frames that fit both the caller's buffer and the scratch
  // buffer are mixed; a partial frame at the end stays silent.
  const int bytes = byteCount < WAVE_BUFFER_SIZE ? byteCount : WAVE_BUFFER_SIZE;
  std::memset(buffer, 0, static_cast<size_t>(bytes));
  if (!scratchBuffer) return;
  const int frames = bytes / 4;
  if (frames == 0) return;
  for (int ch = 0; ch < 8; ++ch) GenerateChannel(ch, frames);
  // Summed wide; the low 16 bits of the sum are the 16-bit wrap-around sum.
  static int32_t mix[WAVE_BUFFER_SIZE / 2];
  int active = 0;
  for (int ch = 0; ch < 8; ++ch) active += channelActive[ch] ? 1 : 0;
  if (active > 2) {
    FilterAllChannels(mix, frames);
  } else {
    // With one or two channels sounding there are too few chains to overlap
    // to pay for running all eight.
    std::memset(mix, 0, sizeof mix);
    for (int ch = 0; ch < 8; ++ch) {
      if (!channelActive[ch]) continue;
      FilterChannel(ch, scratchBuffer);
      for (int k = 0; k < frames * 2; ++k) mix[k] += scratchBuffer[k];
    }
  }
  for (int k = 0; k < frames * 2; ++k) {
    const uint32_t v = static_cast<uint32_t>(mix[k]);
    buffer[2 * k] = static_cast<uint8_t>(v & 0xFF);
    buffer[2 * k + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
}
