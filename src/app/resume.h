// A game in play that the player is away from waits for them: the page after
// a reload or a closed tab, or a tab that is hidden.
#pragma once

// A game that is in play goes into the pause scene, as Esc in play puts it
// there, so that its clock does not run on before the player is back: the
// next frame draws the pause over the picture, and Esc goes on from the very
// frame it was paused at. A stage that has not yet drawn its first play
// frame, the title, game over, the pause and the About box stay as they are.
// True when the game was paused. Call between frames (after a LoadSnapshot
// that succeeded, which shows the picture, or as the page is hidden).
bool PauseGameInPlay();

// Whether a game is being played (a stage in play, or one about to be set
// up): its state changes from frame to frame. The title, game over and the
// pause wait for a key.
bool GameInPlay();
