#include "sound/noise_runs.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "sound/sound_tables.h"
#include "sound/tone_generator.h"

uint16_t noiseRegister = 0x4000;
uint8_t noiseMode = 0;

namespace {

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
  s.r = ClockNoiseRegister(s.r, tap, count);
  s.output = NoiseOutputOf(s.r);
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

}  // namespace

void RenderNoiseRun(SoundChannel& c, bool shortMode, int d, double* out, int n) {
  if (shortMode) {
    RenderNoise<1>(c, d, out, n);
  } else {
    RenderNoise<0>(c, d, out, n);
  }
}
