// System-font text: the boot notice and the title lines, drawn in a 16-pixel
// bitmap font (generated at build time from GNU Unifont), black on an opaque
// white background, as a window's default text. Called by the boot and title
// scenes on the main thread.
#pragma once

#include "gfx/surface.h"

constexpr COLORREF SYSTEM_TEXT_INK = 0x00000000u;
constexpr COLORREF SYSTEM_TEXT_PAPER = 0x00FFFFFFu;

// Draws UTF-8 `text` with its top left at (x, y), clipped to the surface, in
// `ink` on an opaque `paper` (black on white unless asked otherwise: a
// caption bar draws white on its own colour). Characters without a glyph in
// the font are drawn as an empty box. Returns false for a null text or a
// surface without pixels.
bool DrawSystemText(Surface& dc, int x, int y, const char* text, COLORREF ink = SYSTEM_TEXT_INK,
                    COLORREF paper = SYSTEM_TEXT_PAPER);

// The width in pixels that DrawSystemText gives `text`: 8 for each half-width
// character, 16 for each full-width one. 0 for a null text.
int SystemTextWidth(const char* text);

// Whether the font holds a glyph for the Unicode code point.
bool SystemFontHasGlyph(uint32_t codePoint);
