// The raster: block transfers between surfaces with the four raster operations
// the game draws with, giving GDI's bitwise results on 0x00BBGGRR pixels. The
// image store calls it for every sheet, cell and glyph it draws, and for the
// masks it builds when a sheet is loaded.
#pragma once

#include <cstdint>

#include "gfx/surface.h"

// The raster operation codes keep GDI's values, so that a Windows header that
// defines the same names agrees with them.
#ifndef SRCCOPY
constexpr uint32_t SRCCOPY = 0x00CC0020u;  // dest = source
#endif
#ifndef SRCAND
constexpr uint32_t SRCAND = 0x008800C6u;  // dest = dest AND source
#endif
#ifndef SRCPAINT
constexpr uint32_t SRCPAINT = 0x00EE0086u;  // dest = dest OR source
#endif
#ifndef BLACKNESS
constexpr uint32_t BLACKNESS = 0x00000042u;  // dest = 0, no source
#endif

// Transfers the width x height rectangle at (sx, sy) of `src` onto (x, y) of
// `dst` with raster operation `rop`. The rectangle is clipped to both
// surfaces, so nothing outside either is read or written; a rectangle that
// misses one of them transfers nothing. BLACKNESS takes no source (src may be
// null). False for an unknown operation or a missing source, true otherwise,
// also when clipping left nothing to transfer.
bool BitBlt(Surface& dst, int x, int y, int width, int height, const Surface* src, int sx, int sy,
            uint32_t rop);
