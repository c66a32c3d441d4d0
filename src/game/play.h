// The play frame: one frame of SCENE_PLAY, run by the scene dispatch. It draws
// the screen as the frame finds it, polls the input, then applies the rules of
// movement, pushing, items, the goal, PASS, DESTROY and the time limit, and
// presents.
#pragma once

void UpdatePlay();
// Starts a slide (and a push) from the input direction when the player stands
// and the way is open.
void TryStartMove();
