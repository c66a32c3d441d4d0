// A channel in the mixer's second pass (a voice) and the one step of a frame
// that every loop of that pass runs: the phase, the choice of the wave level,
// the filter, the pan and the scaling. The portable loops (mix_loops.cpp) and
// the AVX2 loops (mix_avx2.cpp) are built from these, for each group of
// voices that share a loop.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "sound/mix_first_pass.h"
#include "sound/sample_pair.h"
#include "sound/tone_generator.h"

// A voice: the settings of its channel's current run, and for the length of
// a stretch (frames over which no channel's settings change) also the phase
// and filter state they act on.
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
  int slot;    // its channel's place in the second pass's list
  bool keyOn;  // the generator runs on every frame of the run, or on none
  bool still;  // the generator adds 0 to the phase on every frame
  // Whether the filter values may leave the 16-bit range, where a sample
  // needs the checked truncation.
  bool checked;
};

// With a coefficient from 0 to 1 and pan gains of at most 1, the filter's
// next value lies between its last value and the wave level (at most 12726)
// and is then made smaller: starting within +-32767 it stays within 16 bits
// for the frames of a buffer, so the truncation to a sample keeps its value.
// Outside that the voice takes the checked truncation.
MIX_INLINE void LoadVoice(Voice& v, int ch, const RunSettings& r, Pair state) {
  v.frequency = r.frequency;
  v.envelope = r.envelope;
  v.noise = noiseLevels[ch];
  v.kind = r.kind;
  v.keyOn = r.keyOn != 0;
  v.still = r.still != 0;
  v.variant = r.variant;
  v.threshold = static_cast<double>(r.threshold);
  v.coefficients = Pair{r.coefficient, r.coefficient};
  v.pans = Pair{r.panLeft, r.panRight};
  v.gains = Pair{r.gain, r.gain};
  const bool stable = r.coefficient >= 0.0 && r.coefficient <= 1.0 && r.panLeft >= 0.0 &&
                      r.panLeft <= 1.0 && r.panRight >= 0.0 && r.panRight <= 1.0;
  const bool small =
      state[0] >= -32767.0 && state[0] <= 32767.0 && state[1] >= -32767.0 && state[1] <= 32767.0;
  v.checked = !(stable && small);
}

// The groups a voice's stretch falls into, in the order they are mixed: a
// loop is built for each group (and each pair of groups), so the level it
// chooses is fixed when the loop is compiled. A sounding voice's group is
// its kind's.
constexpr int GROUP_RESTING = 0;
constexpr int GROUP_PULSE = 1 + KIND_PULSE;
constexpr int GROUP_SAW = 1 + KIND_SAW;
constexpr int GROUP_TRIANGLE = 1 + KIND_TRIANGLE;
constexpr int GROUP_STEPPED = 1 + KIND_STEPPED;
constexpr int GROUP_NOISE = 1 + KIND_NOISE;
constexpr int GROUP_SILENT = 1 + KIND_SILENT;
constexpr int GROUP_CHECKED = 7;  // any kind, its filter may leave 16 bits
constexpr int GROUP_STILL = 8;
constexpr int GROUP_COUNT = 9;
static_assert(GROUP_SILENT + 1 == GROUP_CHECKED);

// A resting generator that adds 0 to a phase within the cycle (a channel
// that is not playing) keeps the phase as it is: nothing to do.
MIX_INLINE int GroupOf(const Voice& v, double phase) {
  if (!v.keyOn) {
    return v.still && phase >= 0.0 && phase < PHASE_CYCLE ? GROUP_STILL : GROUP_RESTING;
  }
  if (v.checked) return GROUP_CHECKED;
  return 1 + v.kind;
}

// The stepped triangle's level on each of its steps: it depends only on
// which step of 1378 phase units the phase is in (32 steps and the last
// sliver). Built before the sound starts (mix_loops.cpp).
constexpr int PHASE_STEPS = 44100 / 1378 + 1;
struct SteppedTriangleTable {
  double level[PHASE_STEPS];
  SteppedTriangleTable();
};
extern const SteppedTriangleTable steppedTriangle;

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

