#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gfx/raster.h"
#include "test_surfaces.h"

namespace {

struct RopCase {
  uint32_t rop;
  COLORREF dest, source, expected;
};

TEST(Raster, EachOperationGivesGdisBitwiseResult) {
  const RopCase cases[] = {
      {SRCCOPY, 0x00123456, 0x00ABCDEF, 0x00ABCDEF},
      {SRCAND, 0x00F0F0F0, 0x00FF00FF, 0x00F000F0},
      {SRCAND, 0x000000FF, 0x00FFFFFF, 0x000000FF},  // white mask keeps the back buffer
      {SRCAND, 0x000000FF, 0x00000000, 0x00000000},  // black mask blackens it
      {SRCPAINT, 0x00000000, 0x0000FF00, 0x0000FF00},
      {SRCPAINT, 0x00F00F00, 0x000F00F0, 0x00FF0FF0},
      {SRCPAINT, 0x00123456, 0x00000000, 0x00123456},  // black keyed pixels leave it
      {BLACKNESS, 0x00FFFFFF, 0x00FFFFFF, 0x00000000},
  };
  for (const RopCase& c : cases) {
    Surface d = Filled(4, 3, c.dest);
    const Surface s = Filled(4, 3, c.source);
    EXPECT_TRUE(BitBlt(d, 0, 0, 4, 3, &s, 0, 0, c.rop));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        ASSERT_EQ(d.GetPixel(x, y), c.expected) << std::hex << "rop " << c.rop;
  }
}

TEST(Raster, RefusesUnknownOperationsAndMissingSources) {
  Surface d = Filled(2, 2, 0x00112233);
  const Surface s = Filled(2, 2, 0);
  EXPECT_FALSE(BitBlt(d, 0, 0, 2, 2, &s, 0, 0, 0x00330008));  // NOTSRCCOPY: not used
  EXPECT_FALSE(BitBlt(d, 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(d.GetPixel(1, 1), 0x00112233u);
  EXPECT_TRUE(BitBlt(d, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
  EXPECT_EQ(d.GetPixel(0, 0), 0u);
  EXPECT_EQ(d.GetPixel(1, 0), 0x00112233u);
}

struct ClipCase {
  const char* name;
  int x, y, w, h, sx, sy;
};

// The destination is 6 x 5 and the source 4 x 4: every transfer must put
// exactly the source pixel (x - dx + sx, y - dy + sy) wherever both rectangles
// overlap their surfaces, and leave every other pixel alone.
TEST(Raster, ClipsAgainstBothSurfaces) {
  const ClipCase cases[] = {
      {"inside", 1, 1, 3, 2, 0, 0},
      {"left and top off the destination", -2, -1, 4, 4, 0, 0},
      {"right and bottom off the destination", 4, 3, 4, 4, 0, 0},
      {"source starts before the sheet", 0, 0, 4, 4, -2, -1},
      {"source runs past the sheet", 0, 0, 6, 5, 2, 1},
      {"entirely off the destination", 10, 0, 3, 3, 0, 0},
      {"entirely off the source", 0, 0, 3, 3, 4, 0},
      {"huge rectangle", -1000, -1000, 1 << 30, 1 << 30, -1000, -1000},
      {"near the end of the int range", 2147483640, 0, 100, 3, 0, 0},
      {"source near the end of the int range", 0, 0, 3, 3, 2147483646, 0},
      {"empty", 0, 0, 0, 3, 0, 0},
      {"negative size", 3, 3, -2, -2, 0, 0},
  };
  const Surface src = Numbered(4, 4);
  for (const ClipCase& c : cases) {
    Surface dst = Filled(6, 5, 0x00ABCDEF);
    EXPECT_TRUE(BitBlt(dst, c.x, c.y, c.w, c.h, &src, c.sx, c.sy, SRCCOPY)) << c.name;
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 6; ++x) {
        const int64_t sx = int64_t{x} - c.x + c.sx, sy = int64_t{y} - c.y + c.sy;
        const bool inRect = x >= c.x && int64_t{x} < int64_t{c.x} + c.w && y >= c.y &&
                            int64_t{y} < int64_t{c.y} + c.h;
        const bool inSource = sx >= 0 && sx < 4 && sy >= 0 && sy < 4;
        const COLORREF want = inRect && inSource
                                  ? src.GetPixel(static_cast<int>(sx), static_cast<int>(sy))
                                  : 0x00ABCDEF;
        ASSERT_EQ(dst.GetPixel(x, y), want) << c.name << " at " << x << "," << y;
      }
    }
  }
}

TEST(Raster, BlacknessIsClippedToTheDestination) {
  Surface d = Filled(4, 4, 0x00FFFFFF);
  EXPECT_TRUE(BitBlt(d, 2, -3, 10, 5, nullptr, 0, 0, BLACKNESS));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(d.GetPixel(x, y), (x >= 2 && y < 2) ? 0u : 0x00FFFFFFu) << x << "," << y;
}

TEST(Raster, OverlappingMovesWithinOneSurfaceCopyTheOriginalPixels) {
  for (const int shift : {1, -1}) {
    Surface s = Numbered(8, 8);
    const Surface before = Numbered(8, 8);
    EXPECT_TRUE(BitBlt(s, 2 + shift, 2 + shift, 4, 4, &s, 2, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        ASSERT_EQ(s.GetPixel(2 + shift + x, 2 + shift + y), before.GetPixel(2 + x, 2 + y))
            << "shift " << shift;
  }
}

// The one-pass transparent draw against the two operations it stands for,
// on a sheet whose rows hold long and short opaque runs, single pixels, runs
// of every length around a vector's width and mask values other than white,
// drawn at clipped and unclipped places from any column onto pixels with
// their top byte set; with the wide loops and with the portable ones.
TEST(Raster, MaskedDrawGivesTheBitsOfMaskAndThenKeyedCopy) {
  constexpr int W = 90, H = 7;
  const int opaque[H][8] = {
      {90},                         // one opaque run all along: copied
      {0, 1, 37, 2, 9, 4, 31, 3},   // runs just under and over the copy length
      {0, 90},                      // all transparent
      {5, 3, 8, 1, 40, 7, 16, 10},  // opaque, transparent, opaque, ...
      {1, 1, 1, 1, 33, 1, 1, 51},
      {64, 5, 21},
      {2, 13, 4, 11, 12, 17, 19, 12},
  };
  Surface mask, keyed;
  mask.Create(W, H);
  keyed.Create(W, H);
  std::mt19937 random(5);
  for (int y = 0; y < H; ++y) {
    int x = 0;
    for (int k = 0; k < 8 && x < W; ++k) {
      for (int n = 0; n < opaque[y][k] && x < W; ++n, ++x) {
        const bool isOpaque = k % 2 == 0;
        // Mostly white where transparent, sometimes another colour: the draw
        // must AND with whatever the mask holds.
        mask.Row(y)[x] = isOpaque ? 0u : (random() % 4 ? 0x00FFFFFFu : 0x00F0F00Fu);
        keyed.Row(y)[x] = isOpaque ? (0x00800000u | static_cast<uint32_t>(random() & 0xFFFF))
                                   : (random() % 4 ? 0u : 0x00000F00u);
      }
    }
    for (; x < W; ++x) keyed.Row(y)[x] = 0x00123456u;  // opaque to the end
  }
  const std::vector<uint16_t> runs = MaskRuns(mask);
  Surface back;
  back.Create(100, 40);
  for (int y = 0; y < back.Height(); ++y)
    for (int x = 0; x < back.Width(); ++x)
      back.Row(y)[x] = 0xAB000000u | static_cast<uint32_t>(random() & 0xFFFFFF);

  struct Rect {
    int x, y, w, h, sx, sy;
  };
  std::vector<Rect> rects = {
      {0, 0, W, H, 0, 0},    {-5, -2, W, H, 0, 0},  {60, 35, W, H, 0, 0}, {3, 4, 40, 7, 50, -3},
      {0, 0, 200, 9, -7, 0}, {10, 10, 1, 1, 89, 6}, {10, 10, 0, 5, 0, 0}, {200, 0, 5, 5, 0, 0},
  };
  for (int k = 0; k < 300; ++k) {
    rects.push_back({static_cast<int>(random() % 120) - 10, static_cast<int>(random() % 50) - 5,
                     1 + static_cast<int>(random() % 95), 1 + static_cast<int>(random() % 8),
                     static_cast<int>(random() % 100) - 5, static_cast<int>(random() % 9) - 1});
  }
  for (const bool wide : {true, false}) {
    UseWideRowLoops(wide);
    for (const Rect& r : rects) {
      Surface want = back, got = back;
      BitBlt(want, r.x, r.y, r.w, r.h, &mask, r.sx, r.sy, SRCAND);
      BitBlt(want, r.x, r.y, r.w, r.h, &keyed, r.sx, r.sy, SRCPAINT);
      MaskedBlt(got, r.x, r.y, r.w, r.h, mask, keyed, runs, r.sx, r.sy);
      // And the plain copy between surfaces, row loops of the same widths.
      Surface copied = back;
      BitBlt(copied, r.x, r.y, r.w, r.h, &keyed, r.sx, r.sy, SRCCOPY);
      for (int y = 0; y < back.Height(); ++y) {
        for (int x = 0; x < back.Width(); ++x) {
          ASSERT_EQ(got.Row(y)[x], want.Row(y)[x])
              << "wide " << wide << " rect " << r.x << "," << r.y << " " << r.w << "x" << r.h
              << " from " << r.sx << "," << r.sy << " at " << x << "," << y;
          const int sx = x - r.x + r.sx, sy = y - r.y + r.sy;
          const bool inside = x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h && sx >= 0 &&
                              sx < W && sy >= 0 && sy < H;
          ASSERT_EQ(copied.Row(y)[x], inside ? keyed.Row(sy)[sx] : back.Row(y)[x])
              << "copy, wide " << wide << " at " << x << "," << y;
        }
      }
    }
  }
  UseWideRowLoops(true);
}

}  // namespace
