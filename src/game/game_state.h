// The numbers of one game (GameState), the player (PlayerState) and the 15 x 15
// Board, with the operations that start a game, set up a stage and generate a
// stage's board from its number. The scenes call StartNewGame, SetUpStage and
// GenerateBoard; the play frame changes the values; the drawing shows them.
#pragma once

#include <cstdint>

constexpr int CELL_EMPTY = 0;
constexpr int CELL_WALL = 1;
constexpr int CELL_BREAKABLE = 2;
constexpr int CELL_ITEM = 3;
constexpr int CELL_PUSHABLE = 4;
constexpr int CELL_GOAL = 5;

constexpr int BOARD_SIZE = 15;

struct GameState {
  int32_t stage = 0;
  int32_t score = 0;
  int32_t hiScore = 0;
  int32_t timeLeft = 0;
  int32_t timeBonus = 0;
  int32_t perfectClears = 0;
  int32_t itemsLeft = 0;
  int32_t timeFrames = 0;
};

struct PlayerState {
  int32_t playerX = 0;
  int32_t playerY = 0;
  int32_t moveDX = 0;
  int32_t moveDY = 0;
  int32_t slideX = 0;
  int32_t slideY = 0;
  int32_t slideStep = 0;
  bool moving = false;
  bool carryingBlock = false;
  int32_t animFrame = 0;
  int32_t animCounter = 0;
};

// Cells stored column after column: cell (x, y) is cells[x * 15 + y].
struct Board {
  int32_t cells[BOARD_SIZE * BOARD_SIZE] = {};

  // Reads outside the board give a wall and writes there do nothing, so no
  // rule can reach past the border even on a board it did not expect.
  int32_t At(int x, int y) const { return Inside(x, y) ? cells[x * BOARD_SIZE + y] : CELL_WALL; }
  void Set(int x, int y, int32_t code) {
    if (Inside(x, y)) cells[x * BOARD_SIZE + y] = code;
  }
  static bool Inside(int x, int y) { return x >= 0 && x < BOARD_SIZE && y >= 0 && y < BOARD_SIZE; }
};

// The board generator's random source: a 32-bit linear congruential generator
// that yields bits 16 to 30 of each new state.
struct BoardRandom {
  uint32_t state = 0;
  void Seed(uint32_t seed) { state = seed; }
  int Next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 32767u);
  }
};

extern GameState gGame;
extern PlayerState gPlayer;
extern Board gBoard;

void StartNewGame();
void SetUpStage();
// Fills the board for gGame.stage and counts its items.
void GenerateBoard();

// Integer steps that stop at the int32 limits instead of overflowing: the
// stage has no upper limit, and the score and time grow with it.
int32_t SaturatingAdd(int32_t a, int64_t b);
