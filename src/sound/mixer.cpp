#include "sound/mixer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

#include "diag/cpu_features.h"
#include "sound/sample_pair.h"
#include "sound/sound_engine.h"
#include "sound/sound_engine_state.h"
#include "sound/tone_generator.h"

#if defined(VELKARI_HAVE_AVX2_LOOPS) && defined(__x86_64__)
#include <immintrin.h>
#endif

uint16_t noiseRegister = 0x4000;
uint8_t noiseMode = 0;

#if defined(__GNUC__) || defined(__clang__)
#define MIX_INLINE inline __attribute__((always_inline))
#else
#define MIX_INLINE inline
#endif

namespace {

// A buffer is rendered in two passes, and both give exactly the samples of
// the per-sample functions in tone_generator.h.
//
// The first pass walks each channel in turn (so the shared noise register is
// clocked in channel order) through everything that does not depend on the
// phase: modulation, envelope, noise, note timers and sequencer steps. It
// works in runs, the frames between two events that change the channel's
// settings (a sequencer step, or the key going off or on at the end of the
// gate), and inside a run most of that work is a fill: the timers lose
// exactly 1 a frame, so the frame of the next step is known in advance. A
// frequency or envelope that holds one value through a run is read from a
// row of that value, and a noise run follows the shared register along its
// cycle of states.
//
// The second pass then runs the phase, the wave level, the smoothing filter
// and the scaling, in stretches over which no channel's settings change, two
// channels at a time. The phase and the filter are chains of dependent
// additions and multiplications from sample to sample; with two channels in
// one loop, each with its state in registers, the chains overlap. With AVX2
// the sounding channels take the vector loops further down instead. The
// samples are summed in 32-bit integers, so the order of the channels does
// not change the sum.

// What the first pass leaves for the second, channel by channel and frame by
// frame: the frequency the generator adds to the phase, the envelope level
// the sample is scaled by, and the noise channels' levels.
double frameFrequency[8][WAVE_FRAMES];
double envelopeValues[8][WAVE_FRAMES];
double noiseLevels[8][WAVE_FRAMES];

constexpr uint8_t KIND_PULSE = 0;
constexpr uint8_t KIND_SAW = 1;
constexpr uint8_t KIND_TRIANGLE = 2;
constexpr uint8_t KIND_NOISE = 3;
constexpr uint8_t KIND_SILENT = 4;
constexpr uint8_t KIND_STEPPED = 5;            // the triangle in 32 steps
constexpr int PHASE_STEPS = 44100 / 1378 + 1;  // 32 steps and the last sliver

inline uint8_t KindOf(int type, int d) {
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

// The settings the second pass reads, constant through a run. A channel's
// runs start at rising frames; an extra entry starting at the frame count
// ends the list.
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
RunSettings channelRuns[8][WAVE_FRAMES + 1];
int channelRunCount[8];

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
    int grain = 0;  // x is a multiple of 2^grain
    if (x != 0.0) {
      uint64_t bits;
      std::memcpy(&bits, &x, sizeof bits);
      const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
      const uint64_t mantissa = (bits & 0xFFFFFFFFFFFFFull) | (1ull << 52);
      grain = exponent == 0 ? -1074 : exponent - 1075 + std::countr_zero(mantissa);
    }
    if (grain > 0) grain = 0;
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
  double rows[8][WAVE_FRAMES];
  uint64_t bits[8] = {};
  int from[8] = {};
  int to[8] = {};  // the row holds the value on frames [from, to)

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

// The states the shared register passes through from 0x4000, clocked once
// at a time in one mode, until it comes back to 0x4000: in long mode all
// 32767 states other than 0, in short mode a cycle of 93. Along the
// cycle, c clocks are c steps on, so a run of a noise channel can follow its
// register as a count.
template <int CAPACITY>
struct NoiseCycle {
  uint16_t states[CAPACITY];
  int16_t index[32768];  // where each state is on the cycle, or -1
  int32_t period = 0;
  explicit NoiseCycle(int tap) {
    for (int16_t& k : index) k = -1;
    uint32_t r = 0x4000;
    do {
      index[r] = static_cast<int16_t>(period);
      states[period++] = static_cast<uint16_t>(r);
      const uint32_t b = (r ^ (r >> tap)) & 1;
      r = (r >> 1) | (b << 14);
    } while (r != 0x4000 && period < CAPACITY);
    // A cycle longer than the room for it is not followed at all.
    if (r != 0x4000) {
      for (int16_t& k : index) k = -1;
    }
  }
};

// A cycle of either length.
struct NoiseCycleView {
  const uint16_t* states;
  const int16_t* index;
  int32_t period;
};
template <int CAPACITY>
NoiseCycleView ViewOf(const NoiseCycle<CAPACITY>& cycle) {
  return {cycle.states, cycle.index, cycle.period};
}

// Built before the sound starts: rendering allocates nothing.
const NoiseCycle<32767> longNoiseCycle(1);
const NoiseCycle<93> shortNoiseCycle(6);

// The power of two that the finite, nonzero x is a whole multiple of.
int GrainOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t mantissa = (bits & 0xFFFFFFFFFFFFFull) | (exponent ? 1ull << 52 : 0);
  return (exponent == 0 ? -1074 : exponent - 1075) + std::countr_zero(mantissa);
}

// The level of a noise channel after its register's last clock: the last
// feedback bit went in at bit 14. The bit is as good as random, so the
// level comes from arithmetic rather than a branch.
inline int16_t NoiseOutputOf(uint32_t r) {
  return static_cast<int16_t>(6363 - 12726 * static_cast<int>((r >> 14) & 1));
}

constexpr double NOISE_LEVELS[2] = {6363.0, -6363.0};

// A noise run's accumulator and register, and what stays the same through it.
struct NoiseRun {
  double rate;
  int whole;          // clocks due on every frame that clocks at all
  double wholePhase;  // whole x 44100, exact
  double phase;       // the accumulator
  int16_t output;     // the level after the channel's last clock
  uint32_t r;         // the shared register
  uint8_t mode;       // the mode it was last clocked in
};

// One frame of a noise channel's clock accumulator, in doubles or in whole
// units of a power of two: the rate is added, and a sum past one cycle clocks
// the register `whole` or `whole + 1` times and keeps what is left over.
// Returns the clocks (0 for none), or -1 for an edge that the general count
// handles, with the accumulator left as it was.
template <typename T>
MIX_INLINE int AccumulatorStep(T& phase, T rate, T wholePhase, T cycle, int whole) {
  const T x = phase + rate;
  if (!(x > cycle)) {
    phase = x;
    return 0;
  }
  T y = x - wholePhase;
  const bool over = y > cycle;
  if constexpr (std::is_integral_v<T>) {
    // Whether one more clock falls due is as good as random: in integers a
    // select costs less than the branch.
    y -= over ? cycle : 0;
  } else if (over) {
    y = y - cycle;
  }
  const int count = whole + (over ? 1 : 0);
  if (!(y > 0) || y > cycle || count == 0) return -1;
  phase = y;
  return count;
}

// One frame of a noise run, the register clocked in chunks of up to 15.
template <uint8_t SHORT_MODE>
inline double NoiseFrame(NoiseRun& s) {
  constexpr int tap = SHORT_MODE ? 6 : 1;
  int count = AccumulatorStep(s.phase, s.rate, s.wholePhase, 44100.0, s.whole);
  if (count == 0) return s.output;
  if (count < 0) {
    // The general count handles the edges, on the shared register itself.
    noiseRegister = static_cast<uint16_t>(s.r);
    noiseMode = s.mode;
    s.output = NoiseLevel(s.phase, s.output, SHORT_MODE, s.rate);
    s.r = noiseRegister;
    s.mode = noiseMode;
    return s.output;
  }
  if (s.mode != SHORT_MODE) s.r = 0x4000;
  s.mode = SHORT_MODE;
  // The first 15 - tap feedback bits come from the register's bits, each
  // later one also from the feedback bit 15 - tap clocks before it.
  uint32_t r = s.r;
  while (count > 0) {
    const int k = count < 15 ? count : 15;
    uint32_t bits = r ^ (r >> tap);
    if (k > 15 - tap) bits ^= bits << (15 - tap);
    bits &= (1u << k) - 1;
    r = (r >> k) | (bits << (15 - k));
    count -= k;
  }
  s.r = r;
  s.output = NoiseOutputOf(r);
  return s.output;
}

// Frames [j, n) of a noise run whose register lies on its mode's cycle, in
// which the frames clock the register as the frame loop does, with the
// register followed as a place on the cycle. Where the accumulator and the
// rate are whole multiples of a power of two (the fastest rates are), every
// addition and subtraction of the accumulator is exact, and it is counted
// in integers of that power. Returns the frame it stopped at: n, or one
// that needs the general count.
template <uint8_t SHORT_MODE>
int NoiseAlongCycle(NoiseRun& s, double* out, int j, int n) {
  const NoiseCycleView cycle = SHORT_MODE ? ViewOf(shortNoiseCycle) : ViewOf(longNoiseCycle);
  int32_t at = cycle.index[s.r & 0x7FFF];
  if (s.r > 0x7FFF || at < 0) return j;
  const int32_t period = cycle.period;
  const uint16_t* states = cycle.states;
  // A frame clocks the register whole or whole + 1 times.
  const int32_t wholeSteps = s.whole % period;
  double level = s.output;
  // The level after `count` (whole or whole + 1) more clocks.
  const int whole = s.whole;
  auto NextOnCycle = [&](int count) {
    at += wholeSteps + (count - whole);
    if (at >= period) at -= period;
    return NOISE_LEVELS[(states[at] >> 14) & 1];
  };
  // Every value the accumulator takes lies between 0 and 44100 + rate.
  bool exact = s.phase >= 0.0 && s.phase <= 44100.0 && s.rate > 0.0 && s.rate < 1e9;
  int grain = 0;
  if (exact) {
    grain = std::min(GrainOf(s.rate), 2);  // 44100 is a multiple of 4
    if (s.phase != 0.0) grain = std::min(grain, GrainOf(s.phase));
    exact = grain > -1000 && 88200.0 + s.rate < std::ldexp(1.0, 53 + grain);
  }
  if (exact) {
    const int64_t rate = static_cast<int64_t>(std::ldexp(s.rate, -grain));
    const int64_t cycleLength = static_cast<int64_t>(std::ldexp(44100.0, -grain));
    const int64_t wholePhase = s.whole * cycleLength;
    int64_t phase = static_cast<int64_t>(std::ldexp(s.phase, -grain));
    for (; j < n; ++j) {
      const int count = AccumulatorStep(phase, rate, wholePhase, cycleLength, whole);
      if (count < 0) break;
      if (count > 0) level = NextOnCycle(count);
      out[j] = level;
    }
    s.phase = std::ldexp(static_cast<double>(phase), grain);
  } else {
    double phase = s.phase;
    const double rate = s.rate;
    const double wholePhase = s.wholePhase;
    for (; j < n; ++j) {
      const int count = AccumulatorStep(phase, rate, wholePhase, 44100.0, whole);
      if (count < 0) break;
      if (count > 0) level = NextOnCycle(count);
      out[j] = level;
    }
    s.phase = phase;
  }
  s.output = static_cast<int16_t>(level);
  s.r = states[at];
  return j;
}

// The noise of one run of a sounding noise channel into out. No other
// channel clocks the shared register meanwhile, so it is held in a local
// for the run, and its mode is settled by the first clock.
template <uint8_t SHORT_MODE>
void RenderNoise(SoundChannel& c, int d, double* out, int n) {
  NoiseRun s;
  s.rate = NoiseRateTable[d];
  s.whole = static_cast<int>(s.rate / 44100.0);
  s.wholePhase = s.whole * 44100.0;
  s.phase = c.noisePhase;
  s.output = c.noiseOutput;
  s.r = noiseRegister;
  s.mode = noiseMode;
  int j = 0;
  while (j < n) {
    if (s.mode == SHORT_MODE) {
      j = NoiseAlongCycle<SHORT_MODE>(s, out, j, n);
      if (j >= n) break;
    }
    out[j++] = NoiseFrame<SHORT_MODE>(s);
  }
  noiseRegister = static_cast<uint16_t>(s.r);
  noiseMode = s.mode;
  c.noisePhase = s.phase;
  c.noiseOutput = s.output;
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
  SoundChannel& c = soundChannels[ch];
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
    double f = c.sweepOffset + c.noteFrequency + c.vibratoOffset;
    if (f < 0.0) f = 0.0;
    if (f > 20000.0) f = 20000.0;
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
      double f = sweepOffset + noteFrequency + vibratoOffset;
      if (f < 0.0) f = 0.0;
      if (f > 20000.0) f = 20000.0;
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
    if (type == WAVE_NOISE_SHORT) {
      RenderNoise<1>(c, d, noiseLevels[ch] + i, n);
    } else {
      RenderNoise<0>(c, d, noiseLevels[ch] + i, n);
    }
  }

