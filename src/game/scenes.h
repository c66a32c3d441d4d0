// The scene dispatch: the body of every frame that the frame clock lets
// through (RunFrame calls RunSceneFrame once per due frame, on the main
// thread). Each scene runs its entry actions in the first frame after
// SetScene, then its per-frame actions in every frame.
#pragma once

#include "game/cues.h"
#include "game/scene_state.h"

void RunSceneFrame();
