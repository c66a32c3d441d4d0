#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <vector>

#include "bmp_builder.h"
#include "diag/diag.h"
#include "gfx/bmp.h"
#include "gfx/image_store.h"
#include "test_surfaces.h"

namespace {

constexpr COLORREF KEY = 0x0000FF00;
constexpr COLORREF RED = 0x000000FF;

// A path in the temporary folder that no other test uses: ctest runs the tests
// side by side, each in a process of its own.
std::string TempPath(const std::string& name) {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return testing::TempDir() + "velkari_" + info->test_suite_name() + "_" + info->name() + "_" +
         name;
}

// Writes `s` as a BMP in the test's temporary folder and gives its path.
std::string WriteSheet(const std::string& name, const Surface& s) {
  const std::string path = TempPath(name);
  EXPECT_TRUE(SaveBmpFile(path.c_str(), s));
  return path;
}

class ImageStoreTest : public testing::Test {
 protected:
  void SetUp() override { store.Create("", nullptr); }
  void TearDown() override { store.Destroy(); }
  void FillBack(COLORREF c) {
    Surface& b = store.GetDrawDC();
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, c);
  }
  COLORREF Back(int x, int y) { return store.GetDrawDC().GetPixel(x, y); }
  ImageStore store;
};

TEST_F(ImageStoreTest, SlotsTakeOneOfFourStates) {
  Surface keyed = Filled(4, 4, 0x00336699);
  keyed.SetPixel(1, 2, KEY);
  const std::string withKey = WriteSheet("slots_key.bmp", keyed);
  const std::string noKey = WriteSheet("slots_nokey.bmp", Filled(4, 4, 0x00336699));

  EXPECT_FALSE(store.LoadSheet(0, TempPath("no_such_file.bmp").c_str(), false, 0));
  EXPECT_TRUE(store.LoadSheet(1, withKey.c_str(), false, KEY));  // plain: no mask asked for
  EXPECT_TRUE(store.LoadSheet(2, noKey.c_str(), true, KEY));     // mask without match
  EXPECT_TRUE(store.LoadSheet(3, withKey.c_str(), true, KEY));   // transparent

  struct Row {
    int slot;
    bool loaded, mask, transparent;
  } const rows[] = {{0, false, false, false},
                    {1, true, false, false},
                    {2, true, true, false},
                    {3, true, true, true}};
  for (const Row& r : rows) {
    EXPECT_EQ(store.SlotLoaded(r.slot), r.loaded) << r.slot;
    EXPECT_EQ(store.SlotHasMask(r.slot), r.mask) << r.slot;
    EXPECT_EQ(store.SlotTransparent(r.slot), r.transparent) << r.slot;
  }
  // The mask without a match is all black; the transparent slot's mask is
  // white only at the key pixel and its keyed copy black only there.
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool key = x == 1 && y == 2;
      EXPECT_EQ(store.Mask(2)->GetPixel(x, y), 0u);
      EXPECT_EQ(store.Mask(3)->GetPixel(x, y), key ? 0x00FFFFFFu : 0u);
      EXPECT_EQ(store.Keyed(3)->GetPixel(x, y), key ? 0u : 0x00336699u);
      EXPECT_EQ(store.Sheet(3)->GetPixel(x, y), key ? KEY : 0x00336699u);  // sheet unchanged
    }
  }
  EXPECT_FALSE(store.DrawSheet(0, 0, 0));
  EXPECT_FALSE(store.DrawCell(0, 0, 0, 2, 2, 0));
  EXPECT_FALSE(store.DrawString(0, 0, 0, "A"));
}

TEST_F(ImageStoreTest, LoadSheetRefusesBadSlotsBadFilesAndSecondLoads) {
  const std::string first = WriteSheet("first.bmp", Filled(2, 2, RED));
  const std::string second = WriteSheet("second.bmp", Filled(3, 3, 0x00FF0000));
  const std::string broken = TempPath("broken.bmp");
  std::ofstream(broken, std::ios::binary) << "BM this is not a bitmap";
  EXPECT_FALSE(store.LoadSheet(8, first.c_str(), false, 0));
  EXPECT_FALSE(store.LoadSheet(-1, first.c_str(), false, 0));
  EXPECT_FALSE(store.LoadSheet(0, broken.c_str(), true, KEY));
  EXPECT_FALSE(store.LoadSheet(0, nullptr, false, 0));
  EXPECT_FALSE(store.SlotLoaded(0));
  EXPECT_TRUE(store.LoadSheet(0, first.c_str(), false, 0));
  EXPECT_FALSE(store.LoadSheet(0, second.c_str(), false, 0));
  EXPECT_EQ(store.Sheet(0)->Width(), 2);  // the first sheet stays
  EXPECT_FALSE(store.DrawSheet(8, 0, 0));
  EXPECT_FALSE(store.DrawCell(-1, 0, 0, 2, 2, 0));
  EXPECT_FALSE(store.DrawString(8, 0, 0, "A"));
}

