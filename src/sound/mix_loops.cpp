#include "sound/mix_loops.h"

#include <array>
#include <utility>

SteppedTriangleTable::SteppedTriangleTable() {
  for (int k = 0; k < PHASE_STEPS; ++k) level[k] = TriangleLevel(8, k * 1378.0);
}
const SteppedTriangleTable steppedTriangle;

namespace {

// Frames [from, to) of voice a of group A and voice b of group B, or of
// voice a alone for B NO_VOICE. Each voice's phase and filter are a chain of
// dependent operations from frame to frame; with two in one loop the chains
// overlap.
constexpr int NO_VOICE = -1;
template <int A, int B>
void MixVoices(Voice& a, Voice& b, int from, int to, uint32_t* mix) {
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
    if constexpr (B != NO_VOICE) StepVoice<B>(vb, phaseB, stateB, i, sum);
    AddToMix(mix, i, sum);
  }
  a.phase = phaseA;
  a.state = stateA;
  if constexpr (B != NO_VOICE) {
    b.phase = phaseB;
    b.state = stateB;
  }
}

template <int A>
void MixOne(Voice& a, int from, int to, uint32_t* mix) {
  MixVoices<A, NO_VOICE>(a, a, from, to, mix);
}

using TwoLoop = void (*)(Voice&, Voice&, int, int, uint32_t*);
using OneLoop = void (*)(Voice&, int, int, uint32_t*);

template <int A, int B>
struct TwoLoopOf {
  static constexpr TwoLoop loop = &MixVoices<A, B>;
};
template <int... A>
constexpr std::array<OneLoop, sizeof...(A)> OneLoopTable(std::integer_sequence<int, A...>) {
  return {&MixOne<A>...};
}

constexpr auto TWO_LOOPS = PairTable<TwoLoop, TwoLoopOf>();
constexpr auto ONE_LOOPS = OneLoopTable(std::make_integer_sequence<int, GROUP_CHECKED + 1>());

}  // namespace

void MixTwoVoices(Voice& a, Voice& b, int from, int to, uint32_t* mix) {
  TWO_LOOPS[GroupOf(a, a.phase)][GroupOf(b, b.phase)](a, b, from, to, mix);
}

void MixOneVoice(Voice& v, int from, int to, uint32_t* mix) {
  ONE_LOOPS[GroupOf(v, v.phase)](v, from, to, mix);
}
