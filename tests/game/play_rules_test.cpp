// The rules of play, frame by frame on hand-made boards: pushing, blocked
// pushes, DESTROY, items, the goal and its rewards, the clock, and the high
// score of the game over scene. Sequences over the real stage boards are the
// replay tests (tests/game/replays).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

#include "game/game_state.h"
#include "game/play.h"
#include "game/play_field.h"
#include "game/scenes.h"
#include "gfx/image_store.h"
#include "headless/headless_window.h"
#include "input/input_state.h"
#include "platform/platform.h"
#include "sound/channel_interface.h"
#include "sound/event_code.h"
#include "sound/mml_compiler.h"
#include "sound/sequencer.h"
#include "sound/sound_engine.h"

namespace {
class PlayRules : public ::testing::Test {
 protected:
  void SetUp() override {
    startSoundEngine();
    clearAllChannelText();
    gImageStore.Create("", &window_);
    gInputState = InputState();
    gInputState.Attach(&window_);
    gGame = GameState{};
    StartNewGame();
    gPlayer = PlayerState{};
    SetUpStage();  // an empty field: walls round, floor inside
    SetScene(SCENE_PLAY);
  }
  void TearDown() override {
    gInputState.Attach(nullptr);
    gImageStore.Destroy();
    stopSoundEngine();
    ResetScenes();
  }

  // Runs `frames` frames with the given keys held.
  void Run(int frames, std::initializer_list<int> keys = {}) {
    for (int i = 0; i < frames; ++i) {
      window_.ReleaseAllKeys();
      for (int k : keys) window_.SetKey(k, true);
      RunSceneFrame();
    }
  }
  void Place(int x, int y) {
    gPlayer.playerX = x;
    gPlayer.playerY = y;
  }

