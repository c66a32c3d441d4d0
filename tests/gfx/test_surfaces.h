// Surfaces the graphics tests draw from: one colour all over, or every pixel
// telling where it is.
#pragma once

#include "gfx/surface.h"

inline Surface Filled(int w, int h, COLORREF c) {
  Surface s;
  s.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, c);
  return s;
}

// x in the low 12 bits, y above, with a high bit set so no pixel is black.
inline Surface Numbered(int w, int h) {
  Surface s;
  s.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, static_cast<COLORREF>(0x800000 | y << 12 | x));
  return s;
}
