// Checks the pictures the build draws against the layouts the game relies on.
#include <gtest/gtest.h>

#include <string>

#include "gfx/bmp.h"

namespace {

constexpr COLORREF KEY = 0x0000FF00;

Surface Load(const char* name) {
  Surface s;
  const std::string path = std::string(VELKARI_BIN_DIR) + "/img/" + name;
  EXPECT_TRUE(LoadBmpFile(path.c_str(), s)) << path;
  return s;
}

int CountInRect(const Surface& s, int x0, int y0, int w, int h, COLORREF c) {
  int n = 0;
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) n += s.GetPixel(x, y) == c;
  return n;
}

bool SameRect(const Surface& s, int ax, int bx, int y0, int w, int h) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = 0; x < w; ++x)
      if (s.GetPixel(ax + x, y) != s.GetPixel(bx + x, y)) return false;
  return true;
}

TEST(Art, FontSheetHasAnOpaqueGlyphForEveryPrintableCharacter) {
  const Surface font = Load("tobernix.bmp");
  ASSERT_EQ(font.Width(), 256);
  ASSERT_GE(font.Height(), 128);
  EXPECT_EQ(CountInRect(font, 0, 0, 256, font.Height(), KEY), 0);
  const int blankSpace = CountInRect(font, 0, 32, 16, 16, 0);
  EXPECT_EQ(blankSpace, 256);  // the space is all background
  for (int c = 33; c < 127; ++c) {
    const int x = (c % 16) * 16, y = (c / 16) * 16;
    EXPECT_LT(CountInRect(font, x, y, 16, 16, 0), 256 - 8) << "glyph " << static_cast<char>(c);
  }
  // Distinct characters look distinct: no two glyphs the panel uses are equal.
  const std::string used = " ()-0123456789[]ABCDEFGHIJKLMNOPQRSTUVWXYZor";
  for (size_t i = 0; i < used.size(); ++i)
    for (size_t j = i + 1; j < used.size(); ++j) {
      const int a = static_cast<unsigned char>(used[i]), b = static_cast<unsigned char>(used[j]);
      bool same = true;
      for (int y = 0; y < 16 && same; ++y)
        for (int x = 0; x < 16 && same; ++x)
          same = font.GetPixel((a % 16) * 16 + x, (a / 16) * 16 + y) ==
                 font.GetPixel((b % 16) * 16 + x, (b / 16) * 16 + y);
      EXPECT_FALSE(same) << used[i] << " and " << used[j];
    }
}

TEST(Art, CellSheetHoldsEightPicturesWithTheBoardShowingThroughThePlayer) {
  const Surface cells = Load("velkimg.bmp");
  ASSERT_GE(cells.Width(), 32);
  const int perRow = cells.Width() / 32;
  ASSERT_GE(perRow * (cells.Height() / 32), 8);
  auto x = [&](int n) { return (n % perRow) * 32; };
  auto y = [&](int n) { return (n / perRow) * 32; };
  // The board's own pictures are solid: behind a cell there is only the
  // cleared back buffer. The player is drawn over the board.
  for (int n : {0, 1, 2, 3, 4, 5}) EXPECT_EQ(CountInRect(cells, x(n), y(n), 32, 32, KEY), 0) << n;
  for (int n : {6, 7}) EXPECT_GT(CountInRect(cells, x(n), y(n), 32, 32, KEY), 200) << n;
  EXPECT_FALSE(y(6) == y(7) && SameRect(cells, x(6), x(7), y(6), 32, 32));  // two frames
}

TEST(Art, TitlePictureFitsBesideTheTitleTexts) {
  const Surface title = Load("girl.bmp");
  EXPECT_LE(title.Width(), 320);
  EXPECT_LE(title.Height(), 380);
  EXPECT_EQ(title.GetPixel(0, 0), KEY);
  // The text lines at y 320 (to x 374) and the high score at y 400 (to x 360)
  // cross the picture's left edge; nothing of the picture is hidden there.
  EXPECT_EQ(CountInRect(title, 0, 220, 54, 16, KEY), 54 * 16);
  EXPECT_EQ(CountInRect(title, 0, 300, 40, 16, KEY), 40 * 16);
}

}  // namespace