TEST_F(ImageStoreTest, OnlyTopLeftKeyPixelShowsTheRedBackground) {
  Surface sheet = Filled(3, 2, 0x00224466);
  sheet.SetPixel(0, 0, KEY);
  ASSERT_TRUE(store.LoadSheet(1, WriteSheet("topleft.bmp", sheet).c_str(), true, KEY));
  EXPECT_EQ(store.Mask(1)->GetPixel(0, 0), 0x00FFFFFFu);
  FillBack(RED);
  EXPECT_TRUE(store.DrawSheet(1, 10, 20));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(Back(10 + x, 20 + y), (x == 0 && y == 0) ? RED : 0x00224466u) << x << "," << y;
  EXPECT_EQ(Back(13, 20), RED);
  EXPECT_EQ(Back(10, 22), RED);
}

TEST_F(ImageStoreTest, MaskWithoutMatchAndPlainSheetsCopyEveryPixel) {
  Surface sheet = Filled(2, 2, 0x00010203);
  sheet.SetPixel(1, 1, KEY);
  const std::string path = WriteSheet("plain.bmp", sheet);
  ASSERT_TRUE(store.LoadSheet(0, path.c_str(), false, KEY));        // no mask: key drawn too
  ASSERT_TRUE(store.LoadSheet(1, path.c_str(), true, 0x00FF00FF));  // no pixel matches
  for (int slot : {0, 1}) {
    FillBack(RED);
    EXPECT_TRUE(store.DrawSheet(slot, 0, 0));
    EXPECT_EQ(Back(0, 0), 0x00010203u) << slot;
    EXPECT_EQ(Back(1, 1), KEY) << slot;
  }
}

// Clear leaves the fill of each tile until it is needed, and a cell drawn
// over a whole tile that already holds that very cell writes nothing: every
// other change of the tile in between must still show as drawn.
TEST_F(ImageStoreTest, RedrawnCellsAfterClearShowWhatWasDrawnSince) {
  constexpr COLORREF LEFT = 0x00224466, RIGHT = 0x00113355;
  Surface sheet = Filled(64, 32, LEFT);
  for (int y = 0; y < 32; ++y)
    for (int x = 32; x < 64; ++x) sheet.SetPixel(x, y, RIGHT);
  sheet.SetPixel(40, 3, KEY);
  ASSERT_TRUE(store.LoadSheet(1, WriteSheet("cells.bmp", sheet).c_str(), true, KEY));
  struct Step {
    const char* what;
    void (*between)(ImageStore&);  // after the first cell, before the Clear
    int cell;                      // drawn in the same place after the Clear
  } const steps[] = {
      {"the same cell", [](ImageStore&) {}, 0},
      {"another cell in its place", [](ImageStore&) {}, 1},
      {"another cell over it", [](ImageStore& s) { s.DrawCell(1, 32, 0, 32, 32, 1); }, 0},
      {"a cell over part of it", [](ImageStore& s) { s.DrawCell(1, 16, 8, 32, 32, 1); }, 0},
      {"a sheet over it and a cleared tile",
       [](ImageStore& s) {
         s.Clear();
         s.DrawCell(1, 32, 0, 32, 32, 0);
         s.DrawSheet(1, 0, 0);
       },
       0},
      {"a cell over it once nothing was left to fill",
       [](ImageStore& s) {
         static_cast<const ImageStore&>(s).GetDrawDC();
         s.DrawCell(1, 32, 0, 32, 32, 1);
       },
       0},
      {"a pixel set on it", [](ImageStore& s) { s.GetDrawDC().SetPixel(33, 1, RED); }, 0},
  };
  for (const Step& s : steps) {
    store.Clear();
    store.DrawCell(1, 32, 0, 32, 32, 0);  // a whole tile
    s.between(store);
    store.Clear();
    store.DrawCell(1, 32, 0, 32, 32, s.cell);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 100; ++x) {
        COLORREF want = 0;
        if (x >= 32 && x < 64 && y < 32) want = s.cell == 0 ? LEFT : RIGHT;
        if (s.cell == 1 && x == 40 && y == 3) want = 0;  // the key shows the cleared tile
        ASSERT_EQ(Back(x, y), want) << s.what << " at " << x << "," << y;
      }
    }
  }
}

