// System-font text: the boot notice and the title lines, drawn in a 16-pixel
// bitmap font (generated at build time from GNU Unifont), black on an opaque
// white background, as a window's default text. Called by the boot and title
// scenes on the main thread.
#pragma once

#include "gfx/surface.h"

// Draws UTF-8 `text` with its top left at (x, y), clipped to the surface.
// Characters without a glyph in the font are drawn as an empty box. Returns
// false for a null text or a surface without pixels.
bool DrawSystemText(Surface& dc, int x, int y, const char* text);

// The width in pixels that DrawSystemText gives `text`: 8 for each half-width
// character, 16 for each full-width one. 0 for a null text.
int SystemTextWidth(const char* text);

// Whether the font holds a glyph for the Unicode code point.
bool SystemFontHasGlyph(uint32_t codePoint);
