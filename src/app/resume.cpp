#include "app/resume.h"

#include "game/scene_state.h"
#include "gfx/image_store.h"

bool ShowLoadedGame() {
  gImageStore.Present();
  if (Scene != SCENE_PLAY || sceneEntered) return false;
  SetScene(SCENE_PAUSE);
  return true;
}
