// The noise of a sounding noise channel over one run of the mixer's first
// pass (mix_first_pass.cpp calls it once per run, in channel order, so the
// shared register is clocked in that order), frame by frame as the
// accumulator clocks the register, into the row the second pass reads.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "sound/sequencer.h"

// The noise levels of frames [0, n) of channel c's run into out, from its
// accumulator and the shared register, which are left as the frames leave
// them. d is the voice's variant, the index of its clock rate.
void RenderNoiseRun(SoundChannel& c, bool shortMode, int d, double* out, int n);

// The power of two that the finite, nonzero x is a whole multiple of.
inline int GrainOf(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t mantissa = (bits & 0xFFFFFFFFFFFFFull) | (exponent ? 1ull << 52 : 0);
  return (exponent == 0 ? -1074 : exponent - 1075) + std::countr_zero(mantissa);
}
