// What the processor offers the wide loops of the drawing and the mixer,
// asked once. Where the compiler cannot ask (or the loops are not built), the
// answer is no and the other loops run.
#pragma once

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
// The wide loops are built: GCC and Clang on x86 outside Windows, where GCC
// cannot keep the stack aligned for spilled AVX registers.
#define VELKARI_HAVE_AVX2_LOOPS 1
#endif

// Whether the processor (and the system, which must save the wide
// registers) has AVX2.
inline bool CpuHasAvx2() {
#if defined(VELKARI_HAVE_AVX2_LOOPS)
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
#else
  return false;
#endif
}
