// The raster: block transfers between surfaces with the four raster operations
// the game draws with, giving GDI's bitwise results on 0x00BBGGRR pixels. The
// image store calls it for every sheet, cell and glyph it draws, and for the
// masks it builds when a sheet is loaded.
#pragma once

#include <cstdint>
#include <vector>

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

// The part of such a transfer that is made: destination (x, y), source
// (sx, sy), width x height, clipped as BitBlt clips (src null: to the
// destination alone). False when nothing is left.
struct BltRect {
  int x, y, sx, sy, width, height;
};
bool ClipBlt(const Surface& dst, int x, int y, int width, int height, const Surface* src, int sx,
             int sy, BltRect& out);

// The runs of a mask, for MaskedBlt. A row splits into stretches that are
// copied from the keyed copy (opaque runs at least MASK_COPY_MIN pixels long:
// the mask is black all along) and stretches between them that are combined
// pixel by pixel. Each pixel's entry holds MASK_RUN_COPY for a copied
// stretch, and in MASK_RUN_LENGTH how many pixels from it to the end of its
// stretch (a longer stretch counts as several). Built once, when a sheet is
// loaded.
constexpr uint16_t MASK_RUN_COPY = 0x8000u;
constexpr uint16_t MASK_RUN_LENGTH = 0x7FFFu;
constexpr int MASK_COPY_MIN = 32;
std::vector<uint16_t> MaskRuns(const Surface& mask);

// The transparent draw in one pass over the destination: the same bits as
// BitBlt(dst, ..., &mask, sx, sy, SRCAND) followed by BitBlt(dst, ..., &keyed,
// sx, sy, SRCPAINT), with the same clipping. Opaque runs are copied from the
// keyed copy, the others combined pixel by pixel. `runs` is MaskRuns(mask);
// where it does not fit the mask, the keyed copy is not the mask's size, or
// dst is one of the sources, the two transfers are made as written.
void MaskedBlt(Surface& dst, int x, int y, int width, int height, const Surface& mask,
               const Surface& keyed, const std::vector<uint16_t>& runs, int sx, int sy);

// Whether MaskedBlt and copies between surfaces may use the wider vector loops where the processor
// has them (the default); off, it runs the portable loops. Both give the same bits: the tests hold
// them to it.
void UseWideRowLoops(bool use);
