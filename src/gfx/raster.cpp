#include "gfx/raster.h"

#include <algorithm>
#include <cstring>

#include "diag/cpu_features.h"

namespace {

bool NeedsSource(uint32_t rop) {
  return rop != BLACKNESS;
}

inline uint32_t Combine(uint32_t rop, uint32_t d, uint32_t s) {
  switch (rop) {
    case SRCAND:
      return d & s;
    case SRCPAINT:
      return d | s;
    default:
      return s;
  }
}

// One row between distinct surfaces, four pixels a step: written out so that
// the compiler can pack each step into one vector operation even where it
// does not vectorise loops (GCC at -O2).
template <typename Op>
void RowOp(uint32_t* __restrict d, const uint32_t* __restrict s, int n, Op op) {
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    d[i] = op(d[i], s[i]);
    d[i + 1] = op(d[i + 1], s[i + 1]);
    d[i + 2] = op(d[i + 2], s[i + 2]);
    d[i + 3] = op(d[i + 3], s[i + 3]);
  }
  for (; i < n; ++i) d[i] = op(d[i], s[i]);
}

void RowOp(uint32_t rop, uint32_t* d, const uint32_t* s, int n) {
  if (rop == SRCAND) {
    RowOp(d, s, n, [](uint32_t a, uint32_t b) { return a & b; });
  } else {
    RowOp(d, s, n, [](uint32_t a, uint32_t b) { return a | b; });
  }
}

#if defined(__GNUC__)
#define RASTER_INLINE inline __attribute__((always_inline))
#else
#define RASTER_INLINE inline
#endif

// Eight and four pixels moved as one value: a vector where the compiler has
// them (one register each in the wide loops), plain bytes elsewhere.
#if defined(__GNUC__)
typedef uint32_t Eight __attribute__((vector_size(32)));
typedef uint32_t Four __attribute__((vector_size(16)));
#else
struct Eight {
  uint32_t p[8];
};
struct Four {
  uint32_t p[4];
};
#endif

// Vectors of eight go through references: passed by value, their ABI would
// depend on the instruction set the caller was compiled for.
template <typename V>
RASTER_INLINE void Load(V& v, const uint32_t* p) {
  std::memcpy(&v, p, sizeof v);
}
template <typename V>
RASTER_INLINE void Store(uint32_t* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}
template <typename V>
RASTER_INLINE void Move(uint32_t* __restrict d, const uint32_t* __restrict s) {
  V v;
  Load(v, s);
  Store(d, v);
}

// A copy between distinct rows, inline: the rows of a cell or a glyph are
// short enough that a call to memcpy costs as much as the copy. The last
// eight (or four, or two) pixels go as one piece that may overlap the ones
// before it.
RASTER_INLINE void CopyPixels(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  if (n >= 8) {
    for (int i = 0; i + 8 <= n; i += 8) Move<Eight>(d + i, s + i);
    if (n % 8) Move<Eight>(d + n - 8, s + n - 8);
  } else if (n >= 4) {
    Four first, last;
    Load(first, s);
    Load(last, s + n - 4);
    Store(d, first);
    Store(d + n - 4, last);
  } else {
    const uint32_t first = s[0], last = s[n - 1];
    if (n == 3) d[1] = s[1];
    d[0] = first;
    d[n - 1] = last;
  }
}

// (d AND m) OR k along a row. Applied twice it gives the same pixel, so the
// last eight (or four) pixels are taken as one piece that may overlap the
// ones before it, read before anything is written.
#if defined(__GNUC__)
template <typename V>
RASTER_INLINE void Masked(V& out, const uint32_t* d, const uint32_t* m, const uint32_t* k) {
  V a, b, c;
  Load(a, d);
  Load(b, m);
  Load(c, k);
  out = (a & b) | c;
}

RASTER_INLINE void MaskPixels(uint32_t* __restrict d, const uint32_t* __restrict m,
                              const uint32_t* __restrict k, int n) {
  if (n >= 8) {
    Eight last, v;
    Masked(last, d + n - 8, m + n - 8, k + n - 8);
    for (int i = 0; i + 8 <= n; i += 8) {
      Masked(v, d + i, m + i, k + i);
      Store(d + i, v);
    }
    if (n % 8) Store(d + n - 8, last);
  } else if (n >= 4) {
    Four first, last;
    Masked(first, d, m, k);
    Masked(last, d + n - 4, m + n - 4, k + n - 4);
    Store(d, first);
    Store(d + n - 4, last);
  } else {
    for (int i = 0; i < n; ++i) d[i] = (d[i] & m[i]) | k[i];
  }
}
#else
inline void MaskPixels(uint32_t* d, const uint32_t* m, const uint32_t* k, int n) {
  for (int i = 0; i < n; ++i) d[i] = (d[i] & m[i]) | k[i];
}
#endif

