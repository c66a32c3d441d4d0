#include "sound/mix_avx2.h"

#if defined(MIX_AVX2_LOOPS)

#if !defined(__AVX2__)
#error "mix_avx2.cpp is compiled with -mavx2 wherever the AVX2 loops are built (src/CMakeLists.txt)"
#endif

#include <immintrin.h>

#include <cstring>

// The sounding voices of a stretch run in two steps over chunks of frames:
// first their phases and wave levels, two voices to a loop, then all their
// filters side by side, two voices to a vector of four lanes (left and right
// of each). The filter is a chain of dependent operations from frame to
// frame; with up to four vectors in one loop the chains overlap. Each lane is
// still one IEEE operation on doubles, so the samples are the same.
//
// This file is compiled for AVX2: everything in it stays in it (an
// anonymous namespace, helpers forced inline), so no copy of a shared
// function compiled for AVX2 can stand in for the program's own, and it
// has no static constructor.

namespace {

// The sums of the vector loops, left and right of two voices side by side,
// folded into the mix at the end of the buffer.
alignas(32) uint32_t vectorSums[4 * WAVE_BUFFER_FRAMES];

// The levels of a chunk, per vector and frame: each voice's level twice.
constexpr int LEVEL_CHUNK = 128;
alignas(32) double chunkLevels[4][LEVEL_CHUNK][4];

// The envelope of the empty half of a vector: 0 throughout.
const double silentRow[WAVE_BUFFER_FRAMES] = {};

// Phases and levels of frames [from, to) of voice a of group A and voice b
// of group B into levels, from frame from on. B GROUP_RESTING stands for no
// voice b, whose lanes hold 0.
template <int A, int B>
void LevelsOfTwo(Voice& a, Voice& b, int from, int to, double (*levels)[4]) {
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
// chunkLevels from frame from on, added to vectorSums.
template <int Q>
void FilterQuads(QuadFilter* quads, int from, int to) {
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
    __m128i* sums = reinterpret_cast<__m128i*>(vectorSums + 4 * i);
    __m128i sum = _mm_load_si128(sums);
    for (int q = 0; q < Q; ++q) {
      const __m256d level = _mm256_load_pd(chunkLevels[q][i - from]);
      const __m256d e = _mm256_blend_pd(_mm256_broadcast_sd(envelopeA[q] + i),
                                        _mm256_broadcast_sd(envelopeB[q] + i), 0xC);
      state[q] = FilterAndPan(state[q], level, coefficients[q], pans[q]);
      // Within 16 bits, rounding toward zero is the truncation to an
      // integer (a -0 it may give scales to -0, which truncates to 0 all the
      // same).
      const __m256d sample = _mm256_round_pd(state[q], _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
      sum = _mm_add_epi32(sum, _mm256_cvttpd_epi32(ScaleSample(sample, gains[q], e)));
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

}  // namespace

void MixSoundingAvx2(Voice* voices, int count, int from, int to) {
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

void FoldAvx2Sums(uint32_t* mix, int frames) {
  for (int i = 0; i < frames; ++i) {
    mix[2 * i] += vectorSums[4 * i] + vectorSums[4 * i + 2];
    mix[2 * i + 1] += vectorSums[4 * i + 1] + vectorSums[4 * i + 3];
  }
}

void ClearAvx2Sums(int frames) {
  std::memset(vectorSums, 0, sizeof(uint32_t) * 4 * static_cast<size_t>(frames));
}

void ResetAvx2Scratch() {
  std::memset(vectorSums, 0, sizeof vectorSums);
  std::memset(chunkLevels, 0, sizeof chunkLevels);
}

#endif
