// The scene dispatch: the body of every frame that the frame clock lets
// through (RunFrame calls RunSceneFrame once per due frame, on the main
// thread). Each scene runs its entry actions in the first frame after
// SetScene, then its per-frame actions in every frame.
#pragma once

#include "game/cues.h"
#include "game/scene_state.h"

void RunSceneFrame();

// The three sheets, as the boot frame loads them (a picture that does not
// load is reported and left undrawn).
void LoadPictures();
// For a loaded snapshot, whose scene may be past the boot frame: loads the
// pictures unless they have been loaded since ForgetPictures.
void EnsurePicturesLoaded();
// The window has gone, and its sheets with it (the shell calls it).
void ForgetPictures();
