#include "app/resume.h"

#include "game/scene_state.h"

bool PauseLoadedGame() {
  if (Scene != SCENE_PLAY || sceneEntered) return false;
  SetScene(SCENE_PAUSE);
  return true;
}
