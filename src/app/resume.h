// What a program resumed from a snapshot in a new process shows first (the
// page after a reload or a closed tab): a game that was in play waits for
// the player.
#pragma once

// A game that was in play goes into the pause scene, as Esc in play puts it
// there, so that its clock does not run on before the player is back: the
// next frame draws the pause over the loaded picture, and Esc goes on from
// the very frame that was saved. A stage that has not yet drawn its first
// play frame, the title, game over, the pause and the About box go on as
// they were. True when the game was paused. Call after a LoadSnapshot that
// succeeded (which shows the picture), between frames.
bool PauseLoadedGame();