struct CellCase {
  int sheetWidth, cellWidth, cellHeight, cell, sx, sy;
};

TEST_F(ImageStoreTest, DrawCellTakesCellsRowByRow) {
  const CellCase cases[] = {
      {512, 32, 32, 0, 0, 0},    {512, 32, 32, 15, 480, 0}, {512, 32, 32, 16, 0, 32},
      {512, 32, 32, 33, 32, 64}, {100, 32, 32, 3, 0, 32},   {100, 32, 20, 3, 0, 20},
      {100, 32, 32, 5, 64, 32},  {256, 16, 16, 65, 16, 64}, {256, 16, 16, 48, 0, 48},
  };
  ASSERT_TRUE(store.LoadSheet(0, WriteSheet("n512.bmp", Numbered(512, 96)).c_str(), false, 0));
  ASSERT_TRUE(store.LoadSheet(1, WriteSheet("n100.bmp", Numbered(100, 96)).c_str(), true, KEY));
  ASSERT_TRUE(store.LoadSheet(2, WriteSheet("n256.bmp", Numbered(256, 96)).c_str(), false, 0));
  for (const CellCase& c : cases) {
    const int slot = c.sheetWidth == 512 ? 0 : c.sheetWidth == 100 ? 1 : 2;
    store.Clear();
    EXPECT_TRUE(store.DrawCell(slot, 40, 50, c.cellWidth, c.cellHeight, c.cell));
    const COLORREF want =
        0x800000u | static_cast<COLORREF>(c.sy) << 12 | static_cast<COLORREF>(c.sx);
    EXPECT_EQ(Back(40, 50), want) << c.sheetWidth << " cell " << c.cell;
    const COLORREF corner = 0x800000u | static_cast<COLORREF>(c.sy + c.cellHeight - 1) << 12 |
                            static_cast<COLORREF>(c.sx + c.cellWidth - 1);
    EXPECT_EQ(Back(40 + c.cellWidth - 1, 50 + c.cellHeight - 1), corner);
    EXPECT_EQ(Back(40 + c.cellWidth, 50), 0u);  // nothing beyond the cell
    EXPECT_EQ(Back(40, 50 + c.cellHeight), 0u);
  }
}

TEST_F(ImageStoreTest, DrawCellWithoutAWholeCellInARowDrawsNothing) {
  ASSERT_TRUE(store.LoadSheet(0, WriteSheet("narrow.bmp", Filled(20, 40, RED)).c_str(), false, 0));
  const int widths[] = {0, -16, 32, 21};
  for (int w : widths) EXPECT_FALSE(store.DrawCell(0, 0, 0, w, 16, 0)) << w;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(Back(x, y), 0u);
  // Cells outside the sheet pass the checks but have nothing to show.
  EXPECT_TRUE(store.DrawCell(0, 0, 0, 20, 20, 5));
  EXPECT_TRUE(store.DrawCell(0, 0, 0, 20, 20, -1));
  EXPECT_TRUE(store.DrawCell(0, 0, 0, 20, 1 << 30, 1 << 30));
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(Back(x, y), 0u);
}

TEST_F(ImageStoreTest, DrawingOffTheBackBufferIsClipped) {
  ASSERT_TRUE(store.LoadSheet(0, WriteSheet("n64.bmp", Numbered(64, 64)).c_str(), false, 0));
  EXPECT_TRUE(store.DrawSheet(0, -60, -62));
  EXPECT_EQ(Back(0, 0), 0x800000u | 62u << 12 | 60u);
  EXPECT_EQ(Back(4, 0), 0u);
  EXPECT_TRUE(store.DrawSheet(0, 630, 470));
  EXPECT_EQ(Back(639, 479), 0x800000u | 9u << 12 | 9u);
  EXPECT_TRUE(store.DrawSheet(0, 2147483647, -2147483647 - 1));
}

// A font sheet whose glyph c is filled with the colour c + 1, so that every
// pixel of the back buffer tells which glyph covers it.
class DrawStringTest : public ImageStoreTest {
 protected:
  void SetUp() override {
    ImageStoreTest::SetUp();
    Surface font;
    font.Create(256, 256);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        font.SetPixel(x, y, static_cast<COLORREF>((y / 16) * 16 + x / 16 + 1));
    ASSERT_TRUE(store.LoadSheet(0, WriteSheet("font.bmp", font).c_str(), false, 0));
  }
  // The glyph drawn at (x, y), or -1 where nothing was drawn.
  int GlyphAt(int x, int y) { return static_cast<int>(Back(x, y)) - 1; }
};

