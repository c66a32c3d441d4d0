#include "game/play_field.h"

#include <cstdio>

#include "game/game_state.h"
#include "gfx/image_store.h"

char textBuffer[TEXT_BUFFER_SIZE];

namespace {
constexpr int CELL_PIXELS = 32;
constexpr int SHEET_FONT = 0;
constexpr int SHEET_CELLS = 1;
constexpr int PANEL_X = 500;
}  // namespace

void DrawBoard() {
  for (int y = 0; y < BOARD_SIZE; ++y)
    for (int x = 0; x < BOARD_SIZE; ++x)
      gImageStore.DrawCell(SHEET_CELLS, CELL_PIXELS * x, CELL_PIXELS * y, CELL_PIXELS, CELL_PIXELS,
                           gBoard.At(x, y));
}

void AnimatePlayer() {
  if (++gPlayer.animCounter >= 15) {
    gPlayer.animCounter = 0;
    gPlayer.animFrame = 1 - gPlayer.animFrame;
  }
}

void DrawPlayer(int x, int y, int offsetX, int offsetY, int picture) {
  gImageStore.DrawCell(SHEET_CELLS, CELL_PIXELS * x + offsetX, CELL_PIXELS * y + offsetY,
                       CELL_PIXELS, CELL_PIXELS, picture);
  if (gPlayer.carryingBlock) {
    gImageStore.DrawCell(SHEET_CELLS, CELL_PIXELS * (x + gPlayer.moveDX) + offsetX,
                         CELL_PIXELS * (y + gPlayer.moveDY) + offsetY, CELL_PIXELS, CELL_PIXELS,
                         CELL_PUSHABLE);
  }
}

void DrawStatusPanel() {
  std::snprintf(textBuffer, sizeof textBuffer, "TIME\n\n  %d", static_cast<int>(gGame.timeLeft));
  gImageStore.DrawString(SHEET_FONT, PANEL_X, 100, textBuffer);
  std::snprintf(textBuffer, sizeof textBuffer, "STAGE\n\n  %d", static_cast<int>(gGame.stage));
  gImageStore.DrawString(SHEET_FONT, PANEL_X, 200, textBuffer);
  std::snprintf(textBuffer, sizeof textBuffer, "SCORE\n\n %d", static_cast<int>(gGame.score));
  gImageStore.DrawString(SHEET_FONT, PANEL_X, 300, textBuffer);
  std::snprintf(textBuffer, sizeof textBuffer, "PASS\n[Z]or(A)\nDESTROY\n[X]or(X)");
  gImageStore.DrawString(SHEET_FONT, PANEL_X, 400, textBuffer);
}

void DrawIconPicture(int x, int y) {
  gImageStore.DrawCell(SHEET_CELLS, x, y, CELL_PIXELS, CELL_PIXELS, CELL_EMPTY);
  gImageStore.DrawCell(SHEET_CELLS, x, y, CELL_PIXELS, CELL_PIXELS, PICTURE_PLAYER);
}
