// Two doubles side by side, a channel's left and right, with the few
// operations the mixer's filter needs and the truncation of both to 32-bit
// integers. With GCC and Clang they are vector types, one SSE2 operation
// each; with any other compiler (or VELKARI_PLAIN_PAIRS) a plain pair that
// does the same arithmetic lane by lane. Either way each lane is one IEEE
// operation on doubles, so every build renders the same samples.
#pragma once

#include <cstdint>

#if (defined(__GNUC__) || defined(__clang__)) && !defined(VELKARI_PLAIN_PAIRS)

typedef double Pair __attribute__((vector_size(16)));
typedef int32_t PairInt __attribute__((vector_size(8)));
typedef uint32_t PairSum __attribute__((vector_size(8)));

// Each lane truncated toward zero to a 32-bit integer, as a double again.
inline Pair TruncatePair(Pair p) {
  return __builtin_convertvector(__builtin_convertvector(p, PairInt), Pair);
}
// Each lane truncated toward zero, kept as 32 unsigned bits (wrapping sums).
inline PairSum TruncatePairToSum(Pair p) {
  return __builtin_convertvector(__builtin_convertvector(p, PairInt), PairSum);
}

#else

struct Pair {
  double lane[2];
  double& operator[](int i) { return lane[i]; }
  double operator[](int i) const { return lane[i]; }
};
inline Pair operator+(Pair a, Pair b) {
  return Pair{a.lane[0] + b.lane[0], a.lane[1] + b.lane[1]};
}
inline Pair operator-(Pair a, Pair b) {
  return Pair{a.lane[0] - b.lane[0], a.lane[1] - b.lane[1]};
}
inline Pair operator*(Pair a, Pair b) {
  return Pair{a.lane[0] * b.lane[0], a.lane[1] * b.lane[1]};
}

struct PairSum {
  uint32_t lane[2];
  uint32_t& operator[](int i) { return lane[i]; }
  uint32_t operator[](int i) const { return lane[i]; }
  PairSum& operator+=(PairSum b) {
    lane[0] += b.lane[0];
    lane[1] += b.lane[1];
    return *this;
  }
};

inline Pair TruncatePair(Pair p) {
  return Pair{static_cast<double>(static_cast<int32_t>(p.lane[0])),
              static_cast<double>(static_cast<int32_t>(p.lane[1]))};
}
inline PairSum TruncatePairToSum(Pair p) {
  return PairSum{static_cast<uint32_t>(static_cast<int32_t>(p.lane[0])),
                 static_cast<uint32_t>(static_cast<int32_t>(p.lane[1]))};
}

#endif
