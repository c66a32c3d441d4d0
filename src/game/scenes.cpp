#include "game/scenes.h"

#include <cstdio>

#include "game/game_state.h"
#include "game/play.h"
#include "game/play_field.h"
#include "gfx/image_store.h"
#include "gfx/system_font.h"
#include "input/input_state.h"
#include "platform/program_texts.h"
#include "sound/channel_interface.h"

namespace {

constexpr COLORREF KEY_GREEN = 0x00FF00;

constexpr char BOOT_NOTICE[] =
    "\xE3\x83\x9E\xE3\x82\xB9\xE3\x82\xAF\xE4\xBD\x9C\xE3\x81\xA3"
    "\xE3\x81\xA6\xE3\x81\xBE\xE3\x81\x99";  // マスク作ってます
constexpr char TITLE_TEXT[] = VELKARI_TEXT_TITLE;
constexpr char TITLE_PROMPT[] = "PUSH [Z]key or GAMEPAD(A)Key";
constexpr char TITLE_CREDIT[] = "Quillmoor2022";

// Whether the pictures have been loaded since the scenes were last reset.
bool picturesLoaded = false;

void EnterBoot() {
  // The notice stays up while the masks are built, all inside this frame.
  DrawSystemText(gImageStore.GetDrawDC(), 0, 0, BOOT_NOTICE);
  gImageStore.Present();
  LoadPictures();
  SetScene(SCENE_TITLE);
  clearAllChannelText();
}

void EnterTitle() {
  gImageStore.Clear();
  gImageStore.DrawSheet(2, 320, 100);
  Surface& dc = gImageStore.GetDrawDC();
  DrawSystemText(dc, 150, 96, TITLE_TEXT);
  DrawSystemText(dc, 150, 320, TITLE_PROMPT);
  DrawSystemText(dc, 150, 450, TITLE_CREDIT);
  std::snprintf(textBuffer, sizeof textBuffer, "HI-SCORE %d", static_cast<int>(gGame.hiScore));
  gImageStore.DrawString(0, 200, 400, textBuffer);
  stopAllChannels();
  gImageStore.Present();
}

void EnterGameOver() {
  gImageStore.Clear();
  DrawBoard();
  DrawStatusPanel();
  std::snprintf(textBuffer, sizeof textBuffer, "GAME OVER");
  gImageStore.DrawString(0, 200, 200, textBuffer);
  gImageStore.Present();
  stopAllChannels();
  PlayCue(0, CUE_GAME_OVER);
  if (gGame.score > gGame.hiScore) gGame.hiScore = gGame.score;
}

void EnterPause() {
  // Drawn over the last play frame as it was left: no clear.
  std::snprintf(textBuffer, sizeof textBuffer, "PAUSE");
  gImageStore.DrawString(0, 200, 200, textBuffer);
  gImageStore.Present();
}

void WaitFor(uint32_t button, uint32_t next) {
  gInputState.Poll(REMAP_FOUR_WAY);
  if (gInputState.Pressed(button)) SetScene(next);
}

}  // namespace

void LoadPictures() {
  gImageStore.LoadSheet(0, "img\\tobernix.bmp", false, 0);
  gImageStore.LoadSheet(1, "img\\velkimg.bmp", true, KEY_GREEN);
  gImageStore.LoadSheet(2, "img\\girl.bmp", true, KEY_GREEN);
  picturesLoaded = true;
}

void EnsurePicturesLoaded() {
  if (!picturesLoaded) LoadPictures();
}

void ForgetPictures() {
  picturesLoaded = false;
}

void RunSceneFrame() {
  const bool entering = sceneEntered;
  sceneEntered = false;
  switch (Scene) {
    case SCENE_BOOT:
      if (entering) EnterBoot();
      break;
    case SCENE_TITLE:
      if (entering) EnterTitle();
      WaitFor(BUTTON_A, SCENE_NEW_GAME);
      break;
    case SCENE_NEW_GAME:
      if (entering) {
        StartNewGame();
        SetScene(SCENE_STAGE_SETUP);
        PlayCue(0, CUE_MUSIC);
      }
      break;
    case SCENE_STAGE_SETUP:
      if (entering) {
        SetUpStage();
        GenerateBoard();
        SetScene(SCENE_PLAY);
      }
      break;
    case SCENE_PLAY:
      UpdatePlay();
      break;
    case SCENE_GAME_OVER:
      if (entering) EnterGameOver();
      WaitFor(BUTTON_A, SCENE_TITLE);
      break;
    case SCENE_PAUSE:
      if (entering) EnterPause();
      WaitFor(BUTTON_PAUSE, SCENE_PLAY);
      break;
    default:
      break;
  }
}
