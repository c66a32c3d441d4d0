// The AVX2 loops of the mixer's second pass, for the sounding voices of a
// stretch, and the one check of whether they may run. The second pass
// (mixer.cpp) takes them where Avx2LoopsAvailable() and UseWideMixLoops
// allow; they give the same samples as the portable loops (mix_loops.h).
// They are built by GCC and Clang for x86-64 outside Windows (where GCC
// cannot keep the stack aligned for spilled AVX registers), and
// src/CMakeLists.txt compiles mix_avx2.cpp with -mavx2 exactly there; the
// web page and Windows run the portable loops.
#pragma once

#include <cstdint>

#include "diag/cpu_features.h"
#include "sound/mix_voice.h"

#if defined(VELKARI_HAVE_AVX2_LOOPS) && defined(__x86_64__) && !defined(VELKARI_PLAIN_PAIRS)
#define MIX_AVX2_LOOPS 1
#endif

// Whether the AVX2 loops are built and the processor has AVX2. Nothing in
// mix_avx2.cpp runs unless this holds; it is answered here, outside the
// code compiled for AVX2.
inline bool Avx2LoopsAvailable() {
#if defined(MIX_AVX2_LOOPS)
  return CpuHasAvx2();
#else
  return false;
#endif
}

// A voice sounding alone runs in the one-voice loop even with AVX2: with
// half a vector, the filter's chain from frame to frame sets the pace, and
// the loop that does everything in one go keeps up with it.
constexpr int MIN_SOUNDING_FOR_VECTORS = 2;

// Zeroes the vector loops' sums of frames [0, frames), before a buffer.
void ClearAvx2Sums(int frames);

// Frames [from, to) of count (up to 8) sounding voices of the groups from
// GROUP_PULSE to GROUP_SILENT, sorted by group, added to the vector loops'
// sums.
void MixSoundingAvx2(Voice* voices, int count, int from, int to);

// Adds the vector loops' sums of frames [0, frames) into mix, after a buffer.
void FoldAvx2Sums(uint32_t* mix, int frames);

// Writes the vector loops' scratch memory once, for the mixer's reset.
void ResetAvx2Scratch();