TEST_F(DrawStringTest, GlyphsFollowThePenAndLineFeeds) {
  EXPECT_TRUE(store.DrawString(0, 500, 100, "AB"));
  EXPECT_EQ(GlyphAt(500, 100), 'A');
  EXPECT_EQ(GlyphAt(515, 115), 'A');
  EXPECT_EQ(GlyphAt(516, 100), 'B');
  EXPECT_EQ(GlyphAt(532, 100), -1);

  store.Clear();
  EXPECT_TRUE(store.DrawString(0, 500, 300, "SCORE\n\n 120"));
  const char* top = "SCORE";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(GlyphAt(500 + 16 * i, 300), top[i]);
  for (int x = 500; x < 640; x += 8) EXPECT_EQ(GlyphAt(x, 316), -1) << x;
  const char* value = " 120";
  for (int i = 0; i < 4; ++i) EXPECT_EQ(GlyphAt(500 + 16 * i, 332), value[i]);
  EXPECT_EQ(GlyphAt(564, 332), -1);
}

TEST_F(DrawStringTest, ControlCharactersOtherThanLineFeedAreGlyphs) {
  EXPECT_TRUE(store.DrawString(0, 0, 0, "\t\r\n\x80\xFF\n"));
  EXPECT_EQ(GlyphAt(0, 0), 9);
  EXPECT_EQ(GlyphAt(16, 0), 13);
  EXPECT_EQ(GlyphAt(0, 16), 0x80);
  EXPECT_EQ(GlyphAt(16, 16), 0xFF);
  EXPECT_EQ(GlyphAt(0, 32), -1);  // the closing line feed draws nothing
}

TEST_F(DrawStringTest, TextLengthLimits) {
  const std::string full(256, 'x'), over(257, 'x');
  std::string lines;  // 256 characters in 16 lines, all on screen
  for (int i = 0; i < 16; ++i) lines += std::string(15, 'a' + i) + "\n";
  EXPECT_TRUE(store.DrawString(0, 0, 0, lines.c_str()));
  EXPECT_EQ(GlyphAt(14 * 16, 15 * 16), 'p');
  store.Clear();
  EXPECT_TRUE(store.DrawString(0, 0, 0, full.c_str()));
  EXPECT_EQ(GlyphAt(0, 0), 'x');
  store.Clear();
  EXPECT_FALSE(store.DrawString(0, 0, 0, over.c_str()));
  EXPECT_FALSE(store.DrawString(0, 0, 0, ""));
  EXPECT_FALSE(store.DrawString(0, 0, 0, nullptr));
  for (int x = 0; x < 640; x += 16) EXPECT_EQ(GlyphAt(x, 0), -1);
  EXPECT_TRUE(store.DrawString(0, 2147483600, 0, full.c_str()));  // runs off, no wrap
  for (int x = 0; x < 640; x += 16) EXPECT_EQ(GlyphAt(x, 0), -1);
}

std::vector<std::string> gSaid;
void Keep(const char* line) {
  gSaid.emplace_back(line);
}

// Every sheet that does not load says so in one line naming the file that is
// there but broken, or both places looked in; a sheet that loads says nothing.
TEST(ImageStorePaths, WindowsStylePathsResolveHereThenBesideTheProgram) {
  const std::string root = TempPath("paths/");
  std::filesystem::create_directories(root + "img");
  ASSERT_TRUE(SaveBmpFile((root + "img/sheet.bmp").c_str(), Filled(2, 2, RED)));
  std::ofstream(root + "img/broken.bmp", std::ios::binary) << "BM this is not a bitmap";
  gSaid.clear();
  SetDiagnosticSink(&Keep);
  ImageStore beside;
  beside.Create(root.c_str(), nullptr);
  EXPECT_TRUE(beside.LoadSheet(0, "img\\sheet.bmp", false, 0));
  EXPECT_FALSE(beside.LoadSheet(1, "img\\missing.bmp", false, 0));
  EXPECT_FALSE(beside.LoadSheet(2, "img\\broken.bmp", false, 0));
  beside.Destroy();
  SetDiagnosticSink(nullptr);
  EXPECT_EQ(gSaid,
            (std::vector<std::string>{
                "velkari: cannot load picture img/missing.bmp: not found in ./img/, " + root +
                    "img/, " + std::filesystem::path(root).parent_path().parent_path().string() +
                    "/share/velkari/img/; it is not drawn",
                "velkari: cannot load picture " + root +
                    "img/broken.bmp: truncated (23 of 26 bytes); it is not drawn"}));
  ImageStore nowhere;
  nowhere.Create("", nullptr);
  EXPECT_FALSE(nowhere.LoadSheet(0, "img\\sheet_that_is_not_here.bmp", false, 0));
  EXPECT_TRUE(nowhere.LoadSheet(1, (root + "img\\sheet.bmp").c_str(), false, 0));
  nowhere.Destroy();
}