  if (c.playing) {
    c.waitSamples = CountDown(c.waitSamples, n);
    c.gateSamples = CountDown(c.gateSamples, n);
    if (gated) c.keyOn = held ? 1 : 0;
  }
  if (step) stepSequencer(ch);
  return i + n;
}

// The first pass of one channel over `frames` frames (at most WAVE_FRAMES).
void GenerateChannel(int ch, int frames) {
  channelRunCount[ch] = 0;
  int i = 0;
  while (i < frames) {
    // Without sweep or vibrato steps, sweepOffset and vibratoOffset never
    // change (neither can be -0, so adding 0 leaves them as they are).
    const SoundChannel& c = soundChannels[ch];
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

// A channel in the second pass: the settings of its current run, and for
// the length of a stretch also the phase and filter state they act on.
struct Voice {
  Pair state;
  Pair coefficients;
  Pair pans;
  Pair gains;
  double phase;
  const double* frequency;
  const double* envelope;
  const double* noise;
  double threshold;  // the pulse's, as a double: the comparison is the same
  int variant;
  int kind;
  int lane;
  bool keyOn;  // the generator runs on every frame of the run, or on none
  bool still;  // the generator adds 0 to the phase on every frame
  // Whether the filter values may leave the 16-bit range, where a sample
  // needs the checked truncation.
  bool wide;
};

// With a coefficient from 0 to 1 and pan gains of at most 1, the filter's
// next value lies between its last value and the wave level (at most 12726)
// and is then made smaller: starting within +-32767 it stays within 16 bits
// for the frames of a buffer, so the truncation to a sample keeps its value.
inline void LoadLane(Voice& lane, int ch, const RunSettings& r, Pair state) {
  lane.frequency = r.frequency;
  lane.envelope = r.envelope;
  lane.noise = noiseLevels[ch];
  lane.kind = r.kind;
  lane.keyOn = r.keyOn != 0;
  lane.still = r.still != 0;
  lane.variant = r.variant;
  lane.threshold = static_cast<double>(r.threshold);
  lane.coefficients = Pair{r.coefficient, r.coefficient};
  lane.pans = Pair{r.panLeft, r.panRight};
  lane.gains = Pair{r.gain, r.gain};
  const bool stable = r.coefficient >= 0.0 && r.coefficient <= 1.0 && r.panLeft >= 0.0 &&
                      r.panLeft <= 1.0 && r.panRight >= 0.0 && r.panRight <= 1.0;
  const bool small =
      state[0] >= -32767.0 && state[0] <= 32767.0 && state[1] >= -32767.0 && state[1] <= 32767.0;
  lane.wide = !(stable && small);
}

// The stepped triangle's level on each of its steps: it depends only on
// which step of 1378 phase units the phase is in.
struct SteppedTriangleTable {
  double level[PHASE_STEPS];
  SteppedTriangleTable() {
    for (int k = 0; k < PHASE_STEPS; ++k) level[k] = TriangleLevel(8, k * 1378.0);
  }
};
const SteppedTriangleTable steppedTriangle;

MIX_INLINE double SteppedTriangleLevel(double p) {
  if (p >= 0.0 && p < PHASE_CYCLE) [[likely]] {
    // The step of a whole phase below 44100: the unsigned division by a
    // constant is one multiplication and a shift.
    return steppedTriangle.level[static_cast<uint32_t>(p) / 1378u];
  }
  return TriangleLevel(8, p);
}

// The generator's phase after one more frame.
MIX_INLINE double NextPhase(double phase, double frequency) {
  const double p = phase + frequency;
  if (p >= PHASE_CYCLE) [[unlikely]]
    return p - PHASE_CYCLE;  // about once a cycle
  return p;
}

// The groups a channel's stretch falls into, in the order they are mixed.
constexpr int GROUP_RESTING = 0;
constexpr int GROUP_PULSE = 1;
constexpr int GROUP_SAW = 2;
constexpr int GROUP_TRIANGLE = 3;
constexpr int GROUP_STEPPED = 4;
constexpr int GROUP_NOISE = 5;
constexpr int GROUP_SILENT = 6;
constexpr int GROUP_WIDE = 7;
constexpr int GROUP_STILL = 8;
constexpr int GROUP_COUNT = 9;

// A resting generator that adds 0 to a phase within the cycle (a channel
// that is not playing) keeps the phase as it is: nothing to do.
inline int GroupOf(const Voice& l, double phase) {
  if (!l.keyOn) {
    return l.still && phase >= 0.0 && phase < PHASE_CYCLE ? GROUP_STILL : GROUP_RESTING;
  }
  if (l.wide) return GROUP_WIDE;
  switch (l.kind) {
    case KIND_PULSE:
      return GROUP_PULSE;
    case KIND_SAW:
      return GROUP_SAW;
    case KIND_TRIANGLE:
      return GROUP_TRIANGLE;
    case KIND_STEPPED:
      return GROUP_STEPPED;
    case KIND_NOISE:
      return GROUP_NOISE;
    default:
      return GROUP_SILENT;
  }
}

// Filter, pan, volume and envelope of one sounding frame with every
// truncation checked, for a filter that may leave the 16-bit range.
inline void FilterWideSample(Voice& c, double level, int i, PairSum& sum) {
  const double e = c.envelope[i];
  const double left = FilterStep(c.state[0], level, c.coefficients[0]) * c.pans[0];
  const double right = FilterStep(c.state[1], level, c.coefficients[0]) * c.pans[1];
  c.state = Pair{left, right};
  const double sampleLeft = TruncToSample(left);
  const double sampleRight = TruncToSample(right);
  sum[0] += static_cast<uint32_t>(TruncToSample(sampleLeft * c.gains[0] * e));
  sum[1] += static_cast<uint32_t>(TruncToSample(sampleRight * c.gains[0] * e));
}

inline double WaveLevelOf(const Voice& c, int i) {
  switch (c.kind) {
    case KIND_PULSE:
      return c.threshold >= c.phase ? -WAVE_LEVEL : WAVE_LEVEL;
    case KIND_SAW:
      return SawLevel(c.phase);
    case KIND_TRIANGLE:
    case KIND_STEPPED:
      return TriangleLevel(c.variant, c.phase);
    case KIND_NOISE:
      return c.noise[i];
    default:
      return 0.0;
  }
}

// The wave level of a sounding voice of group G at frame i.
template <int G>
MIX_INLINE double LevelOf(const Voice& v, double phase, int i) {
  if constexpr (G == GROUP_PULSE) {
    return v.threshold >= phase ? -WAVE_LEVEL : WAVE_LEVEL;
  } else if constexpr (G == GROUP_SAW) {
    return SawLevel(phase);
  } else if constexpr (G == GROUP_TRIANGLE) {
    return TriangleLevel(v.variant, phase);
  } else if constexpr (G == GROUP_STEPPED) {
    return SteppedTriangleLevel(phase);
  } else if constexpr (G == GROUP_NOISE) {
    return v.noise[i];
  } else {
    return 0.0;
  }
}

// One frame of a voice of group G: the phase, then for a sounding voice
// the level, filter and scaling, added to sum. The phase and filter state
// are the caller's locals, so a loop over frames keeps them in registers.
template <int G>
MIX_INLINE void StepVoice(const Voice& v, double& phase, Pair& state, int i, PairSum& sum) {
  phase = NextPhase(phase, v.frequency[i]);
  if constexpr (G != GROUP_RESTING) {
    const double level = LevelOf<G>(v, phase, i);
    const double e = v.envelope[i];
    const Pair next = (state + (Pair{level, level} - state) * v.coefficients) * v.pans;
    state = next;
    const Pair sample = TruncatePair(next);
    const Pair scaled = sample * v.gains * Pair{e, e};
    sum += TruncatePairToSum(scaled);
  }
}

MIX_INLINE void AddToMix(uint32_t* mix, int i, PairSum sum) {
  PairSum m;
  std::memcpy(&m, mix + 2 * i, sizeof m);
  m += sum;
  std::memcpy(mix + 2 * i, &m, sizeof m);
}

// Frames [from, to) of two voices, added to mix. Each voice's phase and
// filter are a chain of dependent operations from frame to frame; with two
// in one loop the chains overlap.
template <int A, int B>
void MixTwo(Voice& a, Voice& b, int from, int to, uint32_t* mix) {
  // Local copies: the stores to mix cannot change them.
  const Voice va = a;
  const Voice vb = b;
  double phaseA = a.phase;
  double phaseB = b.phase;
  Pair stateA = a.state;
  Pair stateB = b.state;
  for (int i = from; i < to; ++i) {
    PairSum sum = {0, 0};
    StepVoice<A>(va, phaseA, stateA, i, sum);
    StepVoice<B>(vb, phaseB, stateB, i, sum);
    AddToMix(mix, i, sum);
  }
  a.phase = phaseA;
  b.phase = phaseB;
  a.state = stateA;
  b.state = stateB;
}

// A table of the loops for every pair of the groups below GROUP_WIDE, the
// loop for groups A and B being OF<A, B>::loop.
template <typename LOOP, template <int, int> typename OF, int A, int... B>
constexpr std::array<LOOP, GROUP_WIDE> PairTableRow(std::integer_sequence<int, B...>) {
  return {OF<A, B>::loop...};
}
template <typename LOOP, template <int, int> typename OF, int... A>
constexpr std::array<std::array<LOOP, GROUP_WIDE>, GROUP_WIDE> PairTableOf(
    std::integer_sequence<int, A...>) {
  return {PairTableRow<LOOP, OF, A>(std::make_integer_sequence<int, GROUP_WIDE>())...};
}
template <typename LOOP, template <int, int> typename OF>
constexpr std::array<std::array<LOOP, GROUP_WIDE>, GROUP_WIDE> PairTable() {
  return PairTableOf<LOOP, OF>(std::make_integer_sequence<int, GROUP_WIDE>());
}

// Where the processor has AVX2, the sounding voices of a stretch run in two
// steps over chunks of frames: first their phases and wave levels, two
// voices to a loop, then all their filters side by side, two voices to a
// vector of four lanes (left and right of each). The filter is a chain of
// dependent operations from frame to frame; with up to four vectors in one
// loop the chains overlap. Each lane is still one IEEE operation on
// doubles, so the samples are the same. Not on Windows, where GCC cannot
// keep the stack aligned for spilled AVX registers.
#if defined(VELKARI_HAVE_AVX2_LOOPS) && defined(__x86_64__) && !defined(VELKARI_PLAIN_PAIRS)
#define MIXER_HAVE_AVX2_PATH 1

// The sums of the vector loops, left and right of two voices side by side,
// folded into the mix at the end of the buffer.
alignas(32) uint32_t wideSums[4 * WAVE_FRAMES];

// The levels of a chunk, per vector and frame: each voice's level twice.
constexpr int LEVEL_CHUNK = 128;
alignas(32) double chunkLevels[4][LEVEL_CHUNK][4];

// The envelope of the empty half of a vector: 0 throughout.
const double silentRow[WAVE_FRAMES] = {};

// Phases and levels of frames [from, to) of voice a of group A and voice b
// of group B into levels, from frame from on. B GROUP_RESTING stands for no
// voice b, whose lanes hold 0.
template <int A, int B>
__attribute__((target("avx2"))) void LevelsOfTwo(Voice& a, Voice& b, int from, int to,
                                                 double (*levels)[4]) {
  const Voice va = a;
  const Voice vb = b;
  double phaseA = a.phase;
  double phaseB = b.phase;
  for (int i = from; i < to; ++i) {
    phaseA = NextPhase(phaseA, va.frequency[i]);
    double levelB = 0.0;
    if constexpr (B != GROUP_RESTING) {
      phaseB = NextPhase(phaseB, vb.frequency[i]);
      levelB = LevelOf<B>(vb, phaseB, i);
    }
    const __m128d both = _mm_unpacklo_pd(_mm_set_sd(LevelOf<A>(va, phaseA, i)), _mm_set_sd(levelB));
    _mm256_store_pd(levels[i - from], _mm256_permute4x64_pd(_mm256_castpd128_pd256(both), 0x50));
  }
  a.phase = phaseA;
  if constexpr (B != GROUP_RESTING) b.phase = phaseB;
}

// Two voices' filters, scaling and envelopes in one vector.
struct QuadFilter {
  __m256d state;
  __m256d coefficients;
  __m256d pans;
  __m256d gains;
  const double* envelopeA;
  const double* envelopeB;
};

// Frames [from, to) of Q vectors of voices, whose levels are in
// chunkLevels from frame from on, added to wideSums.
template <int Q>
__attribute__((target("avx2"))) void FilterQuads(QuadFilter* quads, int from, int to) {
  __m256d state[Q];
  __m256d coefficients[Q];
  __m256d pans[Q];
  __m256d gains[Q];
  const double* envelopeA[Q];
  const double* envelopeB[Q];
  for (int q = 0; q < Q; ++q) {
    state[q] = quads[q].state;
    coefficients[q] = quads[q].coefficients;
    pans[q] = quads[q].pans;
    gains[q] = quads[q].gains;
    envelopeA[q] = quads[q].envelopeA;
    envelopeB[q] = quads[q].envelopeB;
  }
  for (int i = from; i < to; ++i) {
    __m128i* sums = reinterpret_cast<__m128i*>(wideSums + 4 * i);
    __m128i sum = _mm_load_si128(sums);
    for (int q = 0; q < Q; ++q) {
      const __m256d level = _mm256_load_pd(chunkLevels[q][i - from]);
      const __m256d e = _mm256_blend_pd(_mm256_broadcast_sd(envelopeA[q] + i),
                                        _mm256_broadcast_sd(envelopeB[q] + i), 0xC);
      const __m256d next = _mm256_mul_pd(
          _mm256_add_pd(state[q], _mm256_mul_pd(_mm256_sub_pd(level, state[q]), coefficients[q])),
          pans[q]);
      state[q] = next;
      // Within 16 bits, rounding toward zero is the truncation to an
      // integer (a -0 it may give scales to -0, which truncates to 0 all the
      // same).
      const __m256d sample = _mm256_round_pd(next, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
      const __m256d scaled = _mm256_mul_pd(_mm256_mul_pd(sample, gains[q]), e);
      sum = _mm_add_epi32(sum, _mm256_cvttpd_epi32(scaled));
    }
    _mm_store_si128(sums, sum);
  }
  for (int q = 0; q < Q; ++q) quads[q].state = state[q];
}

using LevelLoop = void (*)(Voice&, Voice&, int, int, double (*)[4]);
using FilterLoop = void (*)(QuadFilter*, int, int);

// Voice a always sounds: the row for a resting one is never taken.
template <int A, int B>
struct LevelLoopOf {
  static constexpr LevelLoop loop = &LevelsOfTwo < A == GROUP_RESTING ? GROUP_SILENT : A, B > ;
};
constexpr auto LEVEL_LOOPS = PairTable<LevelLoop, LevelLoopOf>();
constexpr FilterLoop FILTER_LOOPS[4] = {&FilterQuads<1>, &FilterQuads<2>, &FilterQuads<3>,
                                        &FilterQuads<4>};

// Frames [from, to) of count (up to 8) sounding voices of the groups from
// GROUP_PULSE to GROUP_SILENT, sorted by group.
__attribute__((target("avx2"))) void MixSounding(Voice* voices, int count, int from, int to) {
  if (count <= 0) return;
  const int quadCount = (count + 1) / 2;
  QuadFilter quads[4];
  Voice none{};
  for (int k = 0; k < quadCount; ++k) {
    const Voice& a = voices[2 * k];
    const bool pair = 2 * k + 1 < count;
    const Voice& b = pair ? voices[2 * k + 1] : none;
    quads[k].state = _mm256_setr_pd(a.state[0], a.state[1], b.state[0], b.state[1]);
    quads[k].coefficients =
        _mm256_setr_pd(a.coefficients[0], a.coefficients[1], b.coefficients[0], b.coefficients[1]);
    quads[k].pans = _mm256_setr_pd(a.pans[0], a.pans[1], b.pans[0], b.pans[1]);
    quads[k].gains = _mm256_setr_pd(a.gains[0], a.gains[1], b.gains[0], b.gains[1]);
    quads[k].envelopeA = a.envelope;
    quads[k].envelopeB = pair ? b.envelope : silentRow;
  }
  for (int start = from; start < to; start += LEVEL_CHUNK) {
    const int end = to - start < LEVEL_CHUNK ? to : start + LEVEL_CHUNK;
    for (int k = 0; k < quadCount; ++k) {
      Voice& a = voices[2 * k];
      const bool pair = 2 * k + 1 < count;
      Voice& b = pair ? voices[2 * k + 1] : none;
      const int ga = GroupOf(a, a.phase);
      const int gb = pair ? GroupOf(b, b.phase) : GROUP_RESTING;
      LEVEL_LOOPS[ga][gb](a, b, start, end, chunkLevels[k]);
    }
    FILTER_LOOPS[quadCount - 1](quads, start, end);
  }
  for (int k = 0; k < count; ++k) {
    alignas(32) double lanes[4];
    _mm256_store_pd(lanes, quads[k / 2].state);
    voices[k].state = Pair{lanes[2 * (k % 2)], lanes[2 * (k % 2) + 1]};
  }
}

// A voice sounding alone runs in the one-voice loop even with AVX2: with
// half a vector, the filter's chain from frame to frame sets the pace, and
// the loop that does everything in one go keeps up with it.
constexpr int MIN_SOUNDING_FOR_VECTORS = 2;

// Adds the vector loops' sums of frames [0, frames) into mix.
__attribute__((target("avx2"))) void FoldWideSums(uint32_t* mix, int frames) {
  for (int i = 0; i < frames; ++i) {
    mix[2 * i] += wideSums[4 * i] + wideSums[4 * i + 2];
    mix[2 * i + 1] += wideSums[4 * i + 1] + wideSums[4 * i + 3];
  }
}

#endif

bool useWideMixLoops = true;

template <int A>
void MixOne(Voice& a, int from, int to, uint32_t* mix) {
  const Voice va = a;
  double phase = a.phase;
  Pair state = a.state;
  for (int i = from; i < to; ++i) {
    PairSum sum = {0, 0};
    StepVoice<A>(va, phase, state, i, sum);
    AddToMix(mix, i, sum);
  }
  a.phase = phase;
  a.state = state;
}

// A voice whose filter may leave the 16-bit range, with every truncation
// checked.
void MixWide(Voice& v, int from, int to, uint32_t* mix) {
  for (int i = from; i < to; ++i) {
    v.phase = NextPhase(v.phase, v.frequency[i]);
    PairSum sum = {0, 0};
    FilterWideSample(v, WaveLevelOf(v, i), i, sum);
    AddToMix(mix, i, sum);
  }
}

// The loops by group, for every pair of the groups below GROUP_WIDE.
using TwoLoop = void (*)(Voice&, Voice&, int, int, uint32_t*);
using OneLoop = void (*)(Voice&, int, int, uint32_t*);
constexpr int LOOP_GROUPS = GROUP_WIDE;

template <int A, int B>
struct TwoLoopOf {
  static constexpr TwoLoop loop = &MixTwo<A, B>;
};
template <int... A>
constexpr std::array<OneLoop, LOOP_GROUPS> OneLoopTable(std::integer_sequence<int, A...>) {
  return {&MixOne<A>...};
}
constexpr auto TWO_LOOPS = PairTable<TwoLoop, TwoLoopOf>();
inline bool UseAvx2Loops() {
#if defined(MIXER_HAVE_AVX2_PATH)
  return useWideMixLoops && CpuHasAvx2();
#else
  return false;
#endif
}

constexpr auto ONE_LOOPS = OneLoopTable(std::make_integer_sequence<int, LOOP_GROUPS>());

// The second pass of the listed channels, stretch by stretch: phase, wave
// level, filter and pan, volume and envelope; the samples are summed into mix (left
// and right interleaved), whose low 16 bits are the 16-bit wrap-around sum.
// The filter keeps its state while the generator rests.
void FilterChannels(const int* list, int count, uint32_t* mix, int frames) {
  double phase[8];
  Pair state[8];
  int run[8];
  Voice lane[8];
  for (int k = 0; k < count; ++k) {
    const SoundChannel& c = soundChannels[list[k]];
    phase[k] = c.phase;
    state[k] = Pair{c.filterLeft, c.filterRight};
    run[k] = 0;
    LoadLane(lane[k], list[k], channelRuns[list[k]][0], state[k]);
  }
  std::memset(mix, 0, sizeof(uint32_t) * 2 * static_cast<size_t>(frames));
  [[maybe_unused]] const bool wideLoops = UseAvx2Loops();
#if defined(MIXER_HAVE_AVX2_PATH)
  if (wideLoops) std::memset(wideSums, 0, sizeof(uint32_t) * 4 * static_cast<size_t>(frames));
#endif
  int from = 0;
  while (from < frames) {
    int to = frames;
    for (int k = 0; k < count; ++k) {
      const int next = channelRuns[list[k]][run[k] + 1].start;
      if (next < to) to = next;
    }
    // The stretch's channels sorted into groups, each with its state.
    // Channels whose generator rests only move their phase on; those whose
    // filter may leave the 16-bit range take the checked path.
    Voice voices[8];
    int groupStart[GROUP_COUNT + 1];
    int n = 0;
    for (int g = 0; g < GROUP_COUNT; ++g) {
      groupStart[g] = n;
      for (int k = 0; k < count; ++k) {
        if (GroupOf(lane[k], phase[k]) != g) continue;
        Voice& v = voices[n++];
        v = lane[k];
        v.lane = k;
        v.phase = phase[k];
        v.state = state[k];
      }
    }
    groupStart[GROUP_COUNT] = n;
    // The voices two at a time (sorted by group, so that like voices share
    // a loop), the last one alone, then those on the checked path.
    const int narrow = groupStart[GROUP_WIDE];
    int m = 0;
#if defined(MIXER_HAVE_AVX2_PATH)
    // With the vector loops: the resting voices two at a time, then the
    // sounding ones together.
    if (wideLoops && narrow - groupStart[GROUP_PULSE] >= MIN_SOUNDING_FOR_VECTORS) {
      const int resting = groupStart[GROUP_PULSE];
      for (; m + 1 < resting; m += 2) {
        MixTwo<GROUP_RESTING, GROUP_RESTING>(voices[m], voices[m + 1], from, to, mix);
      }
      if (m < resting) MixOne<GROUP_RESTING>(voices[m], from, to, mix);
      MixSounding(voices + resting, narrow - resting, from, to);
      m = narrow;
    }
#endif
    for (; m + 1 < narrow; m += 2) {
      const int ga = GroupOf(voices[m], voices[m].phase);
      const int gb = GroupOf(voices[m + 1], voices[m + 1].phase);
      TWO_LOOPS[ga][gb](voices[m], voices[m + 1], from, to, mix);
    }
    if (m < narrow) ONE_LOOPS[GroupOf(voices[m], voices[m].phase)](voices[m], from, to, mix);
    for (m = narrow; m < groupStart[GROUP_STILL]; ++m) MixWide(voices[m], from, to, mix);
    for (int m = 0; m < n; ++m) {
      phase[voices[m].lane] = voices[m].phase;
      state[voices[m].lane] = voices[m].state;
    }
    from = to;
    if (from >= frames) break;
    for (int k = 0; k < count; ++k) {
      const int ch = list[k];
      if (channelRuns[ch][run[k] + 1].start == from) {
        ++run[k];
        LoadLane(lane[k], ch, channelRuns[ch][run[k]], state[k]);
      }
    }
  }
#if defined(MIXER_HAVE_AVX2_PATH)
  if (wideLoops) FoldWideSums(mix, frames);
#endif
  for (int k = 0; k < count; ++k) {
    SoundChannel& c = soundChannels[list[k]];
    c.phase = phase[k];
    c.filterLeft = state[k][0];
    c.filterRight = state[k][1];
  }
}

constexpr int ALL_CHANNELS[8] = {0, 1, 2, 3, 4, 5, 6, 7};
uint32_t mixSums[2 * WAVE_FRAMES];

}  // namespace

void renderChannel(int ch, int16_t* samples, int byteCount) {
  if (ch < 0 || ch >= 8 || !samples || byteCount <= 0) return;
  int frames = byteCount / 4;
  while (frames > 0) {
    const int n = frames < WAVE_FRAMES ? frames : WAVE_FRAMES;
    GenerateChannel(ch, n);
    FilterChannels(&ch, 1, mixSums, n);
    for (int k = 0; k < 2 * n; ++k) samples[k] = static_cast<int16_t>(mixSums[k] & 0xFFFF);
    samples += 2 * n;
    frames -= n;
  }
}

void resetMixer() {
  // Every scratch row the mixer writes is written here once, so that all of
  // its memory is in use from the start, and no constant row holds a value.
  std::memset(frameFrequency, 0, sizeof frameFrequency);
  std::memset(envelopeValues, 0, sizeof envelopeValues);
  std::memset(noiseLevels, 0, sizeof noiseLevels);
  std::memset(static_cast<void*>(channelRuns), 0, sizeof channelRuns);
  std::memset(channelRunCount, 0, sizeof channelRunCount);
  constantFrequencies.Clear();
  constantEnvelopes.Clear();
#if defined(MIXER_HAVE_AVX2_PATH)
  std::memset(wideSums, 0, sizeof wideSums);
  std::memset(chunkLevels, 0, sizeof chunkLevels);
#endif
  std::memset(mixSums, 0, sizeof mixSums);
}

void UseWideMixLoops(bool use) {
  useWideMixLoops = use;
}

void renderMix(uint8_t* buffer, int byteCount) {
  if (!buffer || byteCount <= 0) return;
  // Only whole frames that fit both the caller's buffer and the scratch
  // buffer are mixed; a partial frame at the end stays silent.
  const int bytes = byteCount < WAVE_BUFFER_SIZE ? byteCount : WAVE_BUFFER_SIZE;
  if (!scratchBuffer) {
    std::memset(buffer, 0, static_cast<size_t>(bytes));
    return;
  }
  const int frames = bytes / 4;
  std::memset(buffer + 4 * frames, 0, static_cast<size_t>(bytes - 4 * frames));
  if (frames == 0) return;
  for (int ch = 0; ch < 8; ++ch) GenerateChannel(ch, frames);
  FilterChannels(ALL_CHANNELS, 8, mixSums, frames);
  for (int k = 0; k < frames * 2; ++k) {
    const uint32_t v = mixSums[k];
    buffer[2 * k] = static_cast<uint8_t>(v & 0xFF);
    buffer[2 * k + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
  }
}
