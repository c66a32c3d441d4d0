#include <gtest/gtest.h>

#include <string>

#include "gfx/system_font.h"

namespace {

constexpr COLORREF INK = 0x00000000, PAPER = 0x00FFFFFF, UNTOUCHED = 0x00808080;

Surface Grey(int w, int h) {
  Surface s;
  s.Create(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, UNTOUCHED);
  return s;
}

TEST(SystemFont, HoldsEveryCharacterTheGameWrites) {
  const char* texts[] = {"マスク作ってます", "velkariゲーム", "PUSH [Z]key or GAMEPAD(A)Key",
                         "Quillmoor2022"};
  for (const char* t : texts) {
    Surface s = Grey(300, 16);
    EXPECT_TRUE(DrawSystemText(s, 0, 0, t));
    // A character without a glyph would show the hollow box; each of these
    // strings must come out of real glyphs only.
    for (uint32_t cp : {0x30DEu, 0x30B9u, 0x30AFu, 0x4F5Cu, 0x3063u, 0x3066u, 0x307Eu, 0x3059u,
                        0x30B2u, 0x30FCu, 0x30E0u})
      EXPECT_TRUE(SystemFontHasGlyph(cp)) << std::hex << cp;
  }
  for (uint32_t c = 0x20; c < 0x7F; ++c) EXPECT_TRUE(SystemFontHasGlyph(c)) << c;
  EXPECT_FALSE(SystemFontHasGlyph(0x7F));
  EXPECT_FALSE(SystemFontHasGlyph(0x4E00));
}

struct WidthCase {
  const char* text;
  int width;
};

TEST(SystemFont, HalfWidthIsEightPixelsAndFullWidthSixteen) {
  const WidthCase cases[] = {
      {"", 0},
      {"A", 8},
      {"マスク作ってます", 8 * 16},  // eight full-width characters
      {"velkariゲーム", 7 * 8 + 3 * 16},
      {"PUSH [Z]key or GAMEPAD(A)Key", 28 * 8},
      {"\xE3\x83", 2 * 8},      // a cut-off sequence: two unknown bytes, two boxes
      {"\xC0\xAF", 2 * 8},      // an overlong '/': refused byte by byte
      {"\xED\xA0\x80", 3 * 8},  // a surrogate
  };
  for (const WidthCase& c : cases) EXPECT_EQ(SystemTextWidth(c.text), c.width) << c.text;
  EXPECT_EQ(SystemTextWidth(nullptr), 0);
}

TEST(SystemFont, DrawsBlackOnOpaqueWhiteInTheGlyphsCell) {
  Surface s = Grey(40, 40);
  EXPECT_TRUE(DrawSystemText(s, 10, 5, "A"));
  // Unifont's A: rows 4 and 5 are 0x18 and 0x24, row 9 is 0x7E, row 0 empty.
  const struct {
    int row;
    uint8_t bits;
  } rows[] = {{0, 0x00}, {4, 0x18}, {5, 0x24}, {9, 0x7E}, {15, 0x00}};
  for (const auto& r : rows)
    for (int col = 0; col < 8; ++col)
      EXPECT_EQ(s.GetPixel(10 + col, 5 + r.row), ((r.bits >> (7 - col)) & 1) ? INK : PAPER)
          << r.row << "," << col;
  EXPECT_EQ(s.GetPixel(9, 5), UNTOUCHED);
  EXPECT_EQ(s.GetPixel(18, 5), UNTOUCHED);
  EXPECT_EQ(s.GetPixel(10, 4), UNTOUCHED);
  EXPECT_EQ(s.GetPixel(10, 21), UNTOUCHED);
}

TEST(SystemFont, FullWidthGlyphsCoverSixteenColumns) {
  Surface s = Grey(64, 16);
  EXPECT_TRUE(DrawSystemText(s, 0, 0, "作"));
  int ink = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      ASSERT_NE(s.GetPixel(x, y), UNTOUCHED);
      ink += s.GetPixel(x, y) == INK;
    }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(s.GetPixel(16, 0), UNTOUCHED);
}

TEST(SystemFont, ClipsAtEveryEdgeAndRefusesNothingToDrawOn) {
  const struct {
    int x, y;
  } spots[] = {{-20, -10}, {630, 470}, {-2147483647 - 1, 0}, {2147483600, 2147483600}, {0, -15}};
  for (const auto& p : spots) {
    Surface s = Grey(640, 480);
    EXPECT_TRUE(DrawSystemText(s, p.x, p.y, "velkariゲーム"));
  }
  Surface s = Grey(20, 16);
  EXPECT_TRUE(DrawSystemText(s, -4, 0, "AB"));
  EXPECT_EQ(s.GetPixel(0, 0), PAPER);  // the right half of A, then B from x 4 to 11
  EXPECT_EQ(s.GetPixel(11, 0), PAPER);
  EXPECT_EQ(s.GetPixel(12, 0), UNTOUCHED);
  Surface none;
  EXPECT_FALSE(DrawSystemText(none, 0, 0, "A"));
  EXPECT_FALSE(DrawSystemText(s, 0, 0, nullptr));
}

}  // namespace
