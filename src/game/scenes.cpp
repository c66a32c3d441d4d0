#include "game/scenes.h"

#include "gfx/image_store.h"

uint32_t Scene = SCENE_BOOT;
bool sceneEntered = true;

void SetScene(uint32_t number) {
  sceneEntered = true;
  Scene = number;
}

void RunSceneFrame() {
  const bool entering = sceneEntered;
  sceneEntered = false;
  switch (Scene) {
    case SCENE_BOOT:
      if (entering) {
        gImageStore.Clear();
        gImageStore.Present();
      }
      break;
    default:
      break;
  }
}
