#include "game/scene_state.h"

uint32_t Scene = SCENE_BOOT;
bool sceneEntered = true;

void SetScene(uint32_t number) {
  sceneEntered = true;
  Scene = number;
}

void ResetScenes() {
  Scene = SCENE_BOOT;
  sceneEntered = true;
}