// The rows of a transparent draw, clipped: destination, mask, keyed copy and
// runs each start at the rectangle's first pixel and step by their stride.
struct MaskedRect {
  uint32_t* d;
  const uint32_t* m;
  const uint32_t* k;
  const uint16_t* r;
  size_t dStride, sStride;
  int width, height;
};

RASTER_INLINE void DrawMaskedRows(const MaskedRect& rect) {
  const MaskedRect a = rect;  // a local copy: the stores below cannot change it
  uint32_t* d = a.d;
  const uint32_t* m = a.m;
  const uint32_t* k = a.k;
  const uint16_t* r = a.r;
  for (int row = 0; row < a.height; ++row) {
    // Most rows of a cell are one stretch.
    if ((r[0] & MASK_RUN_LENGTH) >= a.width) {
      if (r[0] & MASK_RUN_COPY) {
        CopyPixels(d, k, a.width);
      } else {
        MaskPixels(d, m, k, a.width);
      }
      d += a.dStride;
      m += a.sStride;
      k += a.sStride;
      r += a.sStride;
      continue;
    }
    int i = 0;
    while (i < a.width) {
      const int n = std::min<int>(r[i] & MASK_RUN_LENGTH, a.width - i);
      if (r[i] & MASK_RUN_COPY) {
        CopyPixels(d + i, k + i, n);  // (d AND 0) OR k is k
      } else {
        MaskPixels(d + i, m + i, k + i, n);
      }
      i += n;
    }
    d += a.dStride;
    m += a.sStride;
    k += a.sStride;
    r += a.sStride;
  }
}

// Rows copied between distinct surfaces.
RASTER_INLINE void CopyRows(uint32_t* d, size_t dStride, const uint32_t* s, size_t sStride,
                            int width, int height) {
  for (int row = 0; row < height; ++row) {
    CopyPixels(d, s, width);
    d += dStride;
    s += sStride;
  }
}

void CopyRowsPortable(uint32_t* d, size_t dStride, const uint32_t* s, size_t sStride, int width,
                      int height) {
  CopyRows(d, dStride, s, sStride, width, height);
}

void DrawMaskedRowsPortable(const MaskedRect& a) {
  DrawMaskedRows(a);
}

// The same loops compiled for AVX2 (a copy of a cell's row is four moves), run
// where the processor has it.
// Not on Windows, where GCC cannot keep the stack aligned for spilled AVX
// registers.
#if defined(VELKARI_HAVE_AVX2_LOOPS)
#define RASTER_HAVE_AVX2_PATH 1
__attribute__((target("avx2"))) void DrawMaskedRowsAvx2(const MaskedRect& a) {
  DrawMaskedRows(a);
}

__attribute__((target("avx2"))) void CopyRowsAvx2(uint32_t* d, size_t dStride, const uint32_t* s,
                                                  size_t sStride, int width, int height) {
  CopyRows(d, dStride, s, sStride, width, height);
}

#endif

bool useWideRowLoops = true;

}  // namespace

bool ClipBlt(const Surface& dst, int x, int y, int width, int height, const Surface* src, int sx,
             int sy, BltRect& out) {
  if (width <= 0 || height <= 0 || !dst.Valid()) return false;
  if (src && !src->Valid()) return false;
  // Clip in 64 bits: positions near the ends of the int range must not wrap.
  int64_t x0 = x, y0 = y, x1 = int64_t{x} + width, y1 = int64_t{y} + height;
  x0 = std::max<int64_t>(x0, 0);
  y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, dst.Width());
  y1 = std::min<int64_t>(y1, dst.Height());
  const int64_t offX = int64_t{sx} - x;  // source x = destination x + offX
  const int64_t offY = int64_t{sy} - y;
  if (src) {
    x0 = std::max<int64_t>(x0, -offX);
    y0 = std::max<int64_t>(y0, -offY);
    x1 = std::min<int64_t>(x1, src->Width() - offX);
    y1 = std::min<int64_t>(y1, src->Height() - offY);
  }
  if (x0 >= x1 || y0 >= y1) return false;
  out.x = static_cast<int>(x0);
  out.y = static_cast<int>(y0);
  out.width = static_cast<int>(x1 - x0);
  out.height = static_cast<int>(y1 - y0);
  out.sx = src ? static_cast<int>(x0 + offX) : 0;
  out.sy = src ? static_cast<int>(y0 + offY) : 0;
  return true;
}

