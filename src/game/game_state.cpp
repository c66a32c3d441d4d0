#include "game/game_state.h"

#include <limits>

GameState gGame;
PlayerState gPlayer;
Board gBoard;

int32_t SaturatingAdd(int32_t a, int64_t b) {
  constexpr int64_t lo = std::numeric_limits<int32_t>::min();
  constexpr int64_t hi = std::numeric_limits<int32_t>::max();
  // b is bounded by the callers (a 32-bit product at most), so the sum of two
  // int64 values cannot overflow here.
  const int64_t sum = static_cast<int64_t>(a) + b;
  if (sum < lo) return static_cast<int32_t>(lo);
  if (sum > hi) return static_cast<int32_t>(hi);
  return static_cast<int32_t>(sum);
}

void StartNewGame() {
  gGame.stage = 1;
  gGame.score = 0;
  gGame.timeLeft = 180;
  gGame.timeBonus = 12;
  gGame.perfectClears = 0;
  gGame.timeFrames = 0;
  gPlayer.carryingBlock = false;
}

void SetUpStage() {
  for (int32_t& c : gBoard.cells) c = CELL_WALL;
  for (int x = 1; x <= 13; ++x)
    for (int y = 1; y <= 13; ++y) gBoard.Set(x, y, CELL_EMPTY);
  gPlayer.moveDX = gPlayer.moveDY = 0;
  gPlayer.slideX = gPlayer.slideY = 0;
  gPlayer.moving = false;
  gPlayer.carryingBlock = false;
  gGame.itemsLeft = 0;
  gPlayer.playerX = 1;
  gPlayer.playerY = 1;
}

namespace {

bool AnyNeighbour(int x, int y, int32_t code) {
  return gBoard.At(x - 1, y) == code || gBoard.At(x + 1, y) == code ||
         gBoard.At(x, y - 1) == code || gBoard.At(x, y + 1) == code;
}

void CleanUpCell(int x, int y) {
  if (gBoard.At(x, y) == CELL_ITEM && !AnyNeighbour(x, y, CELL_EMPTY)) {
    static constexpr int STEPS[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& s : STEPS) {
      if (gBoard.At(x + s[0], y + s[1]) != CELL_WALL) gBoard.Set(x + s[0], y + s[1], CELL_EMPTY);
    }
  }
  if (gBoard.At(x, y) == CELL_PUSHABLE && AnyNeighbour(x, y, CELL_PUSHABLE))
    gBoard.Set(x, y, CELL_EMPTY);
  if (gBoard.At(x, y) == CELL_BREAKABLE && AnyNeighbour(x, y, CELL_BREAKABLE))
    gBoard.Set(x, y, CELL_EMPTY);
}

}  // namespace

void GenerateBoard() {
  gGame.itemsLeft = 0;
  BoardRandom random;
  // The generator works modulo 2^32, so a stage is its own seed bit for bit.
  random.Seed(static_cast<uint32_t>(gGame.stage));
  // In 64 bits, 6 * stage + 10 is exact for every stage an int32 can hold.
  const int64_t drawChance = 6 * static_cast<int64_t>(gGame.stage) + 10;
  for (int y = 1; y <= 13; ++y) {
    for (int x = 1; x <= 13; ++x) {
      if (random.Next() % 100 >= drawChance) continue;
      int code;
      do {
        code = random.Next() % 5;
      } while (code == CELL_WALL);
      gBoard.Set(x, y, code);
    }
  }
  if (gGame.stage < 51) {
    for (int y = 1; y <= 13; ++y)
      for (int x = 1; x <= 13; ++x) CleanUpCell(x, y);
  }
  static constexpr int FREE_CELLS[][2] = {{12, 13}, {13, 12}, {12, 12}, {1, 2},
                                          {2, 1},   {13, 1},  {1, 13},  {1, 1}};
  for (const auto& c : FREE_CELLS) gBoard.Set(c[0], c[1], CELL_EMPTY);
  gBoard.Set(13, 13, CELL_GOAL);
  int32_t items = 0;
  for (int32_t c : gBoard.cells) items += c == CELL_ITEM ? 1 : 0;
  gGame.itemsLeft = items;
}