  headless::HeadlessWindow window_;
};

TEST_F(PlayRules, PushMovesTheBlockOneCellAhead) {
  Place(3, 5);
  gBoard.Set(4, 5, CELL_PUSHABLE);
  Run(1, {platform::VKEY_RIGHT});
  EXPECT_TRUE(gPlayer.moving);
  EXPECT_TRUE(gPlayer.carryingBlock);
  EXPECT_EQ(gBoard.At(4, 5), CELL_EMPTY) << "the old cell empties at once";
  Run(15, {platform::VKEY_RIGHT});
  EXPECT_FALSE(gPlayer.moving);
  EXPECT_FALSE(gPlayer.carryingBlock);
  EXPECT_EQ(gPlayer.playerX, 4);
  EXPECT_EQ(gBoard.At(4, 5), CELL_EMPTY);
  EXPECT_EQ(gBoard.At(5, 5), CELL_PUSHABLE);
  EXPECT_EQ(gPlayer.moveDX, 0);
}

TEST_F(PlayRules, PushNeedsAnEmptyCellBeyond) {
  const struct {
    int32_t beyond;
    bool pushes;
  } cases[] = {{CELL_EMPTY, true}, {CELL_WALL, false},     {CELL_BREAKABLE, false},
               {CELL_ITEM, false}, {CELL_PUSHABLE, false}, {CELL_GOAL, false}};
  for (const auto& c : cases) {
    SetUpStage();
    Place(5, 3);
    gBoard.Set(5, 4, CELL_PUSHABLE);
    gBoard.Set(5, 5, c.beyond);
    Run(1, {platform::VKEY_DOWN});
    EXPECT_EQ(gPlayer.moving, c.pushes) << "beyond " << c.beyond;
    EXPECT_EQ(gBoard.At(5, 4), c.pushes ? CELL_EMPTY : CELL_PUSHABLE) << "beyond " << c.beyond;
    EXPECT_EQ(gBoard.At(5, 5), c.beyond) << "beyond " << c.beyond;
    Run(15);
  }
}

TEST_F(PlayRules, WallsAndBreakablesStopTheWalk) {
  for (int32_t code : {CELL_WALL, CELL_BREAKABLE}) {
    SetUpStage();
    Place(5, 5);
    gBoard.Set(5, 4, code);
    Run(3, {platform::VKEY_UP});
    EXPECT_FALSE(gPlayer.moving) << code;
    EXPECT_EQ(gPlayer.playerY, 5) << code;
  }
  SetUpStage();  // the border, from (1, 1)
  Run(2, {platform::VKEY_LEFT});
  EXPECT_FALSE(gPlayer.moving);
  EXPECT_EQ(gPlayer.playerX, 1);
}

TEST_F(PlayRules, DestroyRemovesBreakablesAndBlocksNextToThePlayer) {
  // Neighbours left, right, up, down.
  const struct {
    int32_t around[4];
    int32_t after[4];
    int32_t time;
  } cases[] = {
      {{2, 2, 4, 0}, {0, 0, 0, 0}, 175}, {{4, 4, 4, 4}, {0, 0, 0, 0}, 175},
      {{3, 5, 0, 1}, {3, 5, 0, 1}, 180}, {{2, 3, 5, 4}, {0, 3, 5, 0}, 175},
      {{0, 0, 0, 0}, {0, 0, 0, 0}, 180},
  };
  const int nx[4] = {6, 8, 7, 7}, ny[4] = {7, 7, 6, 8};
  for (const auto& c : cases) {
    SetUpStage();
    gGame.timeLeft = 180;
    Place(7, 7);
    for (int i = 0; i < 4; ++i) gBoard.Set(nx[i], ny[i], c.around[i]);
    Run(1);  // let go of any earlier press
    Run(1, {platform::VKEY_X});
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(gBoard.At(nx[i], ny[i]), c.after[i]) << c.around[0] << c.around[1] << i;
    EXPECT_EQ(gGame.timeLeft, c.time);
  }
}

TEST_F(PlayRules, DestroyDuringASlideOrWithAnotherButtonDoesNothing) {
  Place(7, 7);
  gBoard.Set(9, 7, CELL_BREAKABLE);
  Run(1, {platform::VKEY_RIGHT});
  Run(1, {platform::VKEY_RIGHT, platform::VKEY_X});
  EXPECT_EQ(gBoard.At(9, 7), CELL_BREAKABLE);
  Run(14);
  Run(1);
  ASSERT_EQ(gPlayer.playerX, 8);
  Run(1, {platform::VKEY_X, platform::VKEY_Z});  // buttons 12: neither counts
  EXPECT_EQ(gBoard.At(9, 7), CELL_BREAKABLE);
  EXPECT_EQ(Scene, SCENE_PLAY);
}

TEST_F(PlayRules, ItemOnArrival) {
  Place(2, 2);
  gBoard.Set(3, 2, CELL_ITEM);
  gGame.itemsLeft = 1;
  Run(15, {platform::VKEY_RIGHT});
  EXPECT_EQ(gGame.score, 0);
  Run(1, {platform::VKEY_RIGHT});
  EXPECT_EQ(gGame.score, 10);
  EXPECT_EQ(gGame.itemsLeft, 0);
  EXPECT_EQ(gBoard.At(3, 2), CELL_EMPTY);
}

TEST_F(PlayRules, PerfectClearRewards) {
  const struct {
    int32_t clearsBefore, bonusBefore;
    int32_t score, time, bonusAfter;
  } cases[] = {
      {0, 12, 100, 112, 13},   {1, 13, 200, 113, 14},   {27, 39, 2800, 139, 40},
      {28, 40, 2900, 140, 40}, {29, 40, 3000, 140, 40},
  };
  for (const auto& c : cases) {
    SetUpStage();
    SetScene(SCENE_PLAY);
    gGame.stage = 7;
    gGame.score = 0;
    gGame.timeLeft = 100;
    gGame.timeFrames = 0;
    gGame.perfectClears = c.clearsBefore;
    gGame.timeBonus = c.bonusBefore;
    Place(13, 12);
    gBoard.Set(13, 13, CELL_GOAL);
    Run(16, {platform::VKEY_DOWN});
    EXPECT_EQ(gGame.stage, 8);
    EXPECT_EQ(gGame.perfectClears, c.clearsBefore + 1);
    EXPECT_EQ(gGame.score, c.score);
    EXPECT_EQ(gGame.timeLeft, c.time);
    EXPECT_EQ(gGame.timeBonus, c.bonusAfter);
    EXPECT_EQ(Scene, SCENE_STAGE_SETUP);
  }
}

TEST_F(PlayRules, PassWhilePushingStartsTheNextStageWithNoBlock) {
  Place(3, 3);
  gBoard.Set(4, 3, CELL_PUSHABLE);
  Run(1);
  Run(3, {platform::VKEY_RIGHT});
  ASSERT_TRUE(gPlayer.carryingBlock);
  Run(1, {platform::VKEY_RIGHT, platform::VKEY_Z});
  EXPECT_EQ(gGame.stage, 2);
  EXPECT_EQ(Scene, SCENE_STAGE_SETUP);
  Run(1);  // the stage setup
  EXPECT_EQ(Scene, SCENE_PLAY);
  EXPECT_FALSE(gPlayer.carryingBlock);
  EXPECT_FALSE(gPlayer.moving);
  EXPECT_EQ(gPlayer.playerX, 1);
  EXPECT_EQ(gGame.itemsLeft, 7);
}

TEST_F(PlayRules, ClockAndTimeOutOverridePause) {
  gGame.timeLeft = 1;
  gGame.timeFrames = 58;
  Run(1);
  EXPECT_EQ(gGame.timeFrames, 59);
  EXPECT_EQ(Scene, SCENE_PLAY);
  Run(1, {platform::VKEY_ESCAPE});  // pause and time-out in one frame: the time-out wins
  EXPECT_EQ(gGame.timeFrames, 0);
  EXPECT_EQ(gGame.timeLeft, 0);
  EXPECT_EQ(Scene, SCENE_GAME_OVER);
}

TEST_F(PlayRules, SaturatedNumbersStayDefined) {
  gGame.stage = 2147483647;
  gGame.score = 2147483640;
  gGame.timeLeft = 2147483647;
  gGame.perfectClears = 2147483647;
  gGame.timeBonus = 40;
  gGame.itemsLeft = 0;
  Place(13, 12);
  gBoard.Set(13, 13, CELL_GOAL);
  Run(16, {platform::VKEY_DOWN});
  EXPECT_EQ(gGame.stage, 2147483647);
  EXPECT_EQ(gGame.score, 2147483647);
  EXPECT_EQ(gGame.timeLeft, 2147483647);
  Run(1);  // the stage setup of the last stage there is
  EXPECT_EQ(Scene, SCENE_PLAY);
}

TEST_F(PlayRules, GameOverRaisesTheHighScoreOnlyWhenBeaten) {
  const struct {
    int32_t hi, score, after;
  } cases[] = {{0, 0, 0},       {100, 100, 100}, {100, 99, 100},
               {100, 101, 101}, {100, 90, 100},  {-5, -10, -5}};
  for (const auto& c : cases) {
    gGame.hiScore = c.hi;
    gGame.score = c.score;
    SetScene(SCENE_GAME_OVER);
    Run(1);
    EXPECT_EQ(gGame.hiScore, c.after) << c.hi << " " << c.score;
  }
}

// The cue table: which occasion plays which text on which channel, and that
// it starts that channel alone. The texts are the game's, written out here so
// that a changed entry of the table fails too.
TEST_F(PlayRules, EachOccasionPlaysItsCueOnItsChannelAlone) {
  const struct {
    const char* occasion;
    std::function<void()> act;
    int channel;
    const char* text;
  } rows[] = {
      {"an item",
       [&] {
         gGame.itemsLeft = 2;
         Place(2, 2);
         gBoard.Set(3, 2, CELL_ITEM);
         Run(16, {platform::VKEY_RIGHT});
       },
       7, "t120@2o6l32q7v14i35 gecx"},
      {"PASS", [&] { Run(1, {platform::VKEY_Z}); }, 6, "t120@0o4l32q7v14i5 s-40g2x"},
      {"DESTROY",
       [&] {
         Place(7, 7);
         gBoard.Set(7, 8, CELL_PUSHABLE);
         Run(1, {platform::VKEY_X});
       },
       6, "t120@78o4l32q7v14i5 g2x"},
      {"DESTROY with nothing to remove",
       [&] {
         Place(7, 7);
         Run(1, {platform::VKEY_RETURN});
       },
       6, "t120@0o4l32q7v14i5s+30 g8x"},
      {"the goal with items left",
       [&] {
         gGame.itemsLeft = 3;
         Place(13, 12);
         gBoard.Set(13, 13, CELL_GOAL);
         Run(16, {platform::VKEY_DOWN});
       },
       6, "t120@0o4l32q7v14i5 s-40g2x"},
      {"a perfect clear",
       [&] {
         gGame.itemsLeft = 0;
         Place(13, 12);
         gBoard.Set(13, 13, CELL_GOAL);
         Run(16, {platform::VKEY_DOWN});
       },
       6, "t150@0o4l16q7v13h50 m30ceg>ceg>cx"},
      {"a new game",
       [&] {
         SetScene(SCENE_NEW_GAME);
         Run(1);
       },
       0, "t120@56o4l16q7v14L crrrgrrcdrefrrrr crrrgrrcggfrerdr"},
      {"the game over",  // which also stops the cues still sounding
       [&] {
         PlayCue(6, "t120@0o4l32q7v14i5 s-40g2x");
         PlayCue(7, "t120@2o6l32q7v14i35 gecx");
         SetScene(SCENE_GAME_OVER);
         Run(1);
       },
       0, "t120@2o4l16q7v14i30 cdefgab>cccccx"},
  };
  for (const auto& row : rows) {
    TearDown();
    SetUp();
    for (SoundChannel& c : gSoundChannels) {
      std::memset(c.eventCode, 0xEE, EVENT_CODE_SIZE);
      c.playing = 0;
    }
    row.act();
    uint8_t want[EVENT_CODE_SIZE];
    std::memset(want, 0xEE, sizeof want);  // operands the compiler leaves unwritten
    want[0] = EV_STOP;
    compileEventCode(want, row.text);
    int end = 0;
    while (want[end] != EV_END) end += 2;
    for (int ch = 0; ch < SOUND_CHANNELS; ++ch) {
      const SoundChannel& c = gSoundChannels[ch];
      if (ch == row.channel) {
        EXPECT_TRUE(c.playing) << row.occasion;
        EXPECT_EQ(0, std::memcmp(c.eventCode, want, end + 1))
            << row.occasion << ": channel " << ch << " does not hold '" << row.text << "'";
      } else {
        EXPECT_FALSE(c.playing) << row.occasion << " started channel " << ch;
      }
    }
  }
}

// The title shows the high score, not the score of the last game, and stops
// the game over tune.
TEST_F(PlayRules, TheTitleShowsTheHighScore) {
  gGame.hiScore = 120;
  gGame.score = 90;
  SetScene(SCENE_GAME_OVER);
  Run(1);
  Run(1, {platform::VKEY_Z});
  ASSERT_EQ(Scene, SCENE_TITLE);
  Run(1);
  EXPECT_EQ(std::string(textBuffer), "HI-SCORE 120");
  for (const SoundChannel& c : gSoundChannels) EXPECT_FALSE(c.playing) << "the title is silent";
}

TEST_F(PlayRules, AnimationChangesEveryFifteenFrames) {
  gPlayer.animFrame = 0;
  gPlayer.animCounter = 13;
  Run(1);
  EXPECT_EQ(gPlayer.animCounter, 14);
  EXPECT_EQ(gPlayer.animFrame, 0);
  Run(1);
  EXPECT_EQ(gPlayer.animCounter, 0);
  EXPECT_EQ(gPlayer.animFrame, 1);
  Run(15);
  EXPECT_EQ(gPlayer.animFrame, 0);
}

}  // namespace