// The wave level of a sounding voice of group G at frame i, after the
// phase has moved on; GROUP_CHECKED chooses by the voice's kind.
template <int G>
MIX_INLINE double LevelOf(const Voice& v, double phase, int i) {
  if constexpr (G == GROUP_PULSE) {
    return PulseLevel(v.threshold, phase);
  } else if constexpr (G == GROUP_SAW) {
    return SawLevel(phase);
  } else if constexpr (G == GROUP_TRIANGLE) {
    return TriangleLevel(v.variant, phase);
  } else if constexpr (G == GROUP_STEPPED) {
    return SteppedTriangleLevel(phase);
  } else if constexpr (G == GROUP_NOISE) {
    return v.noise[i];
  } else if constexpr (G == GROUP_CHECKED) {
    switch (1 + v.kind) {
      case GROUP_PULSE:
        return LevelOf<GROUP_PULSE>(v, phase, i);
      case GROUP_SAW:
        return LevelOf<GROUP_SAW>(v, phase, i);
      case GROUP_TRIANGLE:
        return LevelOf<GROUP_TRIANGLE>(v, phase, i);
      case GROUP_STEPPED:
        return LevelOf<GROUP_STEPPED>(v, phase, i);
      case GROUP_NOISE:
        return LevelOf<GROUP_NOISE>(v, phase, i);
      default:
        return 0.0;
    }
  } else {
    return 0.0;
  }
}

// One frame of a voice of group G: the phase, then for a sounding voice the
// level, filter and pan, and the scaling, added to sum. Within 16 bits the
// truncation of the filter's value is that to a 32-bit integer; a
// GROUP_CHECKED voice truncates each side with every check. The phase and
// filter state are the caller's locals, so a loop over frames keeps them in
// registers.
template <int G>
MIX_INLINE void StepVoice(const Voice& v, double& phase, Pair& state, int i, PairSum& sum) {
  phase = NextPhase(phase, v.frequency[i]);
  if constexpr (G != GROUP_RESTING) {
    const double level = LevelOf<G>(v, phase, i);
    const double e = v.envelope[i];
    state = FilterAndPan(state, Pair{level, level}, v.coefficients, v.pans);
    if constexpr (G == GROUP_CHECKED) {
      for (int side = 0; side < 2; ++side) {
        const double sample = TruncToSample(state[side]);
        sum[side] += static_cast<uint32_t>(TruncToSample(ScaleSample(sample, v.gains[side], e)));
      }
    } else {
      sum += TruncatePairToSum(ScaleSample(TruncatePair(state), v.gains, Pair{e, e}));
    }
  }
}

MIX_INLINE void AddToMix(uint32_t* mix, int i, PairSum sum) {
  PairSum m;
  std::memcpy(&m, mix + 2 * i, sizeof m);
  m += sum;
  std::memcpy(mix + 2 * i, &m, sizeof m);
}

// A table of the loops for every pair of the groups below GROUP_CHECKED, the
// loop for groups A and B being OF<A, B>::loop.
template <typename LOOP, template <int, int> typename OF, int A, int... B>
constexpr std::array<LOOP, GROUP_CHECKED> PairTableRow(std::integer_sequence<int, B...>) {
  return {OF<A, B>::loop...};
}
template <typename LOOP, template <int, int> typename OF, int... A>
constexpr std::array<std::array<LOOP, GROUP_CHECKED>, GROUP_CHECKED> PairTableOf(
    std::integer_sequence<int, A...>) {
  return {PairTableRow<LOOP, OF, A>(std::make_integer_sequence<int, GROUP_CHECKED>())...};
}
template <typename LOOP, template <int, int> typename OF>
constexpr std::array<std::array<LOOP, GROUP_CHECKED>, GROUP_CHECKED> PairTable() {
  return PairTableOf<LOOP, OF>(std::make_integer_sequence<int, GROUP_CHECKED>());
}
