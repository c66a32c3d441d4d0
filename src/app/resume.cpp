#include "app/resume.h"

#include "game/scene_state.h"

bool PauseGameInPlay() {
  if (Scene != SCENE_PLAY || sceneEntered) return false;
  SetScene(SCENE_PAUSE);
  return true;
}

bool GameInPlay() {
  return Scene == SCENE_PLAY || Scene == SCENE_NEW_GAME || Scene == SCENE_STAGE_SETUP;
}
