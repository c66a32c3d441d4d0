#include "gfx/raster.h"

#include <algorithm>
#include <cstring>

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

}  // namespace

bool BitBlt(Surface& dst, int x, int y, int width, int height, const Surface* src, int sx, int sy,
            uint32_t rop) {
  if (rop != SRCCOPY && rop != SRCAND && rop != SRCPAINT && rop != BLACKNESS) return false;
  const bool withSource = NeedsSource(rop);
  if (withSource && !src) return false;
  if (width <= 0 || height <= 0 || !dst.Valid()) return true;
  if (withSource && !src->Valid()) return true;

  // Clip in 64 bits: positions near the ends of the int range must not wrap.
  int64_t x0 = x, y0 = y, x1 = int64_t{x} + width, y1 = int64_t{y} + height;
  x0 = std::max<int64_t>(x0, 0);
  y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, dst.Width());
  y1 = std::min<int64_t>(y1, dst.Height());
  const int64_t offX = int64_t{sx} - x;  // source x = destination x + offX
  const int64_t offY = int64_t{sy} - y;
  if (withSource) {
    x0 = std::max<int64_t>(x0, -offX);
    y0 = std::max<int64_t>(y0, -offY);
    x1 = std::min<int64_t>(x1, src->Width() - offX);
    y1 = std::min<int64_t>(y1, src->Height() - offY);
  }
  if (x0 >= x1 || y0 >= y1) return true;
  const int cx = static_cast<int>(x0), cy = static_cast<int>(y0);
  const int cw = static_cast<int>(x1 - x0), ch = static_cast<int>(y1 - y0);

  if (!withSource) {
    for (int row = 0; row < ch; ++row) std::fill_n(dst.Row(cy + row) + cx, cw, 0u);
    return true;
  }

  const int csx = static_cast<int>(x0 + offX), csy = static_cast<int>(y0 + offY);
  // A transfer within one surface walks rows against the direction of the
  // move, so that no source row is overwritten before it is read.
  const bool same = src == &dst;
  const bool backwards = same && (cy > csy || (cy == csy && cx > csx));
  for (int i = 0; i < ch; ++i) {
    const int row = backwards ? ch - 1 - i : i;
    uint32_t* d = dst.Row(cy + row) + cx;
    const uint32_t* s = src->Row(csy + row) + csx;
    if (rop == SRCCOPY) {
      std::memmove(d, s, static_cast<size_t>(cw) * sizeof(uint32_t));
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