TEST(ImageStorePaths, FoldersTriedForEachProgramDirectory) {
  const struct {
    const char* programDir;
    std::vector<std::string> folders;
  } rows[] = {
      {"", {""}},
      {"/usr/games/", {"", "/usr/games/", "/usr/share/velkari/"}},
      {"/usr/games", {"", "/usr/games/", "/usr/share/velkari/"}},
      {"/opt/velkari/bin//", {"", "/opt/velkari/bin//", "/opt/velkari/share/velkari/"}},
      {"/", {"", "/", "/share/velkari/"}},
      {"build/bin/", {"", "build/bin/", "build/share/velkari/"}},
      {"bin/", {"", "bin/", "bin/../share/velkari/"}},
      {"../", {"", "../", "../../share/velkari/"}},
      {"C:\\Games\\velkari\\", {"", "C:\\Games\\velkari\\", "C:\\Games\\share/velkari/"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(PictureFolders(row.programDir), row.folders) << row.programDir;
}

// The current directory's img/ first, then img/ beside the program, then the
// installed share/velkari/img/; a broken file is passed over for the next.
TEST(ImageStorePaths, HereThenBesideTheProgramThenInstalledShare) {
  namespace fs = std::filesystem;
  const std::string root = TempPath("tree/");
  for (const char* d : {"here/img", "prefix/games/img", "prefix/share/velkari/img"})
    fs::create_directories(root + d);
  const COLORREF HERE = 0x00010101, BESIDE = 0x00020202, SHARE = 0x00030303;
  SaveBmpFile((root + "here/img/a.bmp").c_str(), Filled(1, 1, HERE));
  SaveBmpFile((root + "prefix/games/img/a.bmp").c_str(), Filled(1, 1, BESIDE));
  SaveBmpFile((root + "prefix/games/img/b.bmp").c_str(), Filled(1, 1, BESIDE));
  std::ofstream(root + "prefix/games/img/c.bmp") << "not a bitmap";
  for (const char* f : {"a", "b", "c", "d"})
    SaveBmpFile((root + "prefix/share/velkari/img/" + f + ".bmp").c_str(), Filled(1, 1, SHARE));
  std::ofstream(root + "prefix/share/velkari/img/e.bmp") << "not a bitmap";
  fs::current_path(root + "here");

  ImageStore store;
  store.Create((root + "prefix/games/").c_str(), nullptr);
  const struct {
    const char* path;
    COLORREF expected;  // 0: not loaded
    std::string err;
  } rows[] = {
      {"img\\a.bmp", HERE, ""},
      {"img\\b.bmp", BESIDE, ""},
      {"img\\c.bmp", SHARE, ""},
      {"img/d.bmp", SHARE, ""},
      {"img\\e.bmp", 0,
       "velkari: cannot load picture " + root +
           "prefix/share/velkari/img/e.bmp: not a bitmap; it is not drawn\n"},
      {"img\\f.bmp", 0,
       "velkari: cannot load picture img/f.bmp: not found in ./img/, " + root +
           "prefix/games/img/, " + root + "prefix/share/velkari/img/; it is not drawn\n"},
      {"/nowhere/f.bmp", 0,
       "velkari: cannot load picture /nowhere/f.bmp: not found in /nowhere/; it is not drawn\n"},
  };
  int slot = 0;
  for (const auto& row : rows) {
    testing::internal::CaptureStderr();
    const bool loaded = store.LoadSheet(slot, row.path, false, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), row.err) << row.path;
    EXPECT_EQ(loaded, row.expected != 0) << row.path;
    if (loaded) {
      EXPECT_EQ(store.Sheet(slot)->GetPixel(0, 0), row.expected) << row.path;
    }
    ++slot;
  }
  store.Destroy();
}

}  // namespace
