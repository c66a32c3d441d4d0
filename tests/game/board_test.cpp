// Stage setup and board generation: the known board of stage 1, the item
// counts of other stages, the clean-up rules and the fixed cells.
#include <gtest/gtest.h>

#include <limits>

#include "game/game_state.h"

namespace {

void Generate(int32_t stage) {
  gGame.stage = stage;
  SetUpStage();
  GenerateBoard();
}

TEST(BoardRandom, FirstDrawsOfSeedOne) {
  // The first values of the well-known 214013 / 2531011 generator.
  BoardRandom r;
  r.Seed(1);
  EXPECT_EQ(r.Next(), 41);
  EXPECT_EQ(r.Next(), 18467);
  EXPECT_EQ(r.Next(), 6334);
}

TEST(GenerateBoard, StageOneIsTheKnownBoard) {
  // Rows y = 0..14, cells x = 0..14.
  const int expected[15][15] = {
      {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {1, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
      {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 1},
      {1, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
      {1, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 1},
      {1, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
      {1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 1}, {1, 0, 0, 0, 3, 2, 0, 4, 0, 0, 0, 0, 0, 0, 1},
      {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {1, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 5, 1},
      {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
  };
  Generate(1);
  for (int y = 0; y < 15; ++y)
    for (int x = 0; x < 15; ++x) EXPECT_EQ(gBoard.At(x, y), expected[y][x]) << x << "," << y;
  EXPECT_EQ(gGame.itemsLeft, 5);
  // Stored column after column.
  EXPECT_EQ(gBoard.cells[4 * 15 + 1], CELL_PUSHABLE);
  EXPECT_EQ(gBoard.cells[13 * 15 + 13], CELL_GOAL);
}

TEST(GenerateBoard, ItemCountsOfOtherStages) {
  const struct {
    int32_t stage;
    int items;
  } cases[] = {{1, 5}, {2, 7}, {3, 14}, {10, 26}, {15, 33}, {51, 39}};
  for (const auto& c : cases) {
    Generate(c.stage);
    EXPECT_EQ(gGame.itemsLeft, c.items) << "stage " << c.stage;
    int counted = 0;
    for (int32_t cell : gBoard.cells) counted += cell == CELL_ITEM;
    EXPECT_EQ(counted, c.items) << "stage " << c.stage;
  }
}

TEST(GenerateBoard, SameStageSameBoard) {
  Generate(7);
  const Board first = gBoard;
  Generate(8);
  Generate(7);
  for (int i = 0; i < 225; ++i) ASSERT_EQ(gBoard.cells[i], first.cells[i]) << i;
}

// Walls only on the border, the fixed cells in place, codes 0 to 5.
void ExpectShape(int32_t stage) {
  for (int x = 0; x < 15; ++x) {
    for (int y = 0; y < 15; ++y) {
      const bool border = x == 0 || y == 0 || x == 14 || y == 14;
      const int32_t c = gBoard.At(x, y);
      if (border) {
        ASSERT_EQ(c, CELL_WALL) << "stage " << stage << " " << x << "," << y;
      } else {
        ASSERT_NE(c, CELL_WALL) << "stage " << stage << " " << x << "," << y;
        ASSERT_GE(c, 0);
        ASSERT_LE(c, 5);
      }
    }
  }
  const int freeCells[][2] = {{12, 13}, {13, 12}, {12, 12}, {1, 2},
                              {2, 1},   {13, 1},  {1, 13},  {1, 1}};
  for (const auto& f : freeCells) EXPECT_EQ(gBoard.At(f[0], f[1]), CELL_EMPTY) << stage;
  EXPECT_EQ(gBoard.At(13, 13), CELL_GOAL) << stage;
  int goals = 0;
  for (int32_t c : gBoard.cells) goals += c == CELL_GOAL;
  EXPECT_EQ(goals, 1) << stage;
}

TEST(GenerateBoard, CleanUpHoldsBelowStageFiftyOne) {
  for (int32_t stage = 1; stage <= 50; ++stage) {
    Generate(stage);
    ExpectShape(stage);
    for (int x = 1; x <= 13; ++x) {
      for (int y = 1; y <= 13; ++y) {
        const int32_t c = gBoard.At(x, y);
        const int32_t n[4] = {gBoard.At(x - 1, y), gBoard.At(x + 1, y), gBoard.At(x, y - 1),
                              gBoard.At(x, y + 1)};
        // The clean-up runs in reading order, so a later step may undo what an
        // earlier one checked: only the pairs are guaranteed apart.
        if (c == CELL_PUSHABLE || c == CELL_BREAKABLE) {
          for (int32_t m : n) EXPECT_NE(m, c) << "stage " << stage << " " << x << "," << y;
        }
      }
    }
  }
}

TEST(GenerateBoard, LaterStagesKeepTouchingBlocks) {
  // From stage 15 every interior cell is drawn; from 51 nothing is cleaned up,
  // so some blocks or breakables touch.
  Generate(51);
  ExpectShape(51);
  bool touching = false;
  for (int x = 1; x <= 12; ++x)
    for (int y = 1; y <= 13; ++y) {
      const int32_t c = gBoard.At(x, y);
      if ((c == CELL_PUSHABLE || c == CELL_BREAKABLE) && gBoard.At(x + 1, y) == c) touching = true;
    }
  EXPECT_TRUE(touching);
}

TEST(GenerateBoard, HugeStagesStayDefined) {
  // 6 * stage + 10 would overflow 32 bits here; every cell is drawn.
  for (int32_t stage : {std::numeric_limits<int32_t>::max(), 400000000, 357913942}) {
    Generate(stage);
    ExpectShape(stage);
    EXPECT_GE(gGame.itemsLeft, 0);
  }
}

TEST(GameState, StartNewGameAndSetUpStage) {
  gGame.hiScore = 777;
  gGame.score = 55;
  gGame.timeFrames = 33;
  gPlayer.carryingBlock = true;
  StartNewGame();
  EXPECT_EQ(gGame.stage, 1);
  EXPECT_EQ(gGame.score, 0);
  EXPECT_EQ(gGame.timeLeft, 180);
  EXPECT_EQ(gGame.timeBonus, 12);
  EXPECT_EQ(gGame.perfectClears, 0);
  EXPECT_EQ(gGame.timeFrames, 0);
  EXPECT_EQ(gGame.hiScore, 777) << "the high score survives a new game";
  EXPECT_FALSE(gPlayer.carryingBlock);

  gPlayer = {3, 4, 1, 0, 6, 0, 3, true, true, 1, 9};
  gGame.timeFrames = 21;
  SetUpStage();
  EXPECT_EQ(gPlayer.playerX, 1);
  EXPECT_EQ(gPlayer.playerY, 1);
  EXPECT_EQ(gPlayer.moveDX, 0);
  EXPECT_EQ(gPlayer.slideX, 0);
  EXPECT_FALSE(gPlayer.moving);
  EXPECT_FALSE(gPlayer.carryingBlock);
  EXPECT_EQ(gPlayer.animFrame, 1) << "the animation runs on";
  EXPECT_EQ(gPlayer.animCounter, 9);
  EXPECT_EQ(gGame.timeFrames, 21) << "timeFrames runs on across stages";
  EXPECT_EQ(gGame.itemsLeft, 0);
  for (int x = 0; x < 15; ++x)
    for (int y = 0; y < 15; ++y)
      EXPECT_EQ(gBoard.At(x, y), (x == 0 || y == 0 || x == 14 || y == 14) ? 1 : 0);
}

TEST(SaturatingAdd, StopsAtTheLimits) {
  constexpr int32_t hi = std::numeric_limits<int32_t>::max();
  constexpr int32_t lo = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(SaturatingAdd(5, 10), 15);
  EXPECT_EQ(SaturatingAdd(hi, 1), hi);
  EXPECT_EQ(SaturatingAdd(hi - 5, 100LL * hi), hi);
  EXPECT_EQ(SaturatingAdd(lo, -1), lo);
  EXPECT_EQ(SaturatingAdd(0, -5), -5);
}

}  // namespace
