// The board both draw benchmarks draw: 225 cells of the cell sheet in a 15 x
// 15 grid and the four status panel texts in the font sheet, as one play
// frame draws them.
#pragma once

#include <string>

#include "gfx/image_store.h"

// The build writes the sheets beside velkari-bench (res/CMakeLists.txt tells
// it where); run elsewhere, img/ under the current directory is used.
#ifndef VELKARI_BENCH_IMG_DIR
#define VELKARI_BENCH_IMG_DIR "img"
#endif

namespace bench {

// The game's three sheets: the font (plain), the cells and the title picture
// (both keyed on green).
inline bool LoadSheets(ImageStore& store, const std::string& dir = VELKARI_BENCH_IMG_DIR) {
  return store.LoadSheet(0, (dir + "/tobernix.bmp").c_str(), false, 0) &&
         store.LoadSheet(1, (dir + "/velkimg.bmp").c_str(), true, 0x00FF00) &&
         store.LoadSheet(2, (dir + "/girl.bmp").c_str(), true, 0x00FF00);
}
constexpr int SHEET_FONT = 0;
constexpr int SHEET_CELLS = 1;
constexpr COLORREF KEY_GREEN = 0x00FF00;

constexpr int BOARD_CELLS = 15;
constexpr int CELL_PIXELS = 32;
constexpr int GLYPH_PIXELS = 16;

// The picture in the cell at (x, y): every one of the sheet's eight.
constexpr int BoardCell(int x, int y) {
  return (x * 7 + y * 3) % 8;
}

struct PanelText {
  int x, y;
  const char* text;
};
constexpr PanelText PANEL_TEXTS[4] = {
    {500, 100, "TIME\n\n  180"},
    {500, 200, "STAGE\n\n  1"},
    {500, 300, "SCORE\n\n 0"},
    {500, 400, "PASS\n[Z]or(A)\nDESTROY\n[X]or(X)"},
};

// The board's 225 masked cells and the four panel texts, as one play frame
// draws them.
inline void DrawBoard(ImageStore& store) {
  for (int y = 0; y < BOARD_CELLS; ++y)
    for (int x = 0; x < BOARD_CELLS; ++x)
      store.DrawCell(SHEET_CELLS, CELL_PIXELS * x, CELL_PIXELS * y, CELL_PIXELS, CELL_PIXELS,
                     BoardCell(x, y));
  for (const PanelText& t : PANEL_TEXTS) store.DrawString(SHEET_FONT, t.x, t.y, t.text);
}

}  // namespace bench