bool BitBlt(Surface& dst, int x, int y, int width, int height, const Surface* src, int sx, int sy,
            uint32_t rop) {
  if (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT && rop != BLACKNESS) return false;
  const bool withSource = NeedsSource(rop);
  if (withSource && !src) return false;
  BltRect c;
  if (!ClipBlt(dst, x, y, width, height, withSource ? src : nullptr, sx, sy, c)) return true;
  const int cx = c.x, cy = c.y, cw = c.width, ch = c.height;

  if (!withSource) {
    for (int row = 0; row < ch; ++row) std::fill_n(dst.Row(cy + row) + cx, cw, 0u);
    return true;
  }

  const int csx = c.sx, csy = c.sy;
  if (rop == SRCCOPY && src != &dst) {
    uint32_t* d = dst.Row(cy) + cx;
    const uint32_t* s = src->Row(csy) + csx;
    const size_t dStride = static_cast<size_t>(dst.Width());
    const size_t sStride = static_cast<size_t>(src->Width());
#if defined(RASTER_HAVE_AVX2_PATH)
    if (useWideRowLoops && CpuHasAvx2()) {
      CopyRowsAvx2(d, dStride, s, sStride, cw, ch);
      return true;
    }
#endif
    CopyRowsPortable(d, dStride, s, sStride, cw, ch);
    return true;
  }
  // A transfer within one surface walks rows against the direction of the
  // move, so that no source row is overwritten before it is read.
  const bool same = src == &dst;
  const bool backwards = same && (cy > csy || (cy == csy && cx > csx));
  for (int i = 0; i < ch; ++i) {
    const int row = backwards ? ch - 1 - i : i;
    uint32_t* d = dst.Row(cy + row) + cx;
    const uint32_t* s = src->Row(csy + row) + csx;
    if (rop == SRCCOPY) {
      std::memmove(d, s, static_cast<size_t>(cw) * sizeof(uint32_t));  // within one surface
    } else if (!same) {
      RowOp(rop, d, s, cw);
    } else if (backwards) {
      for (int col = cw - 1; col >= 0; --col) d[col] = Combine(rop, d[col], s[col]);
    } else {
      for (int col = 0; col < cw; ++col) d[col] = Combine(rop, d[col], s[col]);
    }
  }
  return true;
}

std::vector<uint16_t> MaskRuns(const Surface& mask) {
  const int w = mask.Width();
  std::vector<uint16_t> runs(static_cast<size_t>(w) * static_cast<size_t>(mask.Height()));
  std::vector<int> opaqueFrom(static_cast<size_t>(w) + 1);
  for (int y = 0; y < mask.Height(); ++y) {
    const uint32_t* m = mask.Row(y);
    // opaqueFrom[x]: the opaque pixels from x on.
    opaqueFrom[static_cast<size_t>(w)] = 0;
    for (int x = w - 1; x >= 0; --x)
      opaqueFrom[static_cast<size_t>(x)] =
          m[x] == 0 ? opaqueFrom[static_cast<size_t>(x) + 1] + 1 : 0;
    // Left to right, run by run: a long opaque run is copied, the pixels up
    // to the next one combined.
    uint16_t* r = runs.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
    int x = 0;
    while (x < w) {
      int end = x;
      const bool copy = opaqueFrom[static_cast<size_t>(x)] >= MASK_COPY_MIN;
      if (copy) {
        end = x + opaqueFrom[static_cast<size_t>(x)];
      } else {
        while (end < w && opaqueFrom[static_cast<size_t>(end)] < MASK_COPY_MIN)
          end += std::max(opaqueFrom[static_cast<size_t>(end)], 1);
      }
      for (int i = x; i < end; ++i) {
        const int left = std::min(end - i, static_cast<int>(MASK_RUN_LENGTH));
        r[i] = static_cast<uint16_t>(left | (copy ? MASK_RUN_COPY : 0));
      }
      x = end;
    }
  }
  return runs;
}

void UseWideRowLoops(bool use) {
  useWideRowLoops = use;
}

void MaskedBlt(Surface& dst, int x, int y, int width, int height, const Surface& mask,
               const Surface& keyed, const std::vector<uint16_t>& runs, int sx, int sy) {
  const bool fits =
      keyed.Width() == mask.Width() && keyed.Height() == mask.Height() &&
      runs.size() == static_cast<size_t>(mask.Width()) * static_cast<size_t>(mask.Height());
  if (!fits || &dst == &mask || &dst == &keyed) {
    BitBlt(dst, x, y, width, height, &mask, sx, sy, SRCAND);
    BitBlt(dst, x, y, width, height, &keyed, sx, sy, SRCPAINT);
    return;
  }
  BltRect c;
  if (!ClipBlt(dst, x, y, width, height, &mask, sx, sy, c)) return;
  const size_t at =
      static_cast<size_t>(c.sy) * static_cast<size_t>(mask.Width()) + static_cast<size_t>(c.sx);
  const MaskedRect rect{dst.Row(c.y) + c.x,
                        mask.Pixels() + at,
                        keyed.Pixels() + at,
                        runs.data() + at,
                        static_cast<size_t>(dst.Width()),
                        static_cast<size_t>(mask.Width()),
                        c.width,
                        c.height};
#if defined(RASTER_HAVE_AVX2_PATH)
  if (useWideRowLoops && CpuHasAvx2()) {
    DrawMaskedRowsAvx2(rect);
    return;
  }
#endif
  DrawMaskedRowsPortable(rect);
}
