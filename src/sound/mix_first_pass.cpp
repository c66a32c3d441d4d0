#include "sound/mix_first_pass.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/noise_runs.h"
#include "sound/sequencer.h"
#include "sound/tone_generator.h"

double frameFrequency[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
double envelopeValues[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
double noiseLevels[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
RunSettings channelRuns[SOUND_CHANNELS][WAVE_BUFFER_FRAMES + 1];
int channelRunCount[SOUND_CHANNELS];

namespace {

// Inside a run most of the work is a fill: the timers lose exactly 1 a
// frame, so the frame of the next step is known in advance. A frequency or
// envelope that holds one value through a run is read from a row of that
// value, and a noise run follows the shared register along its cycle of
// states (noise_runs.h).

uint8_t KindOf(int type, int d) {
  switch (type) {
    case WAVE_PULSE:
    case WAVE_PULSE16:
      return KIND_PULSE;
    case WAVE_SAW:
      return KIND_SAW;
    case WAVE_TRIANGLE:
      return d >= 8 ? KIND_STEPPED : KIND_TRIANGLE;
    case WAVE_NOISE_LONG:
    case WAVE_NOISE_SHORT:
      return KIND_NOISE;
    default:
      return KIND_SILENT;
  }
}

// Below 2^52 a double steps by at most 1/2, so taking 1 off is exact.
constexpr double EXACT_COUNT_LIMIT = 4503599627370496.0;

// The frame, counted from 1, on which a timer that loses 1 a frame first
// falls below 1.0; limit + 1 if that is not within limit frames.
int FramesUntilBelowOne(double x, int limit) {
  if (x < 2.0) return 1;
  // A NaN never falls below 1, nor does a timer too large to lose 1.
  if (!(x < EXACT_COUNT_LIMIT)) return limit + 1;
  const double k = std::floor(x - 1.0) + 1.0;
  return k > limit ? limit + 1 : static_cast<int>(k);
}

// x less 1, n times over. While the values stay between -x and x they are
// all whole multiples of x's last bit that fit the mantissa, so every one of
// the n subtractions is exact and they are the one subtraction of n.
// Otherwise (a timer that has run out goes on below 0) the same holds while
// x is a multiple of some power of two q up to 1 and every value stays below
// 2^52 q: each is a multiple of q that fits the mantissa.
double CountDown(double x, int n) {
  if (x > 0.0 && x < EXACT_COUNT_LIMIT && n <= 2.0 * x) return x - n;
  const double magnitude = std::fabs(x);
  if (magnitude < EXACT_COUNT_LIMIT) {
    const int grain = x != 0.0 ? std::min(GrainOf(x), 0) : 0;  // x is a multiple of 2^grain
    if (grain > -1000 && magnitude + n < std::ldexp(1.0, 52 + grain)) return x - n;
  }
  for (int k = 0; k < n; ++k) x = x - 1;
  return x;
}

// The vibrato's counters over n samples on which neither the sweep nor the
// vibrato moves the frequency: the wait runs out, then the countdown turns the
// step round every 3500 samples.
void AdvanceVibratoCounters(uint32_t& wait, int32_t& countdown, double& step, int n) {
  int64_t counted = n;  // samples on which the countdown runs
  if (wait > 0) {
    if (static_cast<int64_t>(wait) - 1 >= n) {
      wait = wait - static_cast<uint32_t>(n);
      return;
    }
    counted = n - (static_cast<int64_t>(wait) - 1);
    wait = 0;
  }
  const int64_t start = countdown;
  if (counted < start) {
    countdown = static_cast<int32_t>(start - counted);
    return;
  }
  const int64_t rest = counted - (start < 1 ? 1 : start);
  countdown = static_cast<int32_t>(3500 - rest % 3500);
  if ((1 + rest / 3500) % 2 == 1) step = -step;
}

// Rows of one value for the runs that hold a value all through (a steady
// note's frequency, a sustained or triangle envelope), a row per channel.
// A row remembers its value and the frames it holds it on, so a note held
// over many buffers has its row written once.
struct ConstantRows {
  double rows[SOUND_CHANNELS][WAVE_BUFFER_FRAMES];
  uint64_t bits[SOUND_CHANNELS] = {};
  int from[SOUND_CHANNELS] = {};
  int to[SOUND_CHANNELS] = {};  // the row holds the value on frames [from, to)

  // Every row 0, holding nothing as far as the record goes.
  void Clear() {
    std::memset(rows, 0, sizeof rows);
    std::memset(bits, 0, sizeof bits);
    std::memset(from, 0, sizeof from);
    std::memset(to, 0, sizeof to);
  }

  // A row holding v on frames [i, i + n).
  const double* Hold(int ch, double v, int i, int n) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    double* row = rows[ch];
    if (b == bits[ch] && from[ch] <= i && i + n <= to[ch]) return row;
    if (b == bits[ch] && from[ch] <= i + n && i <= to[ch]) {
      // Next to or across the frames it holds: the row grows.
      for (int k = i; k < from[ch]; ++k) row[k] = v;
      for (int k = to[ch]; k < i + n; ++k) row[k] = v;
      from[ch] = std::min(from[ch], i);
      to[ch] = std::max(to[ch], i + n);
      return row;
    }
    for (int k = i; k < i + n; ++k) row[k] = v;
    bits[ch] = b;
    from[ch] = i;
    to[ch] = i + n;
    return row;
  }
};
ConstantRows constantFrequencies;
ConstantRows constantEnvelopes;

// The envelope of one channel over frames [i, i + n) into its row; without
// fill, only the frames of the attack and decay are written. Returns the row
// to read: a constant row where the level holds all through.
const double* FillEnvelope(int ch, SoundChannel& c, bool triangle, int i, int n, bool fill) {
  double* out = envelopeValues[ch] + i;
  if (n <= 0) return envelopeValues[ch];
  if (c.envelopeRestart) {
    c.envelopeLevel = 0.0;
    c.envelopePhase = ENV_ATTACK;
    c.envelopeRestart = 0;
  }
  if (triangle) {
    c.envelopeLevel = 1.0;
    return fill ? constantEnvelopes.Hold(ch, 1.0, i, n) : envelopeValues[ch];
  }
  double level = c.envelopeLevel;
  int8_t phase = c.envelopePhase;
  int j = 0;
  for (; j < n && (phase == ENV_ATTACK || phase == ENV_DECAY); ++j) {
    const double before = level;
    const int8_t phaseBefore = phase;
    out[j] = EnvelopeStep(level, phase, c.attackRate, c.decayRate, c.sustainLevel);
    // A step that changed nothing (a rate of 0, as a channel that was never
    // started has) will change nothing on any later sample either.
    if (level == before && phase == phaseBefore) {
      ++j;
      break;
    }
  }
  c.envelopeLevel = level;
  c.envelopePhase = phase;
  // No step changed the level (or the one step changed nothing): it holds.
  if (fill && (j == 0 || (j == 1 && out[0] == level)))
    return constantEnvelopes.Hold(ch, level, i, n);
  if (fill) {
    for (; j < n; ++j) out[j] = level;
  }
  return envelopeValues[ch];
}

// The first pass of one channel from frame i: one run, up to and including
// the frame of the next sequencer step, the frame on which the key goes off
// (or, for the held triangle, on) at the end of the gate, or the last frame.
// MODE: RUN_STEADY, the run has no sweep and no vibrato steps, so the
// frequency is the same on every sample and only the vibrato's counters move;
// RUN_SWEEP, a sweep without vibrato steps, so only the sweep moves the
// frequency; RUN_MODULATED, anything else. Returns the frame after the run.
constexpr int RUN_STEADY = 0;
constexpr int RUN_SWEEP = 1;
constexpr int RUN_MODULATED = 2;
template <int MODE>
int RenderRun(int ch, int i, int frames) {
  SoundChannel& c = gSoundChannels[ch];
  const uint8_t voice = c.voice;
  const int type = voice >> 4;
  const int d = voice & 15;
  const uint8_t kind = KindOf(type, d);
  const bool held = voice == VOICE_HELD_TRIANGLE;
  const int volume = c.volume < 0 ? 0 : (c.volume > 15 ? 15 : c.volume);

  RunSettings& run = channelRuns[ch][channelRunCount[ch]++];
  run.start = i;
  run.kind = kind;
  run.keyOn = c.keyOn ? 1 : 0;
  run.still = 0;
  run.variant = static_cast<uint8_t>(d);
  run.threshold = PulseThreshold(type, d);
  run.coefficient = c.filterCoefficient;
  run.panLeft = PanGainLeft(c.pan);
  run.panRight = PanGainRight(c.pan);
  run.gain = VolumeTable[volume];

  // The length of the run. gateFrame is the frame on which the gate test
  // first holds; from then on it holds on every frame of the note.
  const int remaining = frames - i;
  int n = remaining;
  bool step = false;
  int gateFrame = remaining + 1;
  if (c.playing) {
    const int w = FramesUntilBelowOne(c.waitSamples, remaining);
    if (w <= remaining) {
      n = w;
      step = true;
    }
    if (c.tieFlag == 0) gateFrame = FramesUntilBelowOne(c.gateSamples, n);
    const bool keyChanges = held ? c.keyOn == 0 : c.keyOn != 0;
    if (keyChanges && gateFrame < n) {
      n = gateFrame;
      step = false;
    }
  }
  const bool gated = gateFrame <= n;

  // The frequency each frame's generator adds: the value the previous frame
  // left, which the held triangle's gate puts at 0.
  double* frequency = frameFrequency[ch] + i;
  run.frequency = frameFrequency[ch];
  double last;
  bool unread = false;
  if constexpr (MODE == RUN_STEADY) {
    const double f = ClampedFrequency(c.sweepOffset, c.noteFrequency, c.vibratoOffset);
    run.still = c.frequency == 0.0 && f == 0.0 ? 1 : 0;
    // A still, resting run from the first frame with the phase within the
    // cycle is one the second pass skips: it reads neither its frequencies
    // nor its envelope.
    unread = run.still && !run.keyOn && i == 0 && c.phase >= 0.0 && c.phase < PHASE_CYCLE;
    const int zeroFrom = held && gated ? gateFrame : n;  // frames after this one hold 0
    if (!unread) {
      if (zeroFrom >= n && std::memcmp(&c.frequency, &f, sizeof f) == 0) {
        run.frequency = constantFrequencies.Hold(ch, f, i, n);
      } else {
        frequency[0] = c.frequency;
        for (int j = 1; j < n; ++j) frequency[j] = j < zeroFrom ? f : 0.0;
      }
    }
    last = held && gated ? 0.0 : f;
    AdvanceVibratoCounters(c.vibratoWait, c.vibratoCountdown, c.vibratoStep, n);
  } else if constexpr (MODE == RUN_SWEEP) {
    frequency[0] = c.frequency;
    const double sweepRate = c.sweepRate;
    const double noteFrequency = c.noteFrequency;
    const double vibratoOffset = c.vibratoOffset;
    double sweepOffset = c.sweepOffset;
    last = c.frequency;
    for (int j = 0; j < n; ++j) {
      sweepOffset = sweepOffset + sweepRate;
      const double f = ClampedFrequency(sweepOffset, noteFrequency, vibratoOffset);
      last = held && j + 1 >= gateFrame ? 0.0 : f;
      if (j + 1 < n) frequency[j + 1] = last;
    }
    c.sweepOffset = sweepOffset;
    AdvanceVibratoCounters(c.vibratoWait, c.vibratoCountdown, c.vibratoStep, n);
  } else {
    frequency[0] = c.frequency;
    double sweepOffset = c.sweepOffset;
    uint32_t vibratoWait = c.vibratoWait;
    double vibratoOffset = c.vibratoOffset;
    double vibratoStep = c.vibratoStep;
    int32_t vibratoCountdown = c.vibratoCountdown;
    // Locals: the stores to frequency cannot change them.
    const double sweepRate = c.sweepRate;
    const double noteFrequency = c.noteFrequency;
    last = c.frequency;
    for (int j = 0; j < n; ++j) {
      last = ModulationStep(sweepOffset, sweepRate, vibratoWait, vibratoOffset, vibratoStep,
                            vibratoCountdown, noteFrequency);
      if (held && j + 1 >= gateFrame) last = 0.0;
      if (j + 1 < n) frequency[j + 1] = last;
    }
    c.sweepOffset = sweepOffset;
    c.vibratoWait = vibratoWait;
    c.vibratoOffset = vibratoOffset;
    c.vibratoStep = vibratoStep;
    c.vibratoCountdown = vibratoCountdown;
  }
  c.frequency = last;

  run.envelope = FillEnvelope(ch, c, type == WAVE_TRIANGLE, i, n, !unread);

  if (kind == KIND_NOISE && run.keyOn) {
    RenderNoiseRun(c, type == WAVE_NOISE_SHORT, d, noiseLevels[ch] + i, n);
  }

  if (c.playing) {
    c.waitSamples = CountDown(c.waitSamples, n);
    c.gateSamples = CountDown(c.gateSamples, n);
    if (gated) c.keyOn = held ? 1 : 0;
  }
  if (step) stepSequencer(ch);
  return i + n;
}

}  // namespace

void GenerateChannel(int ch, int frames) {
  channelRunCount[ch] = 0;
  int i = 0;
  while (i < frames) {
    // Without sweep or vibrato steps, sweepOffset and vibratoOffset never
    // change (neither can be -0, so adding 0 leaves them as they are).
    const SoundChannel& c = gSoundChannels[ch];
    if (c.vibratoStep != 0.0) {
      i = RenderRun<RUN_MODULATED>(ch, i, frames);
    } else if (c.sweepRate != 0.0) {
      i = RenderRun<RUN_SWEEP>(ch, i, frames);
    } else {
      i = RenderRun<RUN_STEADY>(ch, i, frames);
    }
  }
  channelRuns[ch][channelRunCount[ch]].start = frames;
}

void ResetFirstPass() {
  std::memset(frameFrequency, 0, sizeof frameFrequency);
  std::memset(envelopeValues, 0, sizeof envelopeValues);
  std::memset(noiseLevels, 0, sizeof noiseLevels);
  std::memset(static_cast<void*>(channelRuns), 0, sizeof channelRuns);
  std::memset(channelRunCount, 0, sizeof channelRunCount);
  constantFrequencies.Clear();
  constantEnvelopes.Clear();
}
