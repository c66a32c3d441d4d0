#include "game/play.h"

#include "game/cues.h"
#include "game/game_state.h"
#include "game/play_field.h"
#include "game/scene_state.h"
#include "gfx/image_store.h"
#include "input/input_state.h"

namespace {

constexpr int SLIDE_FRAMES = 16;
constexpr int FRAMES_PER_TIME_UNIT = 60;
constexpr int DESTROY_COST = 5;
constexpr int TIME_BONUS_LIMIT = 40;

void Destroy() {
  const int x = gPlayer.playerX;
  const int y = gPlayer.playerY;
  static constexpr int STEPS[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  bool removed = false;
  for (const auto& s : STEPS) {
    const int32_t c = gBoard.At(x + s[0], y + s[1]);
    if (c == CELL_BREAKABLE || c == CELL_PUSHABLE) {
      gBoard.Set(x + s[0], y + s[1], CELL_EMPTY);
      removed = true;
    }
  }
  if (removed) {
    gGame.timeLeft = SaturatingAdd(gGame.timeLeft, -DESTROY_COST);
    if (gGame.timeLeft < 0) gGame.timeLeft = 0;
    PlayCue(6, CUE_DESTROY);
  } else {
    PlayCue(6, CUE_DESTROY_NOTHING);
  }
}

}  // namespace

void TryStartMove() {
  if (gPlayer.moving) return;
  const uint32_t dir = gInputState.dir;
  gPlayer.moveDX = dir == DIR_CODE_RIGHT ? 1 : dir == DIR_CODE_LEFT ? -1 : 0;
  gPlayer.moveDY = dir == DIR_CODE_DOWN ? 1 : dir == DIR_CODE_UP ? -1 : 0;
  if (gPlayer.moveDX == 0 && gPlayer.moveDY == 0) return;
  const int tx = gPlayer.playerX + gPlayer.moveDX;
  const int ty = gPlayer.playerY + gPlayer.moveDY;
  if (gBoard.At(tx, ty) == CELL_PUSHABLE) {
    if (gBoard.At(tx + gPlayer.moveDX, ty + gPlayer.moveDY) != CELL_EMPTY) return;
    gPlayer.carryingBlock = true;
    gBoard.Set(tx, ty, CELL_EMPTY);
  }
  const int32_t target = gBoard.At(tx, ty);
  if (target == CELL_WALL || target == CELL_BREAKABLE) return;
  gPlayer.moving = true;
  gPlayer.slideStep = 0;
}

void UpdatePlay() {
  // The screen as this frame finds it: board and panel, the player still to come.
  gImageStore.Clear();
  DrawBoard();
  DrawStatusPanel();

  // The buttons: PASS, pause and DESTROY act only on a change, and each wants its
  // button alone.
  gInputState.Poll(REMAP_FOUR_WAY);
  if (gInputState.buttons != gInputState.prevButtons) {
    if (gInputState.buttons == BUTTON_A) {
      gGame.stage = SaturatingAdd(gGame.stage, 1);
      SetScene(SCENE_STAGE_SETUP);
      PlayCue(6, CUE_PASS);
    }
    if (gInputState.buttons == BUTTON_PAUSE) SetScene(SCENE_PAUSE);
    if (gInputState.buttons == BUTTON_X && !gPlayer.moving) Destroy();
  }

  // The player's picture, where she stands before this frame's move.
  AnimatePlayer();
  DrawPlayer(gPlayer.playerX, gPlayer.playerY, gPlayer.slideX, gPlayer.slideY,
             PICTURE_PLAYER + gPlayer.animFrame);

  // Movement: a new step starts from a standstill; a slide moves two pixels a
  // frame and lands on the next cell (with a block pushed ahead) after 16.
  TryStartMove();
  if (gPlayer.moving) {
    gPlayer.slideX += 2 * gPlayer.moveDX;
    gPlayer.slideY += 2 * gPlayer.moveDY;
    ++gPlayer.slideStep;
    if (gPlayer.slideStep >= SLIDE_FRAMES) {
      gPlayer.playerX += gPlayer.moveDX;
      gPlayer.playerY += gPlayer.moveDY;
      gPlayer.slideX = gPlayer.slideY = 0;
      gPlayer.moving = false;
      gPlayer.slideStep = 0;
      if (gPlayer.carryingBlock) {
        gPlayer.carryingBlock = false;
        gBoard.Set(gPlayer.playerX + gPlayer.moveDX, gPlayer.playerY + gPlayer.moveDY,
                   CELL_PUSHABLE);
        gBoard.Set(gPlayer.playerX, gPlayer.playerY, CELL_EMPTY);
      }
      gPlayer.moveDX = gPlayer.moveDY = 0;
    }
  }

  // An item under the player is taken.
  if (gBoard.At(gPlayer.playerX, gPlayer.playerY) == CELL_ITEM) {
    gBoard.Set(gPlayer.playerX, gPlayer.playerY, CELL_EMPTY);
    gGame.score = SaturatingAdd(gGame.score, 10);
    --gGame.itemsLeft;
    PlayCue(7, CUE_ITEM);
  }

  // The goal ends the stage, with the perfect-clear bonus when no item is left.
  if (gBoard.At(gPlayer.playerX, gPlayer.playerY) == CELL_GOAL) {
    gGame.stage = SaturatingAdd(gGame.stage, 1);
    if (gGame.itemsLeft != 0) {
      PlayCue(6, CUE_GOAL_WITH_ITEMS);
    } else {
      gGame.perfectClears = SaturatingAdd(gGame.perfectClears, 1);
      gGame.score = SaturatingAdd(gGame.score, 100 * static_cast<int64_t>(gGame.perfectClears));
      gGame.timeLeft = SaturatingAdd(gGame.timeLeft, gGame.timeBonus);
      if (gGame.timeBonus < TIME_BONUS_LIMIT) ++gGame.timeBonus;
      PlayCue(6, CUE_PERFECT_CLEAR);
    }
    SetScene(SCENE_STAGE_SETUP);
  }

  // The clock: one time unit every 60 frames; running out of time overrides
  // everything above.
  if (++gGame.timeFrames >= FRAMES_PER_TIME_UNIT) {
    gGame.timeFrames = 0;
    gGame.timeLeft = SaturatingAdd(gGame.timeLeft, -1);
  }
  if (gGame.timeLeft <= 0) SetScene(SCENE_GAME_OVER);

  // The finished frame.
  gImageStore.Present();
}
