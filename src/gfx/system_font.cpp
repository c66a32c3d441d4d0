#include "gfx/system_font.h"

#include <cstdint>

namespace {

// One glyph of the font: 16 rows of `width` pixels (8 or 16), the leftmost
// pixel in the row's highest bit.
struct SystemGlyph {
  uint32_t codePoint;
  uint8_t width;
  uint16_t rows[16];
};

#include "generated/system_font_glyphs.h"

constexpr int FONT_HEIGHT = 16;
constexpr uint32_t REPLACEMENT = 0xFFFDu;

// Shown for a character the font lacks: a hollow half-width box.
constexpr SystemGlyph MISSING_GLYPH = {
    0, 8, {0, 0, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x7E, 0, 0}};

const SystemGlyph* FindGlyph(uint32_t cp) {
  size_t lo = 0, hi = sizeof(SYSTEM_GLYPHS) / sizeof(SYSTEM_GLYPHS[0]);
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (SYSTEM_GLYPHS[mid].codePoint < cp) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < sizeof(SYSTEM_GLYPHS) / sizeof(SYSTEM_GLYPHS[0]) && SYSTEM_GLYPHS[lo].codePoint == cp)
    return &SYSTEM_GLYPHS[lo];
  return nullptr;
}

// Reads one UTF-8 character at p and moves p past it. Malformed sequences
// (stray continuation bytes, truncations, overlong forms, surrogates) read as
// U+FFFD one byte at a time, so that no byte is skipped unseen.
uint32_t NextCodePoint(const unsigned char*& p) {
  const unsigned char lead = *p;
  int extra;
  uint32_t cp, min;
  if (lead < 0x80) {
    ++p;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, cp = lead & 0x07, min = 0x10000;
  } else {
    ++p;
    return REPLACEMENT;
  }
  for (int i = 1; i <= extra; ++i) {
    if ((p[i] & 0xC0) != 0x80) {  // also stops at the terminating zero
      ++p;
      return REPLACEMENT;
    }
    cp = cp << 6 | (p[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++p;
    return REPLACEMENT;
  }
  p += extra + 1;
  return cp;
}

const SystemGlyph& GlyphFor(uint32_t cp) {
  const SystemGlyph* g = FindGlyph(cp);
  return g ? *g : MISSING_GLYPH;
}

}  // namespace

bool SystemFontHasGlyph(uint32_t codePoint) {
  return FindGlyph(codePoint) != nullptr;
}

int SystemTextWidth(const char* text) {
  if (!text) return 0;
  int width = 0;
  for (auto p = reinterpret_cast<const unsigned char*>(text); *p;)
    width += GlyphFor(NextCodePoint(p)).width;
  return width;
}

bool DrawSystemText(Surface& dc, int x, int y, const char* text, COLORREF ink, COLORREF paper) {
  if (!text || !dc.Valid()) return false;
  int64_t penX = x;
  for (auto p = reinterpret_cast<const unsigned char*>(text); *p;) {
    const SystemGlyph& g = GlyphFor(NextCodePoint(p));
    for (int row = 0; row < FONT_HEIGHT; ++row) {
      const int64_t py = int64_t{y} + row;
      if (py < 0 || py >= dc.Height()) continue;
      for (int col = 0; col < g.width; ++col) {
        const int64_t px = penX + col;
        if (px < 0 || px >= dc.Width()) continue;
        const bool set = (g.rows[row] >> (g.width - 1 - col)) & 1u;
        dc.Row(static_cast<int>(py))[px] = set ? ink : paper;
      }
    }
    penX += g.width;
    if (penX >= dc.Width()) break;  // the rest of the line is off the surface
  }
  return true;
}
